#!/usr/bin/env bash
# The kit's version is set once: configuring with -DKIT_VERSION gives the
# version header every resource script includes, text and numbers (a
# leading zero is no octal number there). The same configuration takes the
# shipping build's registration key as sample-setup.md writes it for a
# shell, backslashes and all.
#   version-from-cmake.sh SOURCE_DIR SCRATCH_DIR
# shellcheck source=../wine-harness/strict.sh
. "$(dirname "$0")/../wine-harness/strict.sh"
source_dir=$1
scratch=$2
rm -rf "$scratch"
shipping=$(grep -E "^ +'-DNOX_REGISTRATION_KEY=" "$source_dir/docs/sample-setup.md")
eval "key_options=($shipping)"
cmake -S "$source_dir" -B "$scratch" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DBUILD_TESTING=OFF -DKIT_WITH_X64=OFF -DKIT_VERSION=2.08.3 -DNOX_PRODUCT_DLL="$source_dir/LICENSE.txt" \
    "${key_options[@]}" >/dev/null
grep -qF 'NOX_REGISTRATION_KEY:STRING=HKLM\Software\Classes\CLSID\' "$scratch/CMakeCache.txt"
header=$scratch/generated/KitVersion.h
cat "$header"
grep -qx '#define KIT_VERSION_NUMBERS 2,8,3,0' "$header"
grep -qx '#define KIT_VERSION_TEXT "2.08.3"' "$header"
grep -q 'version="2.8.3.0"' "$scratch/Register/Register.manifest"
rm -rf "$scratch"
echo "KIT_VERSION=2.08.3 reaches the version blocks and the manifests; the guide's registration key, CMake"
