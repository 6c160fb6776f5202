#!/usr/bin/env bash
# The kit's version is set once: configuring with -DKIT_VERSION gives the
# version header every resource script includes, text and numbers (a
# leading zero is no octal number there).
#   version-from-cmake.sh SOURCE_DIR SCRATCH_DIR
# shellcheck source=../wine-harness/strict.sh
. "$(dirname "$0")/../wine-harness/strict.sh"
source_dir=$1
scratch=$2
rm -rf "$scratch"
cmake -S "$source_dir" -B "$scratch" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DBUILD_TESTING=OFF -DKIT_WITH_X64=OFF -DKIT_VERSION=2.08.3 >/dev/null
header=$scratch/generated/KitVersion.h
cat "$header"
grep -qx '#define KIT_VERSION_NUMBERS 2,8,3,0' "$header"
grep -qx '#define KIT_VERSION_TEXT "2.08.3"' "$header"
grep -q 'version="2.8.3.0"' "$scratch/Register/Register.manifest"
rm -rf "$scratch"
echo "KIT_VERSION=2.08.3 reaches the version blocks and the manifests"
