#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/, in the asan preset's tree) and runs each for the given
# number of seconds (default 60), one after the other, starting from its committed seed
# corpus. Prints executions, executions per second and coverage per target. A finding (a
# sanitizer report or a broken invariant) keeps its input in build-asan/fuzz/findings/<target>/,
# shows the end of the log and makes the status non-zero.
#   scripts/fuzz.sh [seconds] [target…]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

scripts/configure.sh asan
cmake --build --preset asan --target "${targets[@]}" -j "$(nproc)"

out=build-asan/fuzz
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
printf '%-20s %12s %9s %7s %7s %6s %s\n' target executions exec/s cov features units result
status=0
for target in "${targets[@]}"; do
    work=$out/work/$target findings=$out/findings/$target log=$out/$target.log
    mkdir -p "$work" "$findings"
    # New inputs go to the working corpus; the committed seeds are only read.
    result=ok
    "$out/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" >"$log" 2>&1 || result=FINDING
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    units=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    printf '%-20s %12s %9s %7s %7s %6s %s\n' "$target" "${executions:--}" "${speed:--}" "${cov:--}" \
        "${features:--}" "${units:--}" "$result"
    if [ "$result" != ok ]; then
        status=1
        grep -v '^\[quillon-mcp\]' "$log" | tail -40
    fi
done
exit $status
