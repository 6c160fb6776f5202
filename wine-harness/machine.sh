# Sourced by scripts/setup.sh and wine-common.sh: what this machine does with
# 32-bit programs. Wine's 32-bit loader is a 32-bit Linux program, and some
# kernels (or virtual machines) run none; qemu-user can run them there.
WINE32_LOADER=/usr/lib/wine/wine

# True when this machine can run 32-bit Windows programs.
machine_runs_32bit() {
    [ -x "$WINE32_LOADER" ] && "$WINE32_LOADER" --version >/dev/null 2>&1
}

# The version ("10.0.2") of the qemu-i386 at the path given; given none, of
# the qemu the kernel runs 32-bit programs with (qemu-user answers
# QEMU_VERSION), or nothing where the kernel runs them itself.
qemu_i386_version() {
    if [ -n "${1:-}" ]; then
        "$1" --version 2>/dev/null
    else
        QEMU_VERSION=1 /lib/ld-linux.so.2 2>/dev/null
    fi | sed -n 's/^qemu-i386 version \([0-9.]*\).*/\1/p' | head -n1
}
