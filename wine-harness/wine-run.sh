#!/usr/bin/env bash
# Runs a Windows program in the session that wine-env.sh started:
#   wine-run.sh STATE_DIR program.exe [arguments...]
# A 32-bit program on a machine that cannot run one ends with code 77 (the
# tests' "skipped") and says why.
here=$(dirname "$(readlink -f "$0")")
# shellcheck source=strict.sh
. "$here/strict.sh"
state_dir=$(cd "${1:?state directory}" && pwd)
shift
# shellcheck disable=SC1091
. "$state_dir/session.env"
# shellcheck source=wine-common.sh
. "$here/wine-common.sh"
# A test may have a stand-in beside it take the place of one of Wine's DLLs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${KIT_DLL_OVERRIDES:+;$KIT_DLL_OVERRIDES}"

# The machine field of a PE file's header: 014c for 32-bit x86.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] && od -An -tx2 -j $((offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' '
}
if [ "${KIT_RUNS_32BIT:-1}" = 0 ] && [ -f "$1" ] && [ "$(pe_machine "$1")" = 014c ]; then
    echo "SKIPPED: $(basename "$1") is a 32-bit program, and this machine cannot run 32-bit programs"
    exit 77
fi
exec "$WINE" "$@"
