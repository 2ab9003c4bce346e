#!/bin/sh
# The batch figures of make bench: COUNT one-page stamped documents are made, opened alone and
# opened with the seal survey in one office, then read by quillmark-verify with one office and
# with two. The verifier trusts the authority that issued the seal, so every document reads valid.
set -eu
BUILD=${1:-build}
WORK=${2:-out/bench/batch}
COUNT=${3:-1000}

mkdir -p "$WORK"
rm -rf "$WORK/documents"
"$BUILD/bin/seal_bench" "$WORK" "$COUNT" batch

for jobs in 1 2; do
    start=$(date +%s.%N)
    status=0
    ls "$WORK"/documents/*.odt \
        | KTXESEAL_TRUST_DIR="$WORK/authority" "$BUILD/bin/quillmark-verify" --jobs "$jobs" \
            --json-lines - > "$WORK/verify-jobs-$jobs.jsonl" 2>/dev/null || status=$?
    end=$(date +%s.%N)
    valid=$(grep -c '"status": *"valid"' "$WORK/verify-jobs-$jobs.jsonl" || true)
    awk -v jobs="$jobs" -v start="$start" -v end="$end" -v count="$COUNT" -v valid="$valid" \
        -v status="$status" 'BEGIN {
            printf "quillmark-verify --jobs %d: %d documents in %.1f s, %.1f documents/s, " \
                   "%d valid, exit status %d\n", jobs, count, end - start,
                   count / (end - start), valid, status }'
done
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg)"
