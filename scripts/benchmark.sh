#!/usr/bin/env bash
# Footprint of the kit's deliverables: size on disk and imported DLLs of each,
# then, under Wine, Register.exe's start-to-exit time against a minimal
# program doing the same work, and GetPelmors' per-call time against the bare
# MAPI calls it wraps. A benchmark, not a test: it prints figures and says
# whether each target holds.
#   scripts/benchmark.sh [ROUNDS]     (at least 30; default 31)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-31}
bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null   # the preset builds MinSizeRel, stripped
bin=build/mingw/bin

echo "== Size and imports (target: at most 64 KiB, system DLLs only)"
for file in Uninstaller.exe uninstall.dll Register.exe Pelmor.dll; do
    size=$(stat -c %s "$bin/$file")
    imports=$(i686-w64-mingw32-objdump -p "$bin/$file" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')
    verdict=$([ "$size" -le 65536 ] && echo holds || echo MISSED)
    printf '%-16s %7d bytes (%5.1f KiB, %s)  imports: %s\n' "$file" "$size" "$(awk "BEGIN { print $size / 1024 }")" "$verdict" "$imports"
done

session=build/mingw/wine
work=build/mingw/benchmark
rm -rf "$work" && mkdir -p "$work"
cp "$bin"/{Register.exe,MinimalRegister.exe,EmptyGui.exe,FootprintBench.exe,Pelmor.dll} "$work/"
cp "$bin/EmptyGui.exe" "$work/regsvr32.exe"   # a registration tool that ends at once
trap 'tests/harness/wine-env.sh stop "$session"' EXIT
tests/harness/wine-env.sh start "$session"

echo
echo "== Register.exe against the least that does its work"
KIT_DLL_OVERRIDES=mapi32=b tests/harness/wine-run.sh "$session" "$work/FootprintBench.exe" startup "$rounds" || true
echo
echo "== GetPelmors against the bare call sequence"
KIT_DLL_OVERRIDES=mapi32=b tests/harness/wine-run.sh "$session" "$work/FootprintBench.exe" pelmor "$rounds" || true
