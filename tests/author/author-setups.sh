#!/usr/bin/env bash
# An installer author's two setups, built from the release archive alone,
# as docs/installer-authors.md writes them, and run once:
#   author-setups.sh SOURCE_DIR BUILD_DIR WINE_SESSION_DIR
#  1. NOX-kit-<version>.zip (the package target) unpacked as NOX-kit in a
#     scratch folder, its SHA256SUMS checked, the tests' NOX.dll beside it;
#  2. the guide's NSIS script and wixl package with the stand-in's
#     registration value in place of the guide's example;
#  3. each built there (makensis; wixl and msibuild), nothing else at hand;
#  4. each installed silently, with NOX.dll registered from where it went,
#     then removed silently, leaving no file.
# shellcheck source=../../wine-harness/strict.sh
. "$(dirname "$0")/../../wine-harness/strict.sh"
source_dir=$(cd "${1:?source dir}" && pwd)
build_dir=$(cd "${2:?build dir}" && pwd)
session=$(cd "${3:?wine session dir}" && pwd)
guide=$source_dir/docs/installer-authors.md
work=$build_dir/author
wine_run() { "$source_dir/wine-harness/wine-run.sh" "$session" "$@"; }
# shellcheck source=../../wine-harness/wine-common.sh
prefix=$(state_dir=$session && . "$source_dir/wine-harness/wine-common.sh" && echo "$WINEPREFIX")
folder="$prefix/drive_c/Program Files (x86)/MyAddin"
# What an interrupted or failed run left installed is no proof against this one.
if [ -f "$work/MyAddin.msi" ]; then wine_run msiexec /x "Z:${work//\//\\}\\MyAddin.msi" /qn >/dev/null 2>&1 || true; fi
rm -rf "$work" "$folder"
mkdir -p "$work"
cmake --build "$build_dir" --target package >"$work/package.log" 2>&1 || { tail -20 "$work/package.log"; exit 1; }
cd "$work"
unzip -q "$build_dir"/package/NOX-kit-*.zip
mv NOX-kit-* NOX-kit
(cd NOX-kit && sha256sum --quiet -c SHA256SUMS)
cp "$build_dir/bin/NOX.dll" NOX.dll

# The guide's block after the fence "```<kind>", with the stand-in's value.
example() {
    awk -v fence='```'"$1" '$0 == fence { on = 1; next } on && $0 == "```" { exit } on' "$guide" |
        sed -e 's|HKLM\\Software\\Classes\\CLSID\\{your-class}\\InprocServer32" ""|HKLM\\Software\\NoxKitTests\\NoxStandIn" "RegisteredFrom"|' \
            -e 's|HKLM\\Software\\Classes\\CLSID\\{your-class}\\InprocServer32|HKLM\\Software\\NoxKitTests\\NoxStandIn|' \
            -e 's|NOXKitRegistrationValue= |NOXKitRegistrationValue=RegisteredFrom |' \
            -e 's|{00000000-0000-0000-0000-000000000000}|{3F0A6C2E-8B1D-4E7A-9C35-2D6B0E4F1A77}|'
}
example nsis >MyAddin.nsi
example xml >MyAddin.wxs
example sh >build-msi.sh
grep -q NoxStandIn MyAddin.nsi && grep -q RegisteredFrom build-msi.sh || { echo "FAILED: the guide's examples changed"; exit 1; }
makensis -V2 MyAddin.nsi >makensis.log || { cat makensis.log; exit 1; }
bash build-msi.sh >wixl.log 2>&1 || { cat wixl.log; exit 1; }

registered_from() {
    wine_run reg query 'HKLM\Software\Wow6432Node\NoxKitTests\NoxStandIn' /v RegisteredFrom 2>/dev/null | tr -d '\r' |
        sed -n 's/.*REG_SZ[[:space:]]*//p'
}
status=0
check() { # WHAT INSTALL-COMMAND... ; then the removal in $remove
    local what=$1 code=0
    shift
    wine_run "$@" >"$work/$what-install.log" 2>&1 || code=$?
    [ $code = 77 ] && { echo "SKIPPED: this machine runs no 32-bit program"; exit 77; }
    if [ $code != 0 ] || [ "$(registered_from)" != 'C:\Program Files (x86)\MyAddin\NOX.dll' ]; then
        echo "FAILED: $what installed with exit code $code, NOX.dll registered from \"$(registered_from)\""
        status=1
        return
    fi
    code=0
    wine_run "${remove[@]}" >"$work/$what-remove.log" 2>&1 || code=$?
    # NSIS's uninstaller goes on from a copy of itself: its end is the folder's.
    for _ in $(seq 60); do [ -e "$folder" ] || break; sleep 0.5; done
    if [ $code != 0 ] || [ -e "$folder" ] || [ -n "$(registered_from)" ]; then
        echo "FAILED: $what removed with exit code $code; left: $(ls -A "$folder" 2>/dev/null | tr '\n' ' ')"
        status=1
        return
    fi
    echo "passed: $what built from the archive alone, installed, registered and removed"
}
remove=('C:\Program Files (x86)\MyAddin\uninst.exe' /S)
check nsis "$work/MyAddin-setup.exe" /S
package="Z:${work//\//\\}\\MyAddin.msi"
remove=(msiexec /x "$package" /qn)
check msi msiexec /i "$package" /qn
exit $status
