#!/usr/bin/env bash
# What the examiner's seals (and the fields the log now vouches for) cost a
# --case-file run: COUNT files (hard links of one signed demo recording) into
# a new case, by a telvar-verify without seals (BASE) and by this build's,
# alternately, RUNS times each. Prints wall and processor seconds per run.
#   bench/seal.sh BUILD_DIR BASE_TELVAR_VERIFY   (COUNT=10000, RUNS=3, BENCH_TMP=/tmp)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(cd "$1" && pwd)
base=$(realpath "$2")
count=${COUNT:-10000}
runs=${RUNS:-3}
dir=$(mktemp -d "${BENCH_TMP:-/tmp}/telvar-seal.XXXXXX")
trap 'rm -rf "$dir"' EXIT
export TELVAR_EXAMINER_KEY="$dir/key.pem"

(cd "$dir" && "$build/tests/telvar-make-demo" demo > /dev/null)
mkdir "$dir/files"
for i in $(seq "$count"); do
  ln "$dir/demo/authentic.mkv" "$dir/files/r$i.mkv"
done
find "$dir/files" -name '*.mkv' -print0 > "$dir/list"

echo "binary wall_s cpu_s events"
for _ in $(seq "$runs"); do
  for which in base sealed; do
    exe=$base
    [ "$which" = sealed ] && exe="$build/cli/telvar-verify"
    rm -f "$dir/c.telvarcase"*
    /usr/bin/time -f "%e %U %S" -o "$dir/time" \
      "$exe" --case-file "$dir/c.telvarcase" --files-from "$dir/list" -0 > /dev/null 2>&1 || true
    read -r wall user sys < "$dir/time"
    events=$(sqlite3 -readonly "$dir/c.telvarcase" "SELECT count(*) FROM events")
    echo "$which $wall $(echo "$user + $sys" | bc) $events"
  done
done
