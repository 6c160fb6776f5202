#!/usr/bin/env bash
# The Windows test bundle as a Windows engineer gets it: built, unpacked in a
# scratch folder, and run by its own runner through Wine's cmd in a fresh
# prefix, with nothing of the harness but Wine and the display. The runner
# refuses without being told the machine is disposable, and the tests of
# the programs given pass under it as they do under CTest.
#   bundle-under-wine.sh SOURCE_DIR BUILD_DIR SCRATCH_DIR [PROGRAM.exe...]   (none: all)
# shellcheck source=../../wine-harness/strict.sh
. "$(dirname "$0")/../../wine-harness/strict.sh"
source_dir=$1 build_dir=$2 scratch=$3
shift 3
quietly cmake --build "$build_dir" --target windows-tests
rm -rf "$scratch" && mkdir -p "$scratch/bundle"
(cd "$scratch/bundle" && cmake -E tar xf "$build_dir"/NOX-kit-windows-tests-*.zip)
session=$scratch/wine
trap '"$source_dir/wine-harness/wine-env.sh" stop "$session"' EXIT
"$source_dir/wine-harness/wine-env.sh" start "$session"
# shellcheck disable=SC1091
. "$session/session.env"
[ "$KIT_RUNS_32BIT" = 1 ] || { echo "SKIPPED: this machine runs no 32-bit program, and the runner's tests are 32-bit"; exit 77; }
run() { "$source_dir/wine-harness/wine-run.sh" "$session" cmd /c "Z:${scratch//\//\\}\\bundle\\run-tests.cmd" "$@"; }

status=0
run >"$scratch/refused.log" 2>&1 || status=$?
if [ "$status" != 2 ] || ! grep -q "refused: .*disposable machine" "$scratch/refused.log"; then
    echo "FAILED: without /disposable the runner ended with $status:"; cat "$scratch/refused.log"; exit 1
fi
status=0
run /disposable "$@" | tr -d '\r' | tee "$scratch/run.log" || status=$?
# As many as CTest lists for those programs, each passed.
programs=$(IFS='|'; echo "${*:-[^|]*}")
expected=$(grep -cE "\\\\($programs)\\|" "$scratch/bundle/tests.txt")
summary="NOX kit tests: $expected passed, 0 failed, 0 skipped"
if [ "$status" != 0 ] || ! grep -qx "$summary" "$scratch/run.log"; then
    echo "FAILED: the runner ended with $status; expected \"$summary\""; exit 1
fi
ls "$scratch"/bundle/results/*.xml >/dev/null
echo "the bundle's runner: $summary"
