#!/usr/bin/env bash
# The player's figures (README, The player): a 1920×1080 recording at 25
# frames/s with B-frames played in the player window for PLAY_SECONDS, and a
# one-hour recording at 160×120 verified and indexed, RUNS times each, with
# the load average before each run (the machine may be shared).
#   bench/player.sh BUILD_DIR   (PLAY_SECONDS=15, RUNS=3, HOUR=3600, BENCH_TMP=/tmp)
set -euo pipefail
cd "$(dirname "$0")/.."

bench=$(cd "$1" && pwd)/bench/telvar_player_bench
seconds=${PLAY_SECONDS:-15}
runs=${RUNS:-3}
hour=${HOUR:-3600}
dir=$(mktemp -d "${BENCH_TMP:-/tmp}/telvar-player.XXXXXX")
trap 'rm -rf "$dir"' EXIT

"$bench" make "$dir/play.mkv" $((seconds + 10)) 1920 1080
"$bench" make "$dir/hour.mkv" "$hour" 160 120
for run in $(seq "$runs"); do
  echo "run $run, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  QT_QPA_PLATFORM=offscreen "$bench" play "$dir/play.mkv" "$seconds" 2> /dev/null
  echo "run $run, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  "$bench" index "$dir/hour.mkv"
done
