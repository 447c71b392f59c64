#!/usr/bin/env bash
# What the evidence costs: the whole-file SHA-256 beside the walk, failing
# recordings (the walk goes on past the failure and tries keys), and peak
# memory for a long recording and for one of many clusters.
#   bench/evidence.sh BUILD_DIR   (RUNS=5 and BENCH_TMP=/tmp by default)
# Storage reads need a cold page cache; as root the script drops it before
# those runs, otherwise it prints "n/a".
set -euo pipefail
cd "$(dirname "$0")/.."

build=$1
runs=${RUNS:-5}
dir=$(mktemp -d "${BENCH_TMP:-/tmp}/telvar-evidence.XXXXXX")
trap 'rm -rf "$dir"' EXIT
bench="$build/bench/telvar_evidence_bench"

make_recording() {  # NAME TOTAL_BYTES CLUSTER_BYTES [FLIP]
  "$build/bench/telvar_bench_recording" "$dir/$1" "$2" "$3" 3 1 "${4:-}" >/dev/null
}
median() { sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }

# Median seconds and largest peak RSS (KiB) over $runs warm runs.
measure() {  # FILE HASH THREADS
  local times=() rss=0 line
  cat "$1" >/dev/null
  for _ in $(seq "$runs"); do
    line=$("$bench" "$@")
    times+=("${line%% *}")
    local r; r=$(echo "$line" | cut -d' ' -f2)
    [ "$r" -gt "$rss" ] && rss=$r
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | median)" "$rss"
}

# Bytes fetched from storage in one run with a cold page cache.
cold_reads() {  # FILE HASH THREADS
  if [ "$(id -u)" -ne 0 ] || ! { sync && echo 1 > /proc/sys/vm/drop_caches; } 2>/dev/null; then
    echo n/a
    return
  fi
  "$bench" "$@" | cut -d' ' -f3
}

GiB=1073741824
echo "Writing recordings to $dir ..."
make_recording h256.mkv $GiB 2097152
make_recording failing-one.mkv $GiB 2097152 one
make_recording failing-all.mkv $((GiB / 4)) 2048 all
make_recording many.mkv $((200000 * 1024)) 1024
make_recording big.mkv $((5 * GiB)) 2097152
size=$(stat -c %s "$dir/h256.mkv")

echo
echo "Whole-file SHA-256 beside the walk (1 GiB, HMAC-SHA-256, 2 MiB clusters; median of $runs)"
for threads in 1 2; do
  read -r plain plain_rss < <(measure "$dir/h256.mkv" 0 "$threads")
  read -r hashed hashed_rss < <(measure "$dir/h256.mkv" 1 "$threads")
  printf '  %s thread(s) for the clusters: without %.3f s, with %.3f s  x %s  (%s / %s MiB)\n' \
    "$threads" "$plain" "$hashed" "$(ratio "$hashed" "$plain")" "$(mib "$plain_rss")" "$(mib "$hashed_rss")"
done
reads=$(cold_reads "$dir/h256.mkv" 1 1)
printf '  storage reads with a cold cache, walk and hash together: %s bytes of %s (x %s)\n' \
  "$reads" "$size" "$( [ "$reads" = n/a ] && echo n/a || ratio "$reads" "$size")"

echo
echo "Failing recordings (with the file hash, 1 thread)"
read -r intact _ < <(measure "$dir/h256.mkv" 1 1)
read -r one one_rss < <(measure "$dir/failing-one.mkv" 1 1)
reads=$(cold_reads "$dir/failing-one.mkv" 1 1)
printf '  1 GiB, one altered cluster:     %.3f s  x %s of the intact file, %s MiB, storage reads x %s\n' \
  "$one" "$(ratio "$one" "$intact")" "$(mib "$one_rss")" "$( [ "$reads" = n/a ] && echo n/a || ratio "$reads" "$size")"
line=$("$bench" "$dir/failing-all.mkv" 1 1)
read -r allsec allrss _ _ clusters findings <<<"$line"
read -r base _ < <(measure "$dir/many.mkv" 1 1)
printf '  %s clusters, every one altered: %.3f s (%s MiB, %s findings); an intact file of %s clusters: %.3f s\n' \
  "$clusters" "$allsec" "$(mib "$allrss")" "$findings" "200000" "$base"

echo
echo "Peak memory with the map"
for name in many big; do
  line=$("$bench" "$dir/$name.mkv" 1 1)
  read -r sec rss _ code clusters _ <<<"$line"
  printf '  %-9s %s clusters, %s bytes: %.3f s, peak %s MiB (verdict code %s)\n' \
    "$name.mkv" "$clusters" "$(stat -c %s "$dir/$name.mkv")" "$sec" "$(mib "$rss")" "$code"
done
