#!/usr/bin/env bash
# The window against telvar-verify on the same folder of recordings, same
# machine, same run, page cache warm: the window's time from Add Folder to
# the last row listed (telvar_window_bench --verify FOLDER) and the command
# line's `--jsonl` over the same files, alternating, and the command line
# doing what the window does, storing every result in a new case
# (`--jsonl --case-file`). Prints each run, the medians and the ratios.
#   bench/window.sh BUILD_DIR [small | demo]
# small: 10,000 recordings of 20 KB; demo: 10,000 links to the 323 KB demo
# recording (one file's bytes, so the page cache holds them all).
# COUNT=10000, RUNS=5 and BENCH_TMP=/tmp by default. Needs a GUI build with
# -DTELVAR_BUILD_BENCH=ON.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$1
kind=${2:-small}
count=${COUNT:-10000}
runs=${RUNS:-5}
dir=$(mktemp -d "${BENCH_TMP:-/tmp}/telvar-window.XXXXXX")
trap 'rm -rf "$dir"' EXIT

mkdir "$dir/files"
if [ "$kind" = demo ]; then
  "$build/tests/telvar-make-demo" "$dir/demo" >/dev/null
  source=$dir/demo/authentic.mkv
else
  "$build/bench/telvar_bench_recording" "$dir/one.mkv" 20000 2000 3 1 >/dev/null
  source=$dir/one.mkv
fi
for i in $(seq -w 1 "$count"); do
  ln "$source" "$dir/files/rec$i.mkv"
done
cat "$source" >/dev/null

median() { sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }

since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN {printf "%.3f", b - a}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

cli=()
cased=()
window=()
for run in $(seq "$runs"); do
  start=$(date +%s.%N)
  "$build/cli/telvar-verify" --jsonl "$dir"/files/*.mkv >/dev/null || true
  cli+=("$(since "$start")")
  rm -f "$dir"/bench.telvarcase*
  start=$(date +%s.%N)
  "$build/cli/telvar-verify" --jsonl --case-file "$dir/bench.telvarcase" "$dir"/files/*.mkv \
    >/dev/null 2>&1 || true
  cased+=("$(since "$start")")
  line=$(QT_QPA_PLATFORM=offscreen "$build/bench/telvar_window_bench" --verify "$dir/files" 2>/dev/null)
  window+=("$(sed -n 's/.* listed in \([0-9.]*\) s.*/\1/p' <<<"$line")")
  echo "run $run: telvar-verify ${cli[-1]} s  with a case ${cased[-1]} s  window ${window[-1]} s  (${line#window: })"
done
c=$(printf '%s\n' "${cli[@]}" | median)
k=$(printf '%s\n' "${cased[@]}" | median)
w=$(printf '%s\n' "${window[@]}" | median)
echo "$count files ($kind): median telvar-verify $c s, with a case $k s, window $w s;" \
  "ratio $(ratio "$w" "$c"), to the command line with a case $(ratio "$w" "$k")"
