#!/usr/bin/env bash
# Verification speed against the hash itself: telvar-verify and
# `openssl dgst -<digest> -mac HMAC` over the same signed recording, same
# machine, same run, page cache warm. Prints medians, their ratio and the
# verifier's peak resident memory.
#   bench/verify.sh BUILD_DIR   (RUNS=5 and BENCH_TMP=/tmp by default)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$1
runs=${RUNS:-5}
dir=$(mktemp -d "${BENCH_TMP:-/tmp}/telvar-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

verify="$build/cli/telvar-verify"
key=$(od -An -tx1 -v keys/hmac.key | tr -d ' \n')
cores=$(nproc)

make_recording() {  # NAME TOTAL_BYTES CLUSTER_BYTES DIGEST [SEED]
  "$build/bench/telvar_bench_recording" "$dir/$1" "$2" "$3" "$4" "${5:-1}" >/dev/null
}

median() { sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }

# Median wall seconds and largest peak RSS (KiB) of a command over $runs runs.
measure() {
  local times=() rss=0 line
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$dir/time" -f '%e %M' "$@" >/dev/null 2>&1 || true
    line=$(tail -n 1 "$dir/time")
    times+=("${line% *}")
    [ "${line#* }" -gt "$rss" ] && rss=${line#* }
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | median)" "$rss"
}

warm() { cat "$@" >/dev/null; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

row() {  # LABEL SECONDS RSS_KIB BASELINE_SECONDS
  printf '  %-34s %9.3f s %8.1f MiB   x %s\n' "$1" "$2" "$(awk -v k="$3" 'BEGIN {print k / 1024}')" "$(ratio "$2" "$4")"
}

single_file() {  # LABEL FILE DIGEST_NAME
  local label=$1 file=$2 digest=$3
  warm "$file"
  read -r dgst dgst_rss < <(measure openssl dgst "-$digest" -mac HMAC -macopt "hexkey:$key" "$file")
  read -r one one_rss < <(measure "$verify" --jobs 1 "$file")
  read -r all all_rss < <(measure "$verify" --jobs "$cores" "$file")
  printf '%s (%s bytes)\n' "$label" "$(stat -c %s "$file")"
  row "openssl dgst -$digest -mac HMAC" "$dgst" "$dgst_rss" "$dgst"
  row "telvar-verify --jobs 1" "$one" "$one_rss" "$dgst"
  row "telvar-verify --jobs $cores (clusters)" "$all" "$all_rss" "$dgst"
  echo
}

echo "Machine: $cores cores; median of $runs runs; ratio against openssl dgst"

# What the cores give together: SHA-256 throughput of one process, and of one
# process per core at once (wall clock). Parallel verification cannot beat
# this ceiling.
speed() { openssl speed -elapsed -seconds 2 -bytes 262144 sha256 2>/dev/null | awk '/^sha256/ {print $NF}' | tr -d k; }
single=$(speed)
total=$(for _ in $(seq "$cores"); do speed & done | awk '{s += $1} END {print s}'; wait)
printf 'SHA-256 over 256 KiB blocks: %.0f MB/s on one core, %.0f MB/s on %s cores at once (x %s)\n' \
  "$(awk -v k="$single" 'BEGIN {print k / 1000}')" "$(awk -v k="$total" 'BEGIN {print k / 1000}')" \
  "$cores" "$(ratio "$total" "$single")"
echo "Writing recordings to $dir ..."
GiB=1073741824
make_recording h256.mkv $GiB 2097152 3
make_recording md5.mkv $GiB 2097152 1
make_recording sha512.mkv $GiB 2097152 4
make_recording tiny.mkv $GiB 4096 3
for i in 1 2 3 4 5 6 7 8; do make_recording "batch$i.mkv" $((GiB / 4)) 2097152 3 "$i"; done
make_recording big.mkv $((5 * GiB)) 2097152 3
echo

single_file "1 GiB, HMAC-SHA-256, 2 MiB clusters" "$dir/h256.mkv" sha256
single_file "1 GiB, HMAC-MD5, 2 MiB clusters" "$dir/md5.mkv" md5
single_file "1 GiB, HMAC-SHA-512, 2 MiB clusters" "$dir/sha512.mkv" sha512
single_file "1 GiB, HMAC-SHA-256, 4 KiB clusters" "$dir/tiny.mkv" sha256
single_file "5 GiB, HMAC-SHA-256, 2 MiB clusters" "$dir/big.mkv" sha256

batch=("$dir"/batch?.mkv)
warm "${batch[@]}"
read -r dgst dgst_rss < <(measure sh -c 'for f; do openssl dgst -sha256 -mac HMAC -macopt "hexkey:'"$key"'" "$f"; done' sh "${batch[@]}")
read -r one one_rss < <(measure "$verify" --jobs 1 "${batch[@]}")
read -r all all_rss < <(measure "$verify" --jobs "$cores" "${batch[@]}")
echo "Batch of 8 recordings of 256 MiB, HMAC-SHA-256"
row "openssl dgst, one file after another" "$dgst" "$dgst_rss" "$dgst"
row "telvar-verify --jobs 1" "$one" "$one_rss" "$dgst"
row "telvar-verify --jobs $cores" "$all" "$all_rss" "$dgst"
printf '  speed-up of --jobs %s over --jobs 1: x %s\n\n' "$cores" "$(ratio "$one" "$all")"

echo "Metadata parse of the 5 GiB recording (and the generated cases):"
"$build/bench/telvar_parse_bench" --runs "$runs" --file "$dir/big.mkv"
