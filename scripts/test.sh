#!/usr/bin/env bash
# Installs what is missing, builds the kit and its tests, and runs the whole
# suite under Wine on a headless display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
ctest --preset mingw
