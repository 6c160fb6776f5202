#!/usr/bin/env bash
# Installs what is missing, builds the kit, and runs its main job: the
# product's whole life (install, uninstall, a caller of Pelmor.dll) played in
# a private Wine prefix with the real deliverables and the stand-ins, with a
# step-by-step report and screenshots.
#
#   scripts/run-kit.sh            headless; notices answered automatically
#   scripts/run-kit.sh --manual   on your own $DISPLAY; you answer the notices
#                                 and close Outlook yourself
cd "$(dirname "$(readlink -f "$0")")/.."
# shellcheck source=../wine-harness/strict.sh
. wine-harness/strict.sh
manual=""
[ "${1:-}" = "--manual" ] && manual=--manual

# The kit's programs are 32-bit: the setup makes them run here, or says why not.
bash scripts/setup.sh
quietly cmake --preset mingw
quietly cmake --build --preset mingw

session=build/mingw/wine
shots=$PWD/build/mingw/screenshots
rm -rf "$shots" && mkdir -p "$shots"
trap 'wine-harness/wine-env.sh stop "$session"' EXIT
wine-harness/wine-env.sh start "$session" ${manual:+"${DISPLAY:?--manual needs a DISPLAY}"}

demo=build/mingw/bin/KitDemo.exe
# The main job bounds each of its steps itself; this bound is for the run as
# a whole, should it hang where no step of its own is watching.
limit=300
[ -n "$manual" ] && limit=3600
status=0
KIT_DLL_OVERRIDES=mapi32=n interruptibly timeout --kill-after=10 "$limit" wine-harness/wine-run.sh "$session" "$demo" \
    $manual --screenshots "Z:${shots//\//\\}" || status=$?

for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "Screenshots: $shots"
[ "$status" = 124 ] && echo "FAILED: the main job did not end within $limit s"
exit $status
