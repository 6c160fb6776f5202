#!/usr/bin/env bash
# Runs a Windows program in the session that wine-env.sh started:
#   wine-run.sh STATE_DIR program.exe [arguments...]
set -euo pipefail
state_dir=$(cd "${1:?state directory}" && pwd)
shift
# shellcheck disable=SC1091
. "$state_dir/session.env"
export WINEPREFIX=$state_dir/prefix
export WINEARCH=win32
export WINEDEBUG=-all
# A test may have a stand-in beside it take the place of one of Wine's DLLs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${KIT_DLL_OVERRIDES:+;$KIT_DLL_OVERRIDES}"
exec wine "$@"
