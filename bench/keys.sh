#!/usr/bin/env bash
# What a key store of 100 trusted RSA keys costs: a recording signed by the
# first and by the last of them, and one under the built-in key with and
# without the store (the walk's speed with the built-in keys alone).
#   bench/keys.sh BUILD_DIR [CLUSTERS] [RUNS]   (6000 clusters of 16 KiB, 9 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
out=$("$build/bench/telvar_keystore_bench" "${2:-6000}" "${3:-9}")
echo "$out"
awk '{t[$1]=$2} END {
  printf "last of 100 against first: %+.1f%% (target at most +10%%)\n", (t["last-of-100"] / t["first-of-100"] - 1) * 100
  printf "built-in key with the store against without: %+.1f%%\n", (t["built-in-key,store-of-100"] / t["built-in-key,no-store"] - 1) * 100
}' <<<"$out"
