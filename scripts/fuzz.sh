#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz (together with the
# program and its tool, so that clang checks all of src/) and runs each one
# from its seeds in fuzz/corpus/<name>/ for ORVANE_FUZZ_SECONDS (30 by
# default), ORVANE_FUZZ_JOBS (2) at a time. Any finding fails the run; its
# input is kept in build-fuzz/findings/ and its log in build-fuzz/fuzz-logs/.
#
# Run one target again on a finding:  build-fuzz/fuzz/fuzz_<name> FILE
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
orvane_install_deps $ORVANE_FUZZ_PACKAGES
. scripts/sanitizer-options.sh

seconds=${ORVANE_FUZZ_SECONDS:-30}
jobs=${ORVANE_FUZZ_JOBS:-2}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build-fuzz/findings build-fuzz/fuzz-logs
names=()
for seeds in fuzz/corpus/*/; do
    names+=("$(basename "$seeds")")
done

fuzz_one() {
    local name=$1
    # New inputs go to the scratch corpus first; the committed seeds stay as they are.
    mkdir -p "build-fuzz/corpus/$name"
    local status=0
    "build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$name-" "build-fuzz/corpus/$name" "fuzz/corpus/$name" \
        >"build-fuzz/fuzz-logs/$name.log" 2>&1 || status=$?
    echo "$status" >"build-fuzz/fuzz-logs/$name.status"
}

rm -f build-fuzz/fuzz-logs/*.status
failed=0
pids=()
for name in "${names[@]}"; do
    fuzz_one "$name" &
    pids+=($!)
    if [ "${#pids[@]}" -ge "$jobs" ]; then
        wait "${pids[0]}" || true
        pids=("${pids[@]:1}")
    fi
done
wait || true

for name in "${names[@]}"; do
    log="build-fuzz/fuzz-logs/$name.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    status=$(cat "build-fuzz/fuzz-logs/$name.status" 2>/dev/null || echo missing)
    if [ "$status" != 0 ] || [ -z "$runs" ]; then
        echo "fuzz_$name: FINDING, exit status $status (log: $log)"
        grep -E 'ERROR|SUMMARY|fuzz check failed|Test unit written|runtime error' "$log" | head -20 || true
        failed=1
    else
        echo "fuzz_$name: $runs executions in ${seconds} s, no finding"
    fi
done
exit $failed
