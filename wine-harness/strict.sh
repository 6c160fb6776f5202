# Sourced first by every script of the kit: strict mode, and a command that
# fails unexpectedly is named, with its line and exit code, before the
# script stops (set -e alone stops without a word).
set -Eeuo pipefail
kit_report_failure() { # STATUS LINE COMMAND
    local command=$3
    # For a function that returned a failure, the line that called it.
    if [[ $command == return* ]] && [ -f "$0" ]; then
        command=$(sed -n "${2}s/^[[:space:]]*//p" "$0")
    fi
    echo "${0##*/}: line $2: \"$command\" failed with exit code $1" >&2
}
trap 'kit_report_failure $? "$LINENO" "$BASH_COMMAND"' ERR

# Runs a step with its output set aside, so that it stays quiet and holds no
# caller's pipe; when the step fails, its own message (Wine's, apt's) is shown.
quietly() {
    local out status=0
    out=$(mktemp)
    "$@" </dev/null >"$out" 2>&1 || status=$?
    if [ "$status" != 0 ]; then
        echo "${0##*/}: \"$*\" failed with exit code $status; it said:" >&2
        tail -n 15 "$out" | sed 's/^/    /' >&2
    fi
    rm -f "$out"
    return "$status"
}

# Ctrl-C (INT) or TERM ends a script at once with 130, ending the command it
# waits for through `interruptibly`, and its EXIT trap cleans up. A command
# waited for in the foreground would hold the signal until it ended, and one
# in its own process group (timeout) never sees Ctrl-C.
kit_child=""
kit_interrupted() {
    [ -z "$kit_child" ] || kill -TERM "$kit_child" 2>/dev/null || true
    echo "${0##*/}: interrupted" >&2
    exit 130
}
trap kit_interrupted INT TERM
interruptibly() {
    local status=0
    "$@" &
    kit_child=$!
    wait "$kit_child" || status=$?
    kit_child=""
    return "$status"
}
