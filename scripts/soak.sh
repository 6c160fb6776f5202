#!/usr/bin/env bash
# Soak: the main job several times, each on a new Wine prefix, then a test
# suite run interrupted half-way followed by full suite runs; optionally
# with both cores kept busy. Prints pass counts and the slowest step of
# each kind. Not part of CI: it takes a quarter of an hour or more.
#
#   scripts/soak.sh [--load] [MAIN_RUNS] [SUITE_RUNS]     (defaults 10 and 3)
#   --load   keep every core busy with stress-ng while it runs
set -uo pipefail
cd "$(dirname "$0")/.."
load=""
if [ "${1:-}" = "--load" ]; then
    load=1
    shift
fi
main_runs=${1:-10}
suite_runs=${2:-3}
logs=build/mingw/soak
session=build/mingw/wine

bash scripts/setup.sh
if [ -n "$load" ] && ! command -v stress-ng >/dev/null; then
    echo "soak: installing stress-ng" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends stress-ng >/dev/null
fi
cmake --preset mingw >/dev/null && cmake --build --preset mingw >/dev/null || exit 1
rm -rf "$logs" && mkdir -p "$logs"

stress_pid=""
stop_load() {
    [ -n "$stress_pid" ] && kill "$stress_pid" 2>/dev/null && wait "$stress_pid" 2>/dev/null
    stress_pid=""
}
trap 'stop_load; wine-harness/wine-env.sh stop "$session"' EXIT
if [ -n "$load" ]; then
    stress-ng --cpu "$(nproc)" --timeout 6h --quiet &
    stress_pid=$!
    echo "soak: load on, stress-ng pid $stress_pid on $(nproc) cores"
fi

# The longest gap between two consecutive lines of a main-job report, with
# the line that ended it: "<seconds> <line>".
slowest_report_step() {
    awk -F'[][]' '/^\[ *[0-9.]+ s\]/ { t = $2 + 0; if (NR > 1 && t - last > gap) { gap = t - last; line = $0 } last = t }
        END { printf "%.2f s before: %s\n", gap, line }' "$1"
}

main_passed=0
for i in $(seq "$main_runs"); do
    rm -rf "$session/prefix"   # a new prefix, as on a new machine
    start=$(date +%s.%N)
    if timeout 600 bash scripts/run-kit.sh >"$logs/main-$i.log" 2>&1; then
        main_passed=$((main_passed + 1)); verdict=passed
    else
        verdict=FAILED
    fi
    printf 'main job %2d: %s in %5.1f s; slowest step %s\n' "$i" "$verdict" \
        "$(awk "BEGIN { print $(date +%s.%N) - $start }")" "$(slowest_report_step "$logs/main-$i.log")"
done

# A suite run killed half-way leaves its Wine session, programs and files
# behind; the runs after it must pass all the same.
echo "suite: a run interrupted after 60 s"
setsid ctest --preset mingw >"$logs/suite-interrupted.log" 2>&1 &
interrupted=$!
sleep 60
kill -TERM -- "-$interrupted" 2>/dev/null
wait "$interrupted" 2>/dev/null
echo "suite: interrupted at: $(grep -E '^ *Start ' "$logs/suite-interrupted.log" | tail -1 | sed 's/^ *//')"

suite_passed=0
for i in $(seq "$suite_runs"); do
    start=$(date +%s.%N)
    if timeout 1800 ctest --preset mingw >"$logs/suite-$i.log" 2>&1; then
        suite_passed=$((suite_passed + 1)); verdict=passed
    else
        verdict=FAILED
    fi
    slowest=$(grep -E 'Test +#' "$logs/suite-$i.log" | grep -v harness |
        sed -E 's/.*Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/' | sort -rn | awk 'NR == 1 { print $2 " (" $1 " s)" }')
    printf 'suite %d (after the interrupted run): %s in %5.1f s; %s; slowest test %s\n' "$i" "$verdict" \
        "$(awk "BEGIN { print $(date +%s.%N) - $start }")" "$(grep -E 'tests passed' "$logs/suite-$i.log")" "$slowest"
done

echo
echo "main job: $main_passed of $main_runs passed; suite: $suite_passed of $suite_runs passed${load:+ (under load)}"
echo "logs: $logs"
[ "$main_passed" = "$main_runs" ] && [ "$suite_passed" = "$suite_runs" ]
