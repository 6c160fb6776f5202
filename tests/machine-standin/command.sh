#!/usr/bin/env bash
# Stands in for every system command scripts/setup.sh runs, linked under each
# command's name, playing the Debian machine that $FAKE/machine describes:
# whether it is root, has sudo and network, runs 32-bit programs itself,
# which qemu apt offers. Each call is appended to $FAKE/calls. The kernel's
# side lives where KIT_BINFMT_DIR, KIT_QEMU and KIT_32BIT_LOADER say.
set -u
# shellcheck disable=SC1091
. "$FAKE/machine"
echo "${0##*/} $*" >>"$FAKE/calls"
mirror=http://mirror.example/debian

# What the kernel does with what was written to binfmt_misc since: an entry
# given -1 goes; a registration makes its entry, holding the qemu file as it
# is now, unless the name is taken. The newest entry is the one tried first.
for entry in "$KIT_BINFMT_DIR"/qemu-*; do
    ! grep -qx -- -1 "$entry" 2>/dev/null || rm -f "$entry"
done
if [ -f "$KIT_BINFMT_DIR/register" ] && [ -s "$KIT_BINFMT_DIR/register" ]; then
    entry=$KIT_BINFMT_DIR/$(cut -d: -f2 "$KIT_BINFMT_DIR/register")
    [ -e "$entry" ] || printf 'enabled\ninterpreter %s\nflags: %s\nheld %s\norder %s\n' \
        "$(cut -d: -f7 "$KIT_BINFMT_DIR/register")" "$(cut -d: -f8 "$KIT_BINFMT_DIR/register")" \
        "$(cat "$FAKE/qemu-version")" "$(date +%s%N)" >"$entry"
    : >"$KIT_BINFMT_DIR/register"
fi
held() { cat "$KIT_BINFMT_DIR"/qemu-* 2>/dev/null | awk '$1 == "order" && $2 > o { o = $2; v = h } $1 == "held" { h = $2 } END { print v }'; }
# A backports suite that apt reads: a source not set aside that names it.
backports_read() {
    for file in "$KIT_APT_DIR"/sources.list.d/*.sources; do
        grep -qsE "^Suites:.*$RELEASE-backports" "$file" && ! grep -qs '^Enabled: no' "$file" && return 0
    done
    grep -qsE "^deb .* $RELEASE-backports" "$KIT_APT_DIR/sources.list" "$KIT_APT_DIR"/sources.list.d/*.list
}
# Only through its proxy, where the machine has one; sudo forgets it.
online() { [ "$NETWORK" = 1 ] || { [ "$NETWORK" = proxy ] && [ -n "${http_proxy:-}" ]; }; }

case ${0##*/} in
id) [ "$ROOT" = 1 ] && echo 0 || echo 1000 ;;
sudo)
    if [ "$SUDO" = password ]; then
        [ "$1" = -n ] && { echo "sudo: a password is required" >&2; exit 1; }
        { : </dev/tty; } 2>/dev/null || { echo "sudo: a terminal is required to read the password" >&2; exit 1; }
    fi
    [ "$1" != -n ] || shift
    unset http_proxy https_proxy
    FAKE_SUDO=1 exec "$@" ;;
dpkg-query) grep -qx -- "${*: -1}" "$FAKE/installed" && printf 'install ok installed' ;;
dpkg)
    case $1 in
    --print-foreign-architectures) cat "$FAKE/architectures" 2>/dev/null ;;
    --add-architecture) echo "$2" >>"$FAKE/architectures" ;;
    esac ;;
apt-get)
    [ "$ROOT" = 1 ] || [ "${FAKE_SUDO:-}" = 1 ] ||
        { echo "E: Could not open lock file /var/lib/dpkg/lock-frontend - open (13: Permission denied)" >&2; exit 100; }
    if ! online; then
        echo "W: Failed to fetch $mirror/dists/$RELEASE/InRelease  Temporary failure resolving 'mirror.example'" >&2
        echo "W: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        [[ " $* " == *" update "* ]] || { echo "E: Unable to locate package ${*: -1}" >&2; exit 100; }
        exit 0
    fi
    suite=$RELEASE
    while [ $# -gt 0 ]; do
        case $1 in
        -t) suite=$2; shift
            [[ $suite != *-backports ]] || backports_read || { echo "E: The value '$suite' is invalid for" \
                "APT::Default-Release as such a release is not available in the sources" >&2; exit 100; } ;;
        -*|install|update) ;;
        qemu-user-static)
            qemu=$MAIN_QEMU
            [[ $suite != *-backports ]] || qemu=$BACKPORTS_QEMU
            [ "$INTERRUPT" = 0 ] || kill -INT 0 # Ctrl-C, to the whole of the set-up
            echo "$qemu" >"$FAKE/qemu-version"
            ln -sf "$0" "$KIT_QEMU" ;;
        *) echo "$1" >>"$FAKE/installed" ;;
        esac
        shift
    done ;;
apt-cache)
    if [ "${2:-}" = qemu-user-static ]; then
        candidate=Candidate
        [ "$LOCALE" != de ] || [ "${LC_ALL:-}" = C ] || candidate=Installationskandidat
        printf 'qemu-user-static:\n  Installed: (none)\n  %s: 1:%s+dfsg-7\n' "$candidate" "$MAIN_QEMU"
    else
        # As apt lists them: the file read last first (a vendor's, on the same suite).
        printf 'Package files:\n 100 /var/lib/dpkg/status\n     release a=now\n'
        sources=("https://download.docker.com/linux/debian $RELEASE/stable Docker" "$mirror $RELEASE-updates/main Debian"
            "$mirror $RELEASE/main Debian")
        [ "$VENDOR" = 0 ] || sources=("https://apt.vendor.example $RELEASE/main Vendor" "${sources[@]}")
        ! backports_read || sources=("$mirror $RELEASE-backports/main Debian" "${sources[@]}")
        for source in "${sources[@]}"; do
            read -r url suite origin <<<"$source"
            printf ' 500 %s %s amd64 Packages\n     release o=%s,n=%s,c=%s\n     origin %s\n' "$url" "$suite" \
                "$origin" "${suite%%/*}" "${suite##*/}" "${url#https://}"
        done
    fi ;;
mount) [ "$MOUNT" = ok ] && touch "$KIT_BINFMT_DIR/register" || { echo "mount: permission denied" >&2; exit 32; } ;;
qemu-i386-static) echo "qemu-i386 version $(cat "$FAKE/qemu-version") (Debian 1:$(cat "$FAKE/qemu-version")+ds)" ;;
wine) # Wine's 32-bit loader: run by the qemu an entry holds, else by the kernel, or not at all
    held=$(held)
    if [ -n "$held" ] && [ -n "${QEMU_VERSION:-}" ]; then
        echo "qemu-i386 version $held"
    elif [ -z "$held" ] && [ "$NATIVE" != 1 ]; then
        echo "${0##*/}: cannot execute binary file: Exec format error" >&2; exit 126
    elif [ "${1:-}" = --version ]; then
        echo wine-8.0
    else
        echo "Usage: wine PROGRAM [ARGUMENTS...]" >&2; exit 1
    fi ;;
*) echo "no stand-in for ${0##*/}" >&2; exit 127 ;;
esac
