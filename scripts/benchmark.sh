#!/usr/bin/env bash
# Footprint of the kit's deliverables: size on disk and imported DLLs of each
# (both flavours of the two DLLs), then, under Wine, Register.exe's
# start-to-exit time against a minimal program doing the same work, and
# GetPelmors' per-call time against the bare MAPI calls it wraps, from a
# 32-bit and from a 64-bit caller. A benchmark, not a test: it prints figures
# and says whether each target holds.
# Exits non-zero when a measurement could not be made or missed its target.
#   scripts/benchmark.sh [ROUNDS]     (at least 30; default 61)
cd "$(dirname "$(readlink -f "$0")")/.."
# shellcheck source=../wine-harness/strict.sh
. wine-harness/strict.sh
rounds=${1:-61}
bash scripts/setup.sh
quietly cmake --preset mingw
quietly cmake --build --preset mingw   # the preset builds MinSizeRel, stripped
bin=build/mingw/bin
bin64=build/mingw/x64/bin

missed=()
echo "== Size and imports (target: at most 64 KiB, system DLLs only)"
for file in "$bin/Uninstaller.exe" "$bin/uninstall.dll" "$bin/Register.exe" "$bin/Pelmor.dll" \
    "$bin64/uninstall.dll" "$bin64/Pelmor.dll"; do
    size=$(stat -c %s "$file")
    # The toolchain's objdump reads 32- and 64-bit PE files alike.
    imports=$(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')
    name=${file#"$bin/"}
    name=${name/#build\/mingw\/x64\/bin\//x64\\}
    verdict=holds
    [ "$size" -le 65536 ] || { verdict=MISSED; missed+=("the size of $name"); }
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

measure() { # WHAT PROGRAM ARGUMENTS...: exit code 1 is a missed target, anything else a failed run
    local what=$1 status=0
    shift
    KIT_DLL_OVERRIDES=mapi32=b wine-harness/wine-run.sh "$session" "$@" "$rounds" || status=$?
    [ "$status" = 0 ] || missed+=("$what ($([ "$status" = 1 ] && echo "target missed" || echo "exit code $status"))")
}

echo
echo "== Register.exe against the least that does its work"
emulated 32
measure "Register.exe" "$work/FootprintBench.exe" startup
for flavour in 32 64; do
    echo
    echo "== GetPelmors against the bare call sequence, $flavour-bit caller"
    emulated $flavour
    bench=$work/FootprintBench.exe
    [ $flavour = 64 ] && bench=$work/x64/FootprintBench.exe
    measure "GetPelmors, $flavour-bit caller" "$bench" pelmor
done
if [ ${#missed[@]} -gt 0 ]; then
    echo "FAILED: ${missed[*]}" >&2
    exit 1
fi
