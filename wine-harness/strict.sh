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
