#!/usr/bin/env bash
# Archive runs against one verifier: GB gigabytes of signed recordings
# verified by one `telvar-verify --jobs 2 --case-file` run, then as a job
# array on the one-node Slurm cluster (scripts/archive/local-cluster.sh) with
# two tasks at once, merged into a case; prints both throughputs, their
# ratio, and the scheduler's overhead per shard, measured with an array of
# shards of one small file each (docs/archive-runs.md).
#   bench/archive.sh BUILD_DIR   (GB=20, SHARD=1G, BENCH_TMP=/tmp by default)
# BUILD_DIR needs telvar-verify and telvar_bench_recording (-DTELVAR_BUILD_BENCH=ON).
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "$1")
gb=${GB:-20}
shard=${SHARD:-1G}
dir=$(mktemp -d "${BENCH_TMP:-/tmp}/telvar-archive-bench.XXXXXX")
export TELVAR_CLUSTER_DIR=$dir/cluster TELVAR_EXAMINER_KEY=$dir/examiner.pem
export TELVAR_VERIFY=$build/cli/telvar-verify
trap 'scripts/archive/local-cluster.sh stop; rm -rf "$dir"' EXIT
verify=$TELVAR_VERIFY

# 500 MB recordings of 1 MiB clusters, HMAC-SHA-256, each its own seed.
files=$((gb * 2))
mkdir -p "$dir/archive"
for i in $(seq -w 1 "$files"); do
  "$build/bench/telvar_bench_recording" "$dir/archive/r$i.mkv" 500000000 1048576 3 "$((10#$i))" >/dev/null
done
bytes=$(du -sb "$dir/archive" | cut -f1)
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; $files files, $bytes bytes"

seconds() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", b - a}'; }
now() { date +%s.%N; }

# One run, then the array, then the array again and one run again (each
# into a case and run folder of its own), so neither is favoured by the
# page cache or by a lull in the machine's other work.
scripts/archive/local-cluster.sh start >"$dir/cluster.env"
source "$dir/cluster.env"
one_run() {  # ROUND
  local start
  start=$(now)
  "$verify" --jobs 2 --case-file "$dir/single$1.telvarcase" --files-from "$dir/run1/files0" -0 >/dev/null 2>&1 || true
  seconds "$start" "$(now)"
}
array_run() {  # ROUND
  local start
  "$verify" --plan "$dir/archive" --out "$dir/run$1" --shard-bytes "$shard" >/dev/null
  start=$(now)
  scripts/archive/slurm-run.sh --throttle 2 "$dir/run$1" "$dir/array$1.telvarcase" >/dev/null || true
  seconds "$start" "$(now)"
  python3 tests/archive/same_results.py "$dir/single1.telvarcase" "$dir/array$1.telvarcase" >/dev/null
}
"$verify" --plan "$dir/archive" --out "$dir/run1" --shard-bytes "$shard" >/dev/null
shards=$(ls "$dir/run1/shards" | wc -l)
single1=$(one_run 1)
array1=$(array_run 1)
array2=$(array_run 2)
single2=$(one_run 2)
echo "load after the four: $(cut -d' ' -f1-3 /proc/loadavg)"

# The scheduler's own time: 40 shards of one small file each, two at once;
# what is left of the wall time after the tasks' own verification, per shard
# and per slot.
mkdir -p "$dir/small"
"$build/tests/telvar-make-demo" "$dir/demo" >/dev/null 2>&1 ||
  "$build/bench/telvar_bench_recording" "$dir/demo/authentic.mkv" 300000 4096 3 >/dev/null
rm -f "$dir"/archive/*  # room on the disk: the large files are done
for i in $(seq -w 1 40); do cp "$dir/demo/authentic.mkv" "$dir/small/s$i.mkv"; done
"$verify" --plan "$dir/small" --out "$dir/small-run" --shard-files 1 >/dev/null
start=$(now)
scripts/archive/slurm-run.sh --throttle 2 "$dir/small-run" "$dir/small.telvarcase" >/dev/null || true
small=$(seconds "$start" "$(now)")
work=$(cat "$dir/small-run/results/"*.jsonl | python3 -c '
import json, sys
print(sum(json.loads(l).get("seconds", 0) for l in sys.stdin))')

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v b="$bytes" -v s1="$single1" -v s2="$single2" -v a1="$array1" -v a2="$array2" -v n="$shards" -v w="$small" -v t="$work" 'BEGIN {
  s = (s1 + s2) / 2; a = (a1 + a2) / 2
  printf "one telvar-verify --jobs 2 --case-file: %.1f s and %.1f s, %.0f MB/s\n", s1, s2, b / s / 1e6
  printf "Slurm array, %d shards, 2 at once, and the merge: %.1f s and %.1f s, %.0f MB/s (%.0f%% of one run)\n", n, a1, a2, b / a / 1e6, 100 * s / a
  printf "scheduler overhead: 40 one-file shards in %.1f s with %.2f s of verification: %.2f s a shard per slot\n", w, t, (w - t / 2) * 2 / 40
}'
