#!/usr/bin/env bash
# Footprint of the kit's deliverables: size on disk and imported DLLs of each
# (both flavours of the two DLLs), then, under Wine, Register.exe's
# start-to-exit time against a minimal program doing the same work, and
# GetPelmors' per-call time against the bare MAPI calls it wraps, from a
# 32-bit and from a 64-bit caller. A benchmark, not a test: it prints figures
# and says whether each target holds.
#   scripts/benchmark.sh [ROUNDS]     (at least 30; default 31)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-31}
bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null   # the preset builds MinSizeRel, stripped
bin=build/mingw/bin
bin64=build/mingw/x64/bin

echo "== Size and imports (target: at most 64 KiB, system DLLs only)"
for file in "$bin/Uninstaller.exe" "$bin/uninstall.dll" "$bin/Register.exe" "$bin/Pelmor.dll" \
    "$bin64/uninstall.dll" "$bin64/Pelmor.dll"; do
    size=$(stat -c %s "$file")
    imports=$(objdump -p "$file" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')
    verdict=$([ "$size" -le 65536 ] && echo holds || echo MISSED)
    name=${file#"$bin/"}
    name=${name/#build\/mingw\/x64\/bin\//x64\\}
    printf '%-18s %7d bytes (%5.1f KiB, %s)  imports: %s\n' "$name" "$size" "$(awk "BEGIN { print $size / 1024 }")" "$verdict" "$imports"
done

session=build/mingw/wine
work=build/mingw/benchmark
rm -rf "$work" && mkdir -p "$work/x64"
cp "$bin"/{Register.exe,MinimalRegister.exe,EmptyGui.exe,FootprintBench.exe,Pelmor.dll} "$work/"
cp "$bin/EmptyGui.exe" "$work/regsvr32.exe"   # a registration tool that ends at once
cp "$bin64"/{FootprintBench.exe,Pelmor.dll} "$work/x64/"
trap 'wine-harness/wine-env.sh stop "$session"' EXIT
wine-harness/wine-env.sh start "$session"
# shellcheck disable=SC1091
. "$session/session.env"
emulated() { # BITS: a note for figures of 32-bit programs that qemu ran
    if [ "$1" = 32 ] && [ -n "${KIT_32BIT_EMULATED_BY:-}" ]; then
        echo "(32-bit, emulated by qemu-i386 $KIT_32BIT_EMULATED_BY: the ratios hold, the absolute times are not"
        echo " comparable with a machine that runs 32-bit programs itself)"
    fi
}

echo
echo "== Register.exe against the least that does its work"
emulated 32
KIT_DLL_OVERRIDES=mapi32=b wine-harness/wine-run.sh "$session" "$work/FootprintBench.exe" startup "$rounds" || true
for flavour in 32 64; do
    echo
    echo "== GetPelmors against the bare call sequence, $flavour-bit caller"
    emulated $flavour
    bench=$work/FootprintBench.exe
    [ $flavour = 64 ] && bench=$work/x64/FootprintBench.exe
    KIT_DLL_OVERRIDES=mapi32=b wine-harness/wine-run.sh "$session" "$bench" pelmor "$rounds" || true
done
