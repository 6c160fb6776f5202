# Sourced by wine-env.sh and wine-run.sh: the private 64-bit Windows prefix of
# a session under STATE_DIR, run by Wine's 64-bit loader, which hands 32-bit
# programs to the 32-bit one as 64-bit Windows runs them under WOW64.
export WINEPREFIX=$state_dir/prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINELOADER=/usr/lib/wine/wine64
WINE=$WINELOADER
# shellcheck source=machine.sh
. "$(dirname "${BASH_SOURCE[0]}")/machine.sh"
