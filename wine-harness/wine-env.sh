#!/usr/bin/env bash
# Starts or stops the headless display and the Wine server that one test run
# (or one run of the kit) uses, in a private Wine prefix under STATE_DIR.
#   wine-env.sh start STATE_DIR [DISPLAY]
#   wine-env.sh stop STATE_DIR
# KIT_DESKTOP_HOLDER may name HoldDesktop.exe, which start then runs.
# Given a DISPLAY (a person's own screen), no Xvfb is started.
# Only the Xvfb and wineserver started here are stopped, by pid and by prefix.
# session.env records the display, whether 32-bit programs can run here, and
# the qemu that runs them where the kernel does not.
here=$(dirname "$(readlink -f "$0")")
# shellcheck source=strict.sh
. "$here/strict.sh"

action=${1:?start or stop}
state_dir=${2:?state directory}
given_display=${3:-}
mkdir -p "$state_dir"
state_dir=$(cd "$state_dir" && pwd)
state_file=$state_dir/session.env

# shellcheck source=wine-common.sh
. "$here/wine-common.sh"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The run that started the session (the process that ran `start`) owns it
# until it stops it: another run's start or stop leaves it alone.
owner_file=$state_dir/owner
another_owner() {
    local owner=""
    [ -f "$owner_file" ] && read -r owner <"$owner_file" || return 1
    [ "$owner" != "$PPID" ] && kill -0 "$owner" 2>/dev/null && echo "$owner"
}

stop() {
    if owner=$(another_owner); then
        echo "wine-env: $state_dir belongs to a run still going on (process $owner); left as it is" >&2
        return 0
    fi
    # Whatever still runs in this prefix (a run killed half-way leaves its
    # programs) is ended with the prefix's own server, session file or not.
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    [ -f "$state_file" ] || return 0
    # shellcheck disable=SC1090
    . "$state_file"
    if [ -n "${XVFB_PID:-}" ] && [ -r "/proc/$XVFB_PID/cmdline" ] &&
        tr '\0' ' ' <"/proc/$XVFB_PID/cmdline" | grep -q "^Xvfb "; then
        kill "$XVFB_PID" 2>/dev/null || true
        for _ in $(seq 50); do [ -d "/proc/$XVFB_PID" ] || break; sleep 0.1; done
    fi
    rm -f "$state_file" "$owner_file"
}

start() {
    if owner=$(another_owner); then
        echo "wine-env: another run uses $state_dir (process $owner: $(tr '\0' ' ' </proc/"$owner"/cmdline 2>/dev/null))," \
            "and would fail if its Wine and display stopped; wait for it to end, or end it" >&2
        exit 1
    fi
    stop # an interrupted run may have left its own session behind
    echo "$PPID" >"$owner_file"
    local runs_32bit=1
    if ! machine_runs_32bit; then
        runs_32bit=0
        # Under CI the 32-bit lane, which tests what ships, must run.
        if [ "${CI:-}" = true ]; then
            echo "FAILED: this machine cannot run 32-bit programs, so the 32-bit lane cannot run" \
                "(scripts/setup.sh, as root, registers qemu-user to run them)" >&2
            exit 1
        fi
    fi
    if [ -n "$given_display" ]; then
        export DISPLAY=$given_display
        printf 'XVFB_PID=\nexport DISPLAY=%s\n' "$DISPLAY" >"$state_file"
    else
        local display_file=$state_dir/display xvfb_log=$state_dir/xvfb.log
        rm -f "$display_file"
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" </dev/null >"$xvfb_log" 2>&1 &
        local xvfb_pid=$!
        # Until it names its display, or ends (its own words say why).
        for _ in $(seq 100); do [ -s "$display_file" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break; sleep 0.1; done
        if [ ! -s "$display_file" ]; then
            kill "$xvfb_pid" 2>/dev/null || true
            echo "wine-env: Xvfb did not start; it said:" >&2
            tail -n 5 "$xvfb_log" | sed 's/^/    /' >&2
            rm -f "$owner_file"
            exit 1
        fi
        export DISPLAY=:$(tr -d '\n' <"$display_file")
        printf 'XVFB_PID=%s\nexport DISPLAY=%s\n' "$xvfb_pid" "$DISPLAY" >"$state_file"
    fi
    echo "KIT_RUNS_32BIT=$runs_32bit" >>"$state_file"
    echo "KIT_32BIT_EMULATED_BY=$(qemu_i386_version)" >>"$state_file"
    [ "$runs_32bit" = 1 ] || echo "wine-env: this machine cannot run 32-bit programs, so Wine runs no 32-bit" \
        "Windows program here: the 32-bit tests are skipped (scripts/setup.sh, as root, registers qemu-user" \
        "to run them)" >&2

    # A prefix from before the harness ran 64-bit Windows is made anew.
    if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q '^#arch=win64' "$WINEPREFIX/system.reg"; then
        rm -rf "$WINEPREFIX"
    fi

    mkdir -p "$WINEPREFIX"
    quietly wineserver -p
    if [ ! -f "$WINEPREFIX/.kit-ready" ]; then
        quietly "$WINE" wineboot -i
        # A virtual desktop spares Wine's two-second wait for a window manager
        # on every window shown or closed.
        cat >"$state_dir/prefix-settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
        quietly "$WINE" regedit /S "Z:${state_dir//\//\\}\\prefix-settings.reg"
        # The desktop that prefix creation started predates the setting:
        # restart this prefix's server so that the next start uses it.
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
        quietly wineserver -p
        touch "$WINEPREFIX/.kit-ready"
    fi
    # Start the prefix's services and desktop here, with no pipes of the
    # caller open: started by the first test instead, they would hold CTest's.
    quietly "$WINE" wineboot
    # A program that keeps the desktop in use until the server ends it (see
    # it for why), where the caller names one; it must hold the desktop
    # before the first test starts.
    if [ -n "${KIT_DESKTOP_HOLDER:-}" ] && [ "$runs_32bit" = 1 ]; then
        local held=$state_dir/desktop-held
        rm -f "$held"
        "$WINE" "$KIT_DESKTOP_HOLDER" "Z:${held//\//\\}" </dev/null >/dev/null 2>&1 &
        for _ in $(seq 300); do [ -e "$held" ] && break; sleep 0.1; done
        [ -e "$held" ] || { echo "wine-env: $KIT_DESKTOP_HOLDER did not take the desktop" >&2; exit 1; }
    fi
}

case $action in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop STATE_DIR" >&2; exit 2 ;;
esac
