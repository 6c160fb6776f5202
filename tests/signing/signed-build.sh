#!/usr/bin/env bash
# A signed build of the kit, checked end to end:
#   1. a throwaway self-signed certificate, made with openssl;
#   2. the deliverables of both flavours, and the sample setup, built and
#      signed with it;
#   3. osslsigncode verify accepts each signed file;
#   4. the signed files, laid over a copy of this build's binaries and staged
#      as a kit, pass the test programs that exercise them.
#   signed-build.sh SOURCE_DIR BUILD_DIR WINE_SESSION_DIR
set -euo pipefail
source_dir=$(cd "${1:?source dir}" && pwd)
build_dir=$(cd "${2:?build dir}" && pwd)
session=${3:?wine session dir}
work=$build_dir/signed
rm -rf "$work"
mkdir -p "$work/cert"

echo "== a throwaway certificate"
cert=$work/cert
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
    -DNOX_PRODUCT_DLL="$build_dir/bin/NOX.dll" >"$work/configure.log"
cmake --build "$work/tree" -j2 >"$work/build.log" 2>&1 || { tail -20 "$work/build.log"; exit 1; }

echo "== osslsigncode verify"
# The 64-bit build of the two programs is signed too: the tests run it here.
signed=(bin/Uninstaller.exe bin/Register.exe bin/uninstall.dll bin/Pelmor.dll
    x64/bin/uninstall.dll x64/bin/Pelmor.dll x64/bin/Uninstaller.exe x64/bin/Register.exe)
# The sample setup too, where makensis is there to build it.
command -v makensis >/dev/null && signed_setup=(bin/NOX-setup.exe) || signed_setup=()
failed=0
for file in "${signed[@]}" "${signed_setup[@]}"; do
    if osslsigncode verify -CAfile "$cert/cert.pem" -in "$work/tree/$file" >"$work/verify.log" 2>&1 &&
        grep -q "Signature verification: ok" "$work/verify.log"; then
        echo "signed and verified: $file"
    else
        echo "FAILED: $file"; cat "$work/verify.log"; failed=1
    fi
done
[ $failed = 0 ] || exit 1

echo "== the signed files pass the tests that exercise them"
run=$work/run
mkdir -p "$run/x64"
cp -r "$build_dir/bin" "$run/bin"
cp -r "$build_dir/x64/bin" "$run/x64/bin"
for file in "${signed[@]}"; do cp "$work/tree/$file" "$run/$file"; done
cmake --install "$work/tree" --prefix "$run/kit" >/dev/null

status=0
run_tests() { # FLAVOUR_DIR PROGRAM OVERRIDES [gtest filter]
    local program=$run/$1/$2.exe
    local code=0
    KIT_DLL_OVERRIDES=$3 "$source_dir/tests/harness/wine-run.sh" "$session" "$program" \
        ${4:+--gtest_filter=$4} >"$work/$2-$(basename "$1").log" 2>&1 || code=$?
    case $code in
    0) echo "passed: $1/$2 ${4:-}" ;;
    77) echo "skipped (this machine runs no 32-bit program): $1/$2 ${4:-}" ;;
    *) echo "FAILED: $1/$2 ${4:-}"; grep -E "FAILED|Failure" "$work/$2-$(basename "$1").log" | head -20; status=1 ;;
    esac
}
for flavour in bin x64/bin; do
    run_tests $flavour sequence_tests mapi32=b "-*UsersLanguage*"
    run_tests $flavour register_tests mapi32=b
    run_tests $flavour addin_tests mapi32=b
    run_tests $flavour pelmor_tests mapi32=n "*OverStandIn*"
    run_tests $flavour pelmor_tests mapi32=b "-*OverStandIn*"
    run_tests $flavour kit_folder_tests mapi32=b
done
run_tests bin flavour_tests mapi32=b
exit $status
