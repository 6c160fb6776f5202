#!/usr/bin/env bash
# Installs what is missing, builds the kit, and runs its main job: the
# uninstall sequence played in a private Wine prefix against the Outlook
# stand-in, with a step-by-step report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null
session=build/mingw/wine
trap 'tests/harness/wine-env.sh stop "$session"' EXIT
tests/harness/wine-env.sh start "$session"
tests/harness/wine-run.sh "$session" build/mingw/bin/KitDemo.exe
