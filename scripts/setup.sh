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
here=$(dirname "$(readlink -f "$0")")
# shellcheck source=../wine-harness/strict.sh
. "$here/../wine-harness/strict.sh"
# shellcheck source=../wine-harness/machine.sh
. "$here/../wine-harness/machine.sh"

packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64 xvfb googletest cmake make
    imagemagick osslsigncode openssl nsis wixl msitools nodejs "$@")
apt_dir=${KIT_APT_DIR:-/etc/apt}
os_release=${KIT_OS_RELEASE:-/etc/os-release}
qemu=${KIT_QEMU:-/usr/bin/qemu-i386-static}
binfmt=${KIT_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}
# qemu releases before 8 take about 50 s of CPU for each 32-bit Wine process.
qemu_least_major=8
again="then run scripts/setup.sh again"

# To the caller's stderr, also from a trap that fires while a step's output
# is set aside.
exec 9>&2
say() { echo "setup: $*" >&9; }
# Says in one line why it stopped and what to do, and takes back what it
# added to apt's sources.
stop() { # EXIT-CODE WHY [WHAT-TO-DO]
    forget_added
    say "$2${3:+; $3}"
    exit "$1"
}
added=""
forget_added() { [ -z "$added" ] || rm -f "$added"; added=""; }
interrupted() { stop 130 "interrupted${added:+, so $added is taken out of the apt sources again}"; }
trap interrupted INT TERM
is_root() { [ "$(id -u)" = 0 ]; }
# True for a qemu version ("10.0.2") of at least the least major version.
new_enough() { [ "${1%%.*}" -ge $qemu_least_major ] 2>/dev/null; }

# Runs a command as root: itself when root, else through sudo, whose
# env_reset would drop DEBIAN_FRONTEND and the proxy apt may need.
root_env=(DEBIAN_FRONTEND=noninteractive)
for name in http_proxy https_proxy ftp_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY NO_PROXY; do
    [ -z "${!name:-}" ] || root_env+=("$name=${!name}")
done
sudo_checked=""
can_act_as_root() {
    is_root || [ -n "$sudo_checked" ] && return
    command -v sudo >/dev/null || stop 1 "cannot install: not root, and there is no sudo here" "run as root: bash scripts/setup.sh"
    # A password asked for with no terminal to type it in fails, and would
    # read as apt's failure.
    sudo -n true 2>/dev/null || { : </dev/tty; } 2>/dev/null ||
        stop 1 "cannot install: sudo asks for a password, and there is no terminal to type it in" \
            "run scripts/setup.sh in a terminal, or as root"
    sudo_checked=1
}
# Callers see first that it can (can_act_as_root), outside any redirection.
as_root_loudly() {
    if is_root; then env "${root_env[@]}" "$@"; else sudo env "${root_env[@]}" "$@"; fi
}
as_root() { can_act_as_root && quietly as_root_loudly "$@"; }
apt() { as_root apt-get -q -y "$@"; }
apt_policy() { LC_ALL=C apt-cache policy "$@"; }
could_not_install() { # WHAT
    stop 1 "could not install $1 (apt's message is above: no such package here?)" "$again"
}
# apt-get update, which exits 0 when a source cannot be reached and only
# warns: any such warning stops here, with apt's words.
apt_update() {
    local out status=0
    can_act_as_root
    out=$(mktemp)
    as_root_loudly apt-get -q -y update </dev/null >"$out" 2>&1 || status=$?
    if [ "$status" != 0 ] || grep -qE '^(W: (Failed to fetch|Some index files failed)|E: )' "$out"; then
        grep -E '^[WE]: ' "$out" | tail -n 6 | sed 's/^/    /' >&2
        rm -f "$out"
        stop 1 "apt could not read its sources (its words are above: no network, or a proxy apt is not told of?)" "$again"
    fi
    rm -f "$out"
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
    apt_update
    apt install --no-install-recommends "${missing[@]}" || could_not_install "${missing[*]}"
fi

# ---- 32-bit programs ---------------------------------------------------------
# A qemu-user-static of at least the least major version at $qemu: from the
# release's own suite where it is new enough, else, on Debian, from its
# backports suite, added to apt's sources (from Debian's mirror of the
# release) where apt reads none. A run that stops short takes it out again.
install_qemu() {
    local release id candidate mirror version
    new_enough "$(qemu_i386_version "$qemu")" && return 0
    # shellcheck disable=SC1090 # the release's file, wherever a test puts it
    read -r id release <<<"$(. "$os_release" 2>/dev/null; echo "${ID:-unknown} ${VERSION_CODENAME:-}")"
    apt_update
    candidate=$(apt_policy qemu-user-static | sed -n 's/^ *Candidate: \([0-9]*:\)\{0,1\}//p')
    if new_enough "$candidate"; then
        apt install --no-install-recommends qemu-user-static || could_not_install qemu-user-static
    else
        # The release's own qemu is too slow here; Debian's backports suite has a usable one.
        [ "$id" = debian ] && [ -n "$release" ] ||
            stop 1 "apt offers qemu-user-static ${candidate:-(none)} on this $id release, and $qemu_least_major or later is needed" \
                "install a qemu-user-static of version $qemu_least_major or later, register it for i386 with binfmt_misc, $again"
        local backports=$release-backports
        # Whether apt reads the suite (a source set aside is not read).
        if ! apt_policy | awk -v suite="$backports/main" '$1 ~ /^[0-9]+$/ && $3 == suite { found = 1 } END { exit !found }'; then
            # The mirror of a line that Debian itself releases (a vendor's
            # repository may name the same suite).
            mirror=$(apt_policy | awk -v suite="$release/main" '
                $1 ~ /^[0-9]+$/ { url = ($3 == suite) ? $2 : ""; next }
                url != "" && $1 == "release" && $2 ~ /(^|,)o=Debian(,|$)/ { print url; exit }')
            [ -n "$mirror" ] || stop 1 "apt reads no Debian mirror for $release/main, so $backports cannot be added" \
                "add $backports to apt's sources, $again"
            added=$apt_dir/sources.list.d/kit-$backports.sources
            printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' "$mirror" "$backports" \
                /usr/share/keyrings/debian-archive-keyring.gpg >"$added"
            apt_update
        fi
        apt install --no-install-recommends -t "$backports" qemu-user-static ||
            could_not_install "qemu-user-static from $backports"
    fi
    version=$(qemu_i386_version "$qemu")
    if ! new_enough "$version"; then
        stop 3 "this machine cannot run 32-bit programs: apt offers qemu-user-static ${version:-(none)}, and $qemu_least_major or later is needed" \
            "install a qemu-user-static of version $qemu_least_major or later, $again"
    fi
    [ -z "$added" ] || from=" from $backports (added to apt's sources from $mirror, Debian's mirror of $release/main)"
}
from=""

# Mounts binfmt_misc where needed and registers $qemu under NAME as the
# interpreter of 32-bit x86 executables and shared objects, and makes sure
# Wine's 32-bit loader runs through it; a registration that does not run it
# goes again. Flag F: the kernel opens the interpreter now, so it runs in
# any mount namespace or chroot, and keeps running that file after an
# upgrade replaces it.
register_qemu() { # NAME
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
            stop 3 "this machine cannot run 32-bit programs: binfmt_misc cannot be mounted here (a container without the right to mount?)" \
                "on the host, as root: mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc, $again"
    fi
    printf '%s' ":$1"':M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        2>/dev/null >"$binfmt/register" ||
        stop 3 "this machine cannot run 32-bit programs: binfmt_misc refused a $1 entry (read-only here?)" \
            "check that $binfmt/status says enabled and that root may write $binfmt/register, $again"
    if ! machine_runs_32bit; then
        echo -1 2>/dev/null >"$binfmt/$1" || true
        stop 3 "this machine cannot run 32-bit programs: Wine's 32-bit loader does not start through qemu $(qemu_i386_version "$qemu")" \
            "try: $WINE32_LOADER --version"
    fi
}

needs_root() { # REASON
    stop 3 "this machine cannot run 32-bit programs: $1, and only root can register qemu as their interpreter" \
        "run as root: sudo bash scripts/setup.sh"
}

# The entry goes by one of two names, so that its successor is registered
# before it goes: the kernel tries the newest entry first, so a machine that
# runs 32-bit programs never stops running them, even when the new
# registration fails.
entry=$binfmt/qemu-i386 successor=qemu-i386-kit
[ ! -e "$binfmt/qemu-i386-kit" ] || { entry=$binfmt/qemu-i386-kit successor=qemu-i386; }
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
        machine_runs_32bit && stop 3 "32-bit programs run here only through qemu $running, far too slow for the kit ($qemu_least_major or later is needed), and only root can register a newer one" \
            "run as root: sudo bash scripts/setup.sh"
        needs_root "its ${entry##*/} entry in binfmt_misc runs qemu ${running:-(none)}, $qemu_least_major or later is needed"
    fi
    install_qemu
    [ ! -e "$binfmt/$successor" ] || echo -1 2>/dev/null >"$binfmt/$successor" || true
    register_qemu "$successor"
    kept=""
    echo -1 2>/dev/null >"$entry" || kept=" (the old entry stays, tried after the new one)"
    say "replaced the stale qemu-i386 entry in binfmt_misc (qemu ${running:-gone}) with qemu $(qemu_i386_version)$from$kept; Wine's 32-bit loader runs"
    exit 0
fi
machine_runs_32bit && exit 0
is_root || needs_root "the kernel refuses them"
install_qemu
register_qemu qemu-i386
say "the kernel runs no 32-bit program: registered qemu-i386 $(qemu_i386_version)$from with binfmt_misc; Wine's 32-bit loader runs"
