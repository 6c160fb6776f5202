# Sourced by wine-env.sh and wine-run.sh: the private 64-bit Windows prefix of
# a session under STATE_DIR, run by Wine's 64-bit loader, which hands 32-bit
# programs to the 32-bit one as 64-bit Windows runs them under WOW64.
export WINEPREFIX=$state_dir/prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINELOADER=/usr/lib/wine/wine64
WINE=$WINELOADER
WINE32_LOADER=/usr/lib/wine/wine

# True when this machine can run 32-bit Windows programs: Wine's 32-bit loader
# is a 32-bit Linux program, and some kernels (or virtual machines) run none.
machine_runs_32bit() {
    [ -x "$WINE32_LOADER" ] && "$WINE32_LOADER" --version >/dev/null 2>&1
}

# The qemu-i386 version the kernel runs 32-bit programs with ("10.0.2"), or
# nothing where it runs them itself: qemu-user answers QEMU_VERSION.
qemu_running_32bit() {
    QEMU_VERSION=1 /lib/ld-linux.so.2 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9.]*\).*/\1/p' | head -n1
}
