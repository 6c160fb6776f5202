#!/usr/bin/env bash
# scripts/setup.sh on every kind of machine it meets, each played by the
# machine stand-in (no root, Wine or network needed): its exit code, what it
# says, a backports suite only from the machine's own Debian mirror and
# never left behind by a failed run, and a second run that is silent and
# calls no apt.
#   setup_script_tests.sh SOURCE_DIR SCRATCH_DIR
. "$(dirname "$0")/../wine-harness/strict.sh"
source_dir=$(cd "${1:?source dir}" && pwd)
scratch=${2:?scratch dir}
stub=$source_dir/tests/machine-standin/command.sh
mirror=http://mirror.example/debian

# Exit | what it says (a regex over its output; empty: says nothing) | machine | how it differs from
# a bookworm machine whose kernel runs 32-bit programs, with all packages, sudo and network, not root.
rows=(
    "0||kernel runs 32-bit programs|"
    "0||qemu 10 already registered|NATIVE=0 QEMU=10.0.2 ENTRY=10.0.2"
    "0|registered qemu-i386 10.0.2.*|fresh: no qemu, deb822 sources only, a vendor on bookworm/main|ROOT=1 NATIVE=0 PACKAGES= MOUNTED=0 VENDOR=1"
    "0|registered qemu-i386 10.0.2|fresh: one-line sources.list|ROOT=1 NATIVE=0 PACKAGES= MOUNTED=0 SOURCES=one-line"
    "0|registered qemu-i386 10.0.2|bookworm's qemu 7.2 installed, backports sources set aside|ROOT=1 NATIVE=0 QEMU=7.2.1 SET_ASIDE=1"
    "0|replaced .*qemu 7.2.1.* with qemu 10.0.2|bookworm's qemu 7.2 registered|ROOT=1 NATIVE=0 QEMU=7.2.1 ENTRY=7.2.1"
    "0|replaced the stale .*qemu 10.0.1.* with qemu 10.0.2|stale entry after an upgrade, as root|ROOT=1 NATIVE=0 QEMU=10.0.2 ENTRY=10.0.1"
    "0|warning: .*qemu 10.0.1|stale entry, not root, 32-bit programs still run|NATIVE=0 QEMU=10.0.2 ENTRY=10.0.1"
    "3|only root can .* run as root: sudo bash scripts/setup.sh|not root, kernel refuses|NATIVE=0"
    "1|not root, and there is no sudo here; run as root|not root, no sudo|SUDO=0 PACKAGES="
    "3|binfmt_misc cannot be mounted .* on the host|binfmt_misc cannot be mounted|ROOT=1 NATIVE=0 QEMU=10.0.2 MOUNTED=0 MOUNT=refused"
    "1|Temporary failure resolving.*apt could not read its sources|no network|ROOT=1 NATIVE=0 NETWORK=0"
    "3|offers qemu-user-static 7.2.1, and 8 or later is needed|backports offers only qemu 7|ROOT=1 NATIVE=0 BACKPORTS_QEMU=7.2.1"
    "0|registered qemu-i386 10.0.2|Debian 13, whose own qemu is 10, in German|ROOT=1 NATIVE=0 RELEASE=trixie MAIN_QEMU=10.0.2 LOCALE=de BACKPORTS_QEMU=7.2.1"
    "0|registered qemu-i386 8.2.2|Ubuntu 24.04, whose own qemu is 8.2|ROOT=1 NATIVE=0 OS=ubuntu RELEASE=noble MAIN_QEMU=8.2.2"
    "0|installing|not root, the network only through a proxy|PACKAGES= NETWORK=proxy"
    "1|sudo asks for a password, and there is no terminal|not root, sudo wants a password|PACKAGES= SUDO=password"
    "3|run here only through qemu 7.2.1.*run as root|not root, bookworm's qemu 7.2 registered|NATIVE=0 QEMU=7.2.1 ENTRY=7.2.1"
    "130|interrupted, so .*kit-bookworm-backports.sources is taken out|Ctrl-C while apt installs qemu|ROOT=1 NATIVE=0 QEMU=7.2.1 INTERRUPT=1"
    "3|binfmt_misc refused a qemu-i386-kit entry|a container: qemu 7.2 registered, binfmt_misc read-only|ROOT=1 NATIVE=0 QEMU=7.2.1 ENTRY=7.2.1 BINFMT=ro"
)

# Builds the machine of one row in $FAKE.
make_machine() { # ASSIGNMENTS
    local ROOT=0 SUDO=1 NATIVE=1 PACKAGES=all QEMU="" ENTRY="" MOUNTED=1 MOUNT=ok NETWORK=1 SOURCES=deb822
    local RELEASE=bookworm MAIN_QEMU=7.2.1 BACKPORTS_QEMU=10.0.2 OS=debian LOCALE=C VENDOR=0 SET_ASIDE=0 BINFMT=rw INTERRUPT=0
    [ $# -eq 0 ] || local "$@"
    rm -rf "$FAKE" && mkdir -p "$FAKE"/{bin,apt/sources.list.d,binfmt,usr/bin,usr/lib/wine}
    printf '%s\n' "ROOT=$ROOT SUDO=$SUDO NATIVE=$NATIVE NETWORK=$NETWORK MOUNT=$MOUNT RELEASE=$RELEASE" \
        "MAIN_QEMU=$MAIN_QEMU BACKPORTS_QEMU=$BACKPORTS_QEMU LOCALE=$LOCALE VENDOR=$VENDOR INTERRUPT=$INTERRUPT" >"$FAKE/machine"
    printf 'ID=%s\nVERSION_CODENAME=%s\n' "$OS" "$RELEASE" >"$FAKE/os-release"
    if [ "$SET_ASIDE" = 1 ]; then # backports sources that apt does not read
        echo "deb $mirror $RELEASE-backports main" >"$FAKE/apt/sources.list.d/backports.list.disabled"
        printf 'Enabled: no\nURIs: %s\nSuites: %s-backports\n' "$mirror" "$RELEASE" >"$FAKE/apt/sources.list.d/old.sources"
    fi
    touch "$FAKE/installed"
    [ -z "$PACKAGES" ] || { printf '%s\n' "${packages[@]}" >"$FAKE/installed"; echo i386 >"$FAKE/architectures"; }
    if [ "$SOURCES" = one-line ]; then
        echo "deb $mirror $RELEASE main" >"$FAKE/apt/sources.list"
    else
        printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$mirror" "$RELEASE" >"$FAKE/apt/sources.list.d/debian.sources"
        echo "deb https://download.docker.com/linux/debian $RELEASE stable" >"$FAKE/apt/sources.list.d/docker.list"
    fi
    [ "$MOUNTED" = 0 ] || touch "$FAKE/binfmt/register"
    [ "$BINFMT" = rw ] || { rm -f "$FAKE/binfmt/register"; mkdir "$FAKE/binfmt/register"; } # no write gets through
    if [ -n "$QEMU" ]; then
        echo "$QEMU" >"$FAKE/qemu-version"
        ln -s "$stub" "$FAKE/usr/bin/qemu-i386-static"
    fi
    [ -z "$ENTRY" ] || printf 'enabled\ninterpreter %s\nflags: F\nheld %s\norder 1\n' "$FAKE/usr/bin/qemu-i386-static" \
        "$ENTRY" >"$FAKE/binfmt/qemu-i386"
    local commands=(id dpkg dpkg-query apt-get apt-cache mount)
    [ "$SUDO" = 0 ] || commands+=(sudo)
    for command in "${commands[@]}"; do ln -s "$stub" "$FAKE/bin/$command"; done
    ln -s "$stub" "$FAKE/usr/lib/wine/wine"
    # What the script and the stand-in need of the real system: no real sudo, apt or qemu.
    for tool in bash env sed grep awk cat rm mktemp tail dirname readlink ln touch cut date true; do ln -s "$(type -P "$tool")" "$FAKE/bin/$tool"; done
}

# With no terminal (sudo cannot ask for a password) and a proxy in the
# environment, which a machine with NETWORK=proxy needs.
run_setup() {
    setsid -w env -i PATH="$FAKE/bin" HOME="$FAKE" FAKE="$FAKE" http_proxy=http://proxy.example:3128 \
        KIT_APT_DIR="$FAKE/apt" KIT_OS_RELEASE="$FAKE/os-release" \
        KIT_QEMU="$FAKE/usr/bin/qemu-i386-static" KIT_BINFMT_DIR="$FAKE/binfmt" \
        KIT_32BIT_LOADER="$FAKE/usr/lib/wine/wine" bash "$source_dir/scripts/setup.sh" 2>&1
}

mapfile -t packages < <(sed -n '/^packages=(/,/)/p' "$source_dir/scripts/setup.sh" | tr ' ()' '\n\n\n' |
    grep -E '^[a-z0-9][a-z0-9.+:-]*$' | grep -v '^packages=')
failures=0
for n in "${!rows[@]}"; do
    IFS='|' read -r expected says machine knobs <<<"${rows[$n]}"
    FAKE=$scratch/$n
    # shellcheck disable=SC2086
    make_machine $knobs
    status=0
    output=$(run_setup) || status=$?
    problems=()
    [ "$status" = "$expected" ] || problems+=("exit code $status, not $expected")
    if [ -z "$says" ]; then
        [ -z "$output" ] || problems+=("it said something")
    elif ! tr '\n' ' ' <<<"$output" | grep -qE "$says"; then
        problems+=("it did not say /$says/")
    fi
    # Its outcome in one line, besides the notice that apt is at work.
    [ "$(grep '^setup: ' <<<"$output" | grep -vc '^setup: installing ')" -le 1 ] || problems+=("it said more than one line")
    [[ $knobs != *ENTRY=* ]] || grep -qs '^enabled' "$FAKE"/binfmt/qemu-* ||
        problems+=("the machine's qemu entry is gone")
    backports=$(find "$FAKE/apt" -name '*-backports.sources')
    if [ -n "$backports" ] && [ "$status" != 0 ]; then
        problems+=("a failed run left $backports")
    elif [ -n "$backports" ] && ! grep -qx "URIs: $mirror" "$backports"; then
        problems+=("the backports suite is not from the Debian mirror: $(grep URIs "$backports")")
    fi
    if [ "$status" = 0 ]; then
        rm -f "$FAKE/calls"
        again=$(run_setup) || problems+=("a second run failed")
        # Silent, but for a warning about what only root can change.
        [ -z "$again" ] || { [ "$again" = "$output" ] && [[ $output == *warning* ]]; } ||
            problems+=("a second run said: $again")
        ! grep -q '^apt' "$FAKE/calls" 2>/dev/null || problems+=("a second run called apt")
    fi
    if [ ${#problems[@]} -eq 0 ]; then
        echo "ok: $machine"
    else
        failures=$((failures + 1))
        echo "FAILED: $machine: $(IFS=';'; echo "${problems[*]}")"
        sed 's/^/    /' <<<"$output"
    fi
done
[ "$failures" = 0 ] || { echo "$failures kind(s) of machine failed"; exit 1; }
