#!/usr/bin/env bash
# A case of 100,000 verified recordings (synthesised rows of real size):
# the time to open it (checks included), to list every recording with its
# latest verdict, to load one recording's evidence and to audit the whole
# log, and the peak memory of opening and listing.
#   bench/case.sh BUILD_DIR   (COUNT=100000, RUNS=3 and BENCH_TMP=/tmp by default)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$1
count=${COUNT:-100000}
runs=${RUNS:-3}
dir=$(mktemp -d "${BENCH_TMP:-/tmp}/telvar-case.XXXXXX")
trap 'rm -rf "$dir"' EXIT
bench="$build/bench/telvar_case_bench"

"$bench" make "$dir/bench.telvarcase" "$count"
echo "$count recordings, $(du -m "$dir/bench.telvarcase" | cut -f1) MB"
echo "open_s list_s evidence_s cpu_s audit_s audit_cpu_s rows peak_rss_kib log"
for _ in $(seq "$runs"); do
  "$bench" open "$dir/bench.telvarcase"
done
# The same case opened in the window, when the window's bench is built.
window="$build/bench/telvar_window_bench"
if [ -x "$window" ]; then
  for _ in $(seq "$runs"); do
    "$window" --open-case "$dir/bench.telvarcase"
  done
fi
