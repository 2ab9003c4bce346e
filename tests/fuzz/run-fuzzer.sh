#!/bin/sh
# run-fuzzer.sh FUZZER SEEDS WORK: runs a libFuzzer target for FUZZ_SECONDS seconds (60 unless
# set) from its seed corpus. Inputs it finds go to WORK/corpus and crashes to WORK/artifacts,
# never into the seeds; a crash, leak or sanitizer report fails the run.
set -eu
fuzzer=$1
seeds=$2
work=$3
seconds=${FUZZ_SECONDS:-60}
mkdir -p "$work/corpus" "$work/artifacts"
log="$work/log"
if ! "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "$(basename "$fuzzer") failed; the input is in $work/artifacts/" >&2
    exit 1
fi
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^INFO: seed corpus|cov:.*DONE' "$log" || true
