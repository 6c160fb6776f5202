#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools on Debian 12, as root,
# and makes sure 32-bit programs run: the kit's programs are 32-bit, and
# Wine's 32-bit loader is a 32-bit Linux program, which some kernels refuse.
# There qemu's user-mode emulator is registered as their interpreter.
# Quiet and quick when everything is already in place.
# Exit codes: 0 ready; 1 something could not be installed; 3 everything is
# installed, but this machine still cannot run 32-bit programs (the reason is
# on standard error).
set -euo pipefail

packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64 xvfb googletest cmake imagemagick osslsigncode openssl nsis)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq >/dev/null
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# ---- 32-bit programs -------------------------------------------------------
# shellcheck source=../wine-harness/machine.sh
. "$(dirname "$0")/../wine-harness/machine.sh"
qemu=/usr/bin/qemu-i386-static
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
# qemu releases before 8 take about 50 s of CPU for each 32-bit Wine process.
qemu_least_major=8

cannot() { # REASON WHAT-TO-RUN
    echo "setup: this machine cannot run 32-bit programs: $1" >&2
    echo "setup: $2" >&2
    exit 3
}

# An interpreter entry that no longer runs the installed qemu (flag F keeps
# the file it was registered with open, so an upgrade leaves it behind) is
# removed, and registered again below.
if [ -e "$entry" ]; then
    if ! grep -qx "interpreter $qemu" "$entry" || ! grep -q '^flags:.*F' "$entry" ||
        [ "$(qemu_i386_version)" != "$(qemu_i386_version "$qemu")" ]; then
        [ -w "$entry" ] || cannot "its qemu-i386 entry in binfmt_misc is stale, and only root can replace it" \
            "run as root: sudo bash scripts/setup.sh"
        echo -1 >"$entry"
        echo "setup: removed a stale qemu-i386 entry from binfmt_misc" >&2
    fi
fi
machine_runs_32bit && exit 0

# The kernel runs no 32-bit program: have qemu-user run them.
[ "$(id -u)" -eq 0 ] || cannot "the kernel refuses them, and registering qemu as their interpreter needs root" \
    "run as root: sudo bash scripts/setup.sh"
qemu_major=$(qemu_i386_version "$qemu" | cut -d. -f1)
if [ "${qemu_major:-0}" -lt $qemu_least_major ]; then
    # bookworm's own qemu (7.2) is far too slow here; backports has a usable one.
    sources=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
    if ! grep -qs '^[^#]*bookworm-backports' "${sources[@]}"; then
        # The mirror this machine's Debian comes from.
        mirror=$(grep -hsE '^(URIs:|deb) ' "${sources[@]}" | grep -oE 'https?://[^ ]*/debian/?( |$)' | head -n1 | tr -d ' ')
        cat >/etc/apt/sources.list.d/bookworm-backports.sources <<EOF
Types: deb
URIs: ${mirror:-http://deb.debian.org/debian}
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
    apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -t bookworm-backports \
        qemu-user-static >/dev/null
    qemu_major=$(qemu_i386_version "$qemu" | cut -d. -f1)
    [ "${qemu_major:-0}" -ge $qemu_least_major ] ||
        cannot "bookworm-backports offers qemu-user-static $(qemu_i386_version "$qemu"), and $qemu_least_major or later is needed" \
            "install a qemu-user-static of version $qemu_least_major or later, then run this script again"
fi
if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
        cannot "binfmt_misc cannot be mounted here (a container without the right to mount?)" \
            "on the host, as root: mount -t binfmt_misc binfmt_misc $binfmt, then run this script again"
fi
if [ ! -e "$entry" ]; then
    # 32-bit x86 ELF executables and shared objects; flag F: the kernel opens
    # the interpreter now, so it runs in any mount namespace or chroot.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        >"$binfmt/register" 2>/dev/null ||
        cannot "binfmt_misc refused the qemu-i386 entry" \
            "check $binfmt/status is 'enabled', then run this script again"
fi
machine_runs_32bit || cannot "Wine's 32-bit loader still does not start through qemu $(qemu_i386_version "$qemu")" \
    "try: $WINE32_LOADER --version"
echo "setup: the kernel runs no 32-bit program; registered qemu-i386 $(qemu_i386_version) with binfmt_misc, and Wine's 32-bit loader now runs" >&2
