#!/usr/bin/env bash
# Soak: the main job several times, each on a new Wine prefix, then a test
# suite run stopped after 60 s followed by full suite runs; optionally
# with both cores kept busy. Prints pass counts and the slowest step of
# each kind. Not part of CI: it takes a quarter of an hour or more.
#
#   scripts/soak.sh [--load] [MAIN_RUNS] [SUITE_RUNS]     (defaults 10 and 3)
#   --load   keep every core busy with stress-ng while it runs
cd "$(dirname "$(readlink -f "$0")")/.."
# shellcheck source=../wine-harness/strict.sh
. wine-harness/strict.sh
load=""
if [ "${1:-}" = "--load" ]; then
    load=1
    shift
fi
main_runs=${1:-10}
suite_runs=${2:-3}
logs=build/mingw/soak
session=build/mingw/wine

# The main job needs the 32-bit lane, so any failure of the set-up stops here.
bash scripts/setup.sh ${load:+stress-ng}
quietly cmake --preset mingw
quietly cmake --build --preset mingw
rm -rf "$logs" && mkdir -p "$logs"

stress_pid=""
stop_load() {
    if [ -n "$stress_pid" ]; then
        kill "$stress_pid" 2>/dev/null || true
        wait "$stress_pid" 2>/dev/null || true
    fi
    stress_pid=""
}
interrupted=""
trap 'stop_load; [ -z "$interrupted" ] || kill -TERM -- "-$interrupted" 2>/dev/null || true
    wine-harness/wine-env.sh stop "$session"' EXIT
if [ -n "$load" ]; then
    stress-ng --cpu "$(nproc)" --timeout 6h --quiet &
    stress_pid=$!
    # Load is claimed only once it is there.
    sleep 1
    if ! kill -0 "$stress_pid" 2>/dev/null; then
        stress_pid=""
        echo "soak: stress-ng did not keep running, so there is no load; stopped" >&2
        exit 1
    fi
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
    if interruptibly timeout 600 bash scripts/run-kit.sh >"$logs/main-$i.log" 2>&1; then
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
interruptibly sleep 60
kill -TERM -- "-$interrupted" 2>/dev/null || true
wait "$interrupted" 2>/dev/null || true
echo "suite: interrupted at: $(sed -n 's/^ *Start /Start /p' "$logs/suite-interrupted.log" | tail -n 1)"

suite_passed=0
for i in $(seq "$suite_runs"); do
    start=$(date +%s.%N)
    if interruptibly timeout 1800 ctest --preset mingw >"$logs/suite-$i.log" 2>&1; then
        suite_passed=$((suite_passed + 1)); verdict=passed
    else
        verdict=FAILED
    fi
    slowest=$(sed -n '/Test  *#/p' "$logs/suite-$i.log" | sed '/harness/d' |
        sed -E 's/.*Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/' | sort -rn | awk 'NR == 1 { print $2 " (" $1 " s)" }')
    printf 'suite %d (after the interrupted run): %s in %5.1f s; %s; slowest test %s\n' "$i" "$verdict" \
        "$(awk "BEGIN { print $(date +%s.%N) - $start }")" "$(sed -n '/tests passed/p' "$logs/suite-$i.log")" "$slowest"
done

echo
# Load is claimed only where it lasted to the end.
under=""
if [ -n "$load" ]; then
    under=" (under load)"
    kill -0 "$stress_pid" 2>/dev/null || under=" (stress-ng ended before the runs did: under load only part of the time)"
fi
echo "main job: $main_passed of $main_runs passed; suite: $suite_passed of $suite_runs passed$under"
echo "logs: $logs"
[ "$main_passed" = "$main_runs" ] && [ "$suite_passed" = "$suite_runs" ] || exit 1
