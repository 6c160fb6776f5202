# Sourced by scripts/setup.sh and wine-common.sh: what this machine does with
# 32-bit programs. Wine's 32-bit loader is a 32-bit Linux program, and some
# kernels (or virtual machines) run none; qemu-user can run them there.
# KIT_32BIT_LOADER names another loader (the set-up's tests use a stand-in).
WINE32_LOADER=${KIT_32BIT_LOADER:-/usr/lib/wine/wine}

# True when this machine can run 32-bit Windows programs.
machine_runs_32bit() {
    [ -x "$WINE32_LOADER" ] && "$WINE32_LOADER" --version >/dev/null 2>&1
}

# The version ("10.0.2") of the qemu-i386 at the path given; given none, of
# the qemu the kernel runs 32-bit programs with (qemu-user answers
# QEMU_VERSION itself, whatever it runs), or nothing where the kernel runs
# them itself, or nothing runs them. Never fails.
qemu_i386_version() {
    local said=""
    if [ -n "${1:-}" ]; then
        said=$("$1" --version 2>/dev/null) || true
    elif [ -x "$WINE32_LOADER" ]; then
        said=$(QEMU_VERSION=1 "$WINE32_LOADER" 2>/dev/null) || true
    fi
    sed -n 's/^qemu-i386 version \([0-9.]*\).*/\1/p;T;q' <<<"$said"
}
