#!/usr/bin/env bash
# The window against telvar-verify on the same folder of recordings, same
# machine, same run, page cache warm: the window's time from Add Folder to
# the last row listed (telvar_window_bench --verify FOLDER) and the command
# line's `--jsonl` over the same files, alternating. Prints each run, the
# medians and their ratio.
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

cli=()
window=()
for run in $(seq "$runs"); do
  start=$(date +%s.%N)
  "$build/cli/telvar-verify" --jsonl "$dir"/files/*.mkv >/dev/null || true
  cli+=("$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {printf "%.3f", b - a}')")
  line=$(QT_QPA_PLATFORM=offscreen "$build/bench/telvar_window_bench" --verify "$dir/files" 2>/dev/null)
  window+=("$(sed -n 's/.* listed in \([0-9.]*\) s.*/\1/p' <<<"$line")")
  echo "run $run: telvar-verify ${cli[-1]} s  window ${window[-1]} s  (${line#window: })"
done
c=$(printf '%s\n' "${cli[@]}" | median)
w=$(printf '%s\n' "${window[@]}" | median)
echo "$count files ($kind): median telvar-verify $c s, window $w s, ratio $(awk -v a="$w" -v b="$c" 'BEGIN {printf "%.2f", a / b}')"
