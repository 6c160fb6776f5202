#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools on Debian, and makes
# sure 32-bit programs run: the kit's programs are 32-bit, and Wine's 32-bit
# loader is a 32-bit Linux program, which some kernels refuse. There qemu's
# user-mode emulator (8 or later) is registered as their interpreter.
#   scripts/setup.sh [EXTRA-PACKAGE...]   (what a script needs besides)
# Says in one line what it did or why it stopped; silent, and without apt,
# when everything is in place. Not root, it installs through sudo.
# Exit codes: 0 ready; 1 something could not be installed; 3 everything is
# installed, but this machine cannot run 32-bit programs.
# Its fixed paths can be moved for a test: KIT_APT_DIR, KIT_OS_RELEASE,
# KIT_QEMU, KIT_BINFMT_DIR and KIT_32BIT_LOADER.
here=$(dirname "$0")
# shellcheck source=../wine-harness/strict.sh
. "$here/../wine-harness/strict.sh"
# shellcheck source=../wine-harness/machine.sh
. "$here/../wine-harness/machine.sh"

packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64 xvfb googletest cmake
    imagemagick osslsigncode openssl nsis wixl msitools "$@")
apt_dir=${KIT_APT_DIR:-/etc/apt}
os_release=${KIT_OS_RELEASE:-/etc/os-release}
qemu=${KIT_QEMU:-/usr/bin/qemu-i386-static}
binfmt=${KIT_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}
entry=$binfmt/qemu-i386
# qemu releases before 8 take about 50 s of CPU for each 32-bit Wine process.
qemu_least_major=8
again="then run scripts/setup.sh again"

say() { echo "setup: $*" >&2; }
stop() { # EXIT-CODE LINE...
    local code=$1
    shift
    for line in "$@"; do say "$line"; done
    exit "$code"
}
is_root() { [ "$(id -u)" = 0 ]; }
# True for a qemu version ("10.0.2") of at least the least major version.
new_enough() { [ "${1%%.*}" -ge $qemu_least_major ] 2>/dev/null; }

# Runs a command as root, quietly: itself when root, else through sudo
# (which would drop DEBIAN_FRONTEND from the environment).
as_root() {
    if is_root; then
        quietly env DEBIAN_FRONTEND=noninteractive "$@"
    elif command -v sudo >/dev/null; then
        quietly sudo env DEBIAN_FRONTEND=noninteractive "$@"
    else
        stop 1 "cannot install: not root, and there is no sudo here; run as root: bash scripts/setup.sh"
    fi
}
apt() { as_root apt-get -q -y "$@"; }
could_not_install() { # WHAT
    stop 1 "could not install $1 (apt's message is above: no network, or no such package here?); $again"
}

# ---- packages ----------------------------------------------------------------
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386 || could_not_install "the i386 architecture"
    fi
    apt update || could_not_install "${missing[*]}"
    apt install --no-install-recommends "${missing[@]}" || could_not_install "${missing[*]}"
fi

# ---- 32-bit programs ---------------------------------------------------------
# A qemu-user-static of at least the least major version at $qemu: from the
# release's own suite where it is new enough, else from its backports suite,
# added to apt's sources (from the mirror that serves the release) if missing.
# Nothing half-done: a suite added here that did not give one goes again.
install_qemu() {
    local release candidate mirror version added=""
    new_enough "$(qemu_i386_version "$qemu")" && return 0
    release=$(. "$os_release" 2>/dev/null && [ "${ID:-}" = debian ] && echo "${VERSION_CODENAME:-}") || true
    [ -n "$release" ] || stop 1 "this is not a Debian release this script knows, so it cannot install qemu-user-static" \
        "install a qemu-user-static of version $qemu_least_major or later, register it for i386 with binfmt_misc, $again"
    apt update || could_not_install qemu-user-static
    candidate=$(apt-cache policy qemu-user-static | sed -n 's/^ *Candidate: \([0-9]*:\)\{0,1\}//p')
    if new_enough "$candidate"; then
        apt install --no-install-recommends qemu-user-static || could_not_install qemu-user-static
    else
        # The release's own qemu is too slow here; its backports suite has a usable one.
        local backports=$release-backports
        if ! grep -rqsE "^[^#]*[[:space:]]$backports([[:space:]]|$)" "$apt_dir/sources.list" "$apt_dir/sources.list.d"; then
            mirror=$(apt-cache policy | awk -v suite="$release/main" '!found && $1 ~ /^[0-9]+$/ && $3 == suite { print $2; found = 1 }')
            [ -n "$mirror" ] || stop 1 "apt's configuration names no mirror for $release/main, so $backports cannot be added" \
                "add $backports to apt's sources, $again"
            added=$apt_dir/sources.list.d/$backports.sources
            printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' "$mirror" "$backports" \
                /usr/share/keyrings/debian-archive-keyring.gpg >"$added"
        fi
        if ! apt update || ! apt install --no-install-recommends -t "$backports" qemu-user-static; then
            [ -z "$added" ] || rm -f "$added"
            could_not_install "qemu-user-static from $backports"
        fi
    fi
    version=$(qemu_i386_version "$qemu")
    if ! new_enough "$version"; then
        [ -z "$added" ] || rm -f "$added"
        stop 3 "this machine cannot run 32-bit programs: apt offers qemu-user-static ${version:-(none)}, and $qemu_least_major or later is needed" \
            "install a qemu-user-static of version $qemu_least_major or later, $again"
    fi
    [ -z "$added" ] || say "added $backports to apt's sources, from $mirror, the mirror of $release/main"
}

# Mounts binfmt_misc where needed and registers $qemu as the interpreter of
# 32-bit x86 executables and shared objects. Flag F: the kernel opens the
# interpreter now, so it runs in any mount namespace or chroot, and keeps
# running that file after an upgrade replaces it.
register_qemu() {
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
            stop 3 "this machine cannot run 32-bit programs: binfmt_misc cannot be mounted here (a container without the right to mount?)" \
                "on the host, as root: mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc, $again"
    fi
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        2>/dev/null >"$binfmt/register" ||
        stop 3 "this machine cannot run 32-bit programs: binfmt_misc refused the qemu-i386 entry" \
            "check that $binfmt/status says enabled, $again"
    machine_runs_32bit ||
        stop 3 "this machine cannot run 32-bit programs: Wine's 32-bit loader does not start through qemu $(qemu_i386_version "$qemu")" \
            "try: $WINE32_LOADER --version"
}

needs_root() { # REASON
    stop 3 "this machine cannot run 32-bit programs: $1, and only root can register qemu as their interpreter" \
        "run as root: sudo bash scripts/setup.sh"
}

if [ -e "$entry" ]; then
    # The qemu the entry runs (the file it was registered with, which an
    # upgrade may have replaced since) must be the installed one, and new enough.
    running=$(qemu_i386_version)
    if grep -qx "interpreter $qemu" "$entry" && grep -q '^flags:.*F' "$entry" &&
        [ "$running" = "$(qemu_i386_version "$qemu")" ] && new_enough "$running" &&
        machine_runs_32bit; then
        exit 0
    fi
    if ! is_root; then
        if machine_runs_32bit && new_enough "$running"; then
            say "warning: 32-bit programs run through qemu $running, which is no longer the installed $qemu; as root, this script registers the installed one"
            exit 0
        fi
        needs_root "its qemu-i386 entry in binfmt_misc runs qemu ${running:-(none)}, $qemu_least_major or later is needed"
    fi
    install_qemu
    echo -1 >"$entry"
    register_qemu
    say "replaced the stale qemu-i386 entry in binfmt_misc (qemu ${running:-gone}) with qemu $(qemu_i386_version); Wine's 32-bit loader runs"
    exit 0
fi
machine_runs_32bit && exit 0
is_root || needs_root "the kernel refuses them"
install_qemu
register_qemu
say "the kernel runs no 32-bit program: registered qemu-i386 $(qemu_i386_version) with binfmt_misc; Wine's 32-bit loader runs"
