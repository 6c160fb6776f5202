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
# given -1 goes; a registration makes the entry, holding the qemu file as it is now.
entry=$KIT_BINFMT_DIR/qemu-i386
if [ -f "$entry" ] && grep -qx -- -1 "$entry"; then
    rm -f "$entry" "$FAKE/held-qemu-version"
fi
if [ -s "$KIT_BINFMT_DIR/register" ]; then
    printf 'enabled\ninterpreter %s\nflags: %s\n' "$(cut -d: -f7 "$KIT_BINFMT_DIR/register")" \
        "$(cut -d: -f8 "$KIT_BINFMT_DIR/register")" >"$entry"
    cat "$FAKE/qemu-version" >"$FAKE/held-qemu-version"
    : >"$KIT_BINFMT_DIR/register"
fi

case ${0##*/} in
id) [ "$ROOT" = 1 ] && echo 0 || echo 1000 ;;
sudo) FAKE_SUDO=1 exec "$@" ;;
dpkg-query) grep -qx -- "${*: -1}" "$FAKE/installed" && printf 'install ok installed' ;;
dpkg)
    case $1 in
    --print-foreign-architectures) cat "$FAKE/architectures" 2>/dev/null ;;
    --add-architecture) echo "$2" >>"$FAKE/architectures" ;;
    esac ;;
apt-get)
    [ "$ROOT" = 1 ] || [ "${FAKE_SUDO:-}" = 1 ] ||
        { echo "E: Could not open lock file /var/lib/dpkg/lock-frontend - open (13: Permission denied)" >&2; exit 100; }
    [ "$NETWORK" = 1 ] ||
        { echo "E: Failed to fetch $mirror/dists/$RELEASE/InRelease  Temporary failure resolving 'mirror.example'" >&2; exit 100; }
    suite=$RELEASE
    while [ $# -gt 0 ]; do
        case $1 in
        -t) suite=$2; shift ;;
        -*|install|update) ;;
        qemu-user-static)
            qemu=$MAIN_QEMU
            [[ $suite == *-backports ]] && [ -e "$KIT_APT_DIR/sources.list.d/$suite.sources" ] && qemu=$BACKPORTS_QEMU
            echo "$qemu" >"$FAKE/qemu-version"
            ln -sf "$0" "$KIT_QEMU" ;;
        *) echo "$1" >>"$FAKE/installed" ;;
        esac
        shift
    done ;;
apt-cache)
    if [ "${2:-}" = qemu-user-static ]; then
        printf 'qemu-user-static:\n  Installed: (none)\n  Candidate: 1:%s+dfsg-7\n' "$MAIN_QEMU"
    else
        printf 'Package files:\n 100 /var/lib/dpkg/status\n     release a=now\n'
        for source in "https://download.docker.com/linux/debian $RELEASE/stable" "$mirror $RELEASE-updates/main" \
            "$mirror $RELEASE/main"; do
            printf ' 500 %s amd64 Packages\n     origin %s\n' "$source" "${source%% *}"
        done
    fi ;;
mount) [ "$MOUNT" = ok ] && touch "$KIT_BINFMT_DIR/register" || { echo "mount: permission denied" >&2; exit 32; } ;;
qemu-i386-static) echo "qemu-i386 version $(cat "$FAKE/qemu-version") (Debian 1:$(cat "$FAKE/qemu-version")+ds)" ;;
wine) # Wine's 32-bit loader: run by the qemu an entry holds, else by the kernel, or not at all
    held=$(cat "$FAKE/held-qemu-version" 2>/dev/null)
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
