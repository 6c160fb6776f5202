#!/usr/bin/env bash
# A signed build of the kit, checked end to end, in two phases so that the
# build, which needs no Wine, can run beside the tests that do:
#   signed-build.sh build SOURCE_DIR BUILD_DIR
#     1. a throwaway self-signed certificate, made with openssl;
#     2. the deliverables of both flavours, and the sample setup, built and
#        signed with it;
#     3. osslsigncode verify accepts each signed file;
#   signed-build.sh check SOURCE_DIR BUILD_DIR WINE_SESSION_DIR
#     4. the signed files, laid over a copy of this build's binaries and
#        staged as a kit, pass a run of the test programs that exercise them;
#     5. the signed setup installs an uninstaller that is signed too.
# shellcheck source=../../wine-harness/strict.sh
. "$(dirname "$0")/../../wine-harness/strict.sh"
phase=${1:?build or check}
source_dir=$(cd "${2:?source dir}" && pwd)
build_dir=$(cd "${3:?build dir}" && pwd)
work=$build_dir/signed
cert=$work/cert
signed=(bin/Uninstaller.exe bin/Register.exe bin/uninstall.dll bin/Pelmor.dll x64/bin/uninstall.dll x64/bin/Pelmor.dll
    bin/NOXKitSetup.dll)
# The sample setups too, where makensis (wixl) is there to build them.
command -v makensis >/dev/null && signed_setup=(bin/NOX-setup.exe) || signed_setup=()
command -v wixl >/dev/null && signed_package=(bin/NOX.msi) || signed_package=()
failed=0
verify() { # FILE NAME
    if osslsigncode verify -CAfile "$cert/cert.pem" -in "$1" >"$work/verify.log" 2>&1 &&
        grep -q "Signature verification: ok" "$work/verify.log"; then
        echo "signed and verified: $2"
    else
        echo "FAILED: $2"; cat "$work/verify.log"; failed=1
    fi
}

build() {
    rm -rf "$work"
    mkdir -p "$cert"

    echo "== a throwaway certificate"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=NOX kit test signing" \
        -keyout "$cert/key.pem" -out "$cert/cert.pem" 2>/dev/null
    echo "throwaway" >"$cert/password"
    openssl pkcs12 -export -in "$cert/cert.pem" -inkey "$cert/key.pem" -out "$cert/kit.p12" \
        -passout "file:$cert/password"

    echo "== a signed build of the deliverables"
    cmake -S "$source_dir" -B "$work/tree" \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-i686-w64-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF \
        -DKIT_SIGN_PKCS12="$cert/kit.p12" -DKIT_SIGN_PASSWORD_FILE="$cert/password" \
        -DNOX_PRODUCT_DLL="$build_dir/bin/NOX.dll" -DNOX_REGISTRATION_KEY='HKLM\Software\NoxKitTests\NoxStandIn' \
        -DNOX_REGISTRATION_VALUE=RegisteredFrom >"$work/configure.log"
    # One job: the tests in the Wine prefix run beside this build.
    cmake --build "$work/tree" -j1 >"$work/build.log" 2>&1 || { tail -20 "$work/build.log"; exit 1; }

    echo "== osslsigncode verify"
    for file in "${signed[@]}" "${signed_setup[@]}" "${signed_package[@]}"; do
        verify "$work/tree/$file" "$file"
    done
    return $failed
}

check() {
    local session=${4:?wine session dir}
    echo "== the signed files pass the tests that exercise them"
    local run=$work/run prefix uninstaller code
    rm -rf "$run"
    mkdir -p "$run/x64"
    cp -r "$build_dir/bin" "$run/bin"
    cp -r "$build_dir/x64/bin" "$run/x64/bin"
    for file in "${signed[@]}" "${signed_setup[@]}"; do cp "$work/tree/$file" "$run/$file"; done
    cmake --install "$work/tree" --prefix "$run/kit" >/dev/null

    local status=0 skipped=0
    run_tests() { # FLAVOUR_DIR PROGRAM OVERRIDES [gtest filter]
        local program=$run/$1/$2.exe
        local code=0
        KIT_DLL_OVERRIDES=$3 "$source_dir/wine-harness/wine-run.sh" "$session" "$program" \
            ${4:+--gtest_filter=$4} >"$work/$2-$(basename "$1").log" 2>&1 || code=$?
        case $code in
        0) echo "passed: $1/$2 ${4:-}" ;;
        77) echo "skipped (this machine runs no 32-bit program): $1/$2 ${4:-}"; skipped=1 ;;
        *) echo "FAILED: $1/$2 ${4:-}"; grep -E "FAILED|Failure" "$work/$2-$(basename "$1").log" | head -20; status=1 ;;
        esac
    }
    # One run of each program and each flavour of each DLL, enough to show that
    # Windows loads and runs the signed files as it does the unsigned ones.
    run_tests bin uninstaller_tests mapi32=b "*RunsFromAFolderWhoseNameCmdWouldParse*"
    run_tests bin register_tests mapi32=b "*HasNoxDllRegisteredByWinesOwnRegsvr32"
    for flavour in bin x64/bin; do
        run_tests $flavour addin_tests mapi32=b "*OutlookLoadsItOnceAndItDeletesTheProductsBar"
        run_tests $flavour pelmor_tests mapi32=n "*LoadedByNameItIsStdcallAndAnswers"
    done
    run_tests bin staged_kit_tests mapi32=b

    if [ ${#signed_setup[@]} -gt 0 ]; then
        echo "== the signed setup installs a signed uninstaller"
        # Installed as a user would; the setup test below starts by removing it.
        # shellcheck source=../../wine-harness/wine-common.sh
        prefix=$(state_dir=$(cd "$session" && pwd) && . "$source_dir/wine-harness/wine-common.sh" && echo "$WINEPREFIX")
        uninstaller="$prefix/drive_c/Program Files (x86)/NOX/uninst.exe"
        rm -f "$uninstaller"
        code=0
        "$source_dir/wine-harness/wine-run.sh" "$session" "$run/bin/NOX-setup.exe" /S >"$work/setup.log" 2>&1 || code=$?
        if [ $code = 77 ]; then
            echo "skipped (this machine runs no 32-bit program): the signed setup"; skipped=1
        elif [ $code = 0 ] && [ -f "$uninstaller" ]; then
            verify "$uninstaller" "uninst.exe, as the signed setup installs it"
            [ $failed = 0 ] || status=1
        else
            echo "FAILED: the signed setup did not install (exit code $code)"; status=1
        fi
        run_tests bin product_setup_tests mapi32=b "*InstallsListsAndRegistersTheProductAndTheUsersUninstallLeavesNothing"
    fi
    # What could not run here is skipped (CTest's 77), unless something failed.
    [ $status != 0 ] || [ $skipped = 0 ] || return 77
    return $status
}

case $phase in
build) build ;;
check) check "$@" || exit $? ;;
*) echo "usage: $0 build|check SOURCE_DIR BUILD_DIR [WINE_SESSION_DIR]" >&2; exit 2 ;;
esac
