#!/usr/bin/env bash
# Fuzz campaign: builds the fuzz targets with clang's libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer, replays the seed corpus
# and the regression files, then fuzzes each target.
#
#   fuzz/run.sh [SECONDS] [TARGET...]      TARGET: verify, element, frames, casefile, keystore (default: all)
#
# SECONDS is per target (default 60). FUZZ_REPLAY=0 skips the replay.
# FUZZ_BUILD_DIR names an existing
# clang tree to build them in instead of build-fuzz (CI: scripts/test.sh's
# sanitized one). Targets run side by side on every core (FUZZ_JOBS, default all): with more cores than targets, each target forks
# that many more fuzzing processes (libFuzzer's -fork). FUZZ_PARALLEL=0 runs
# them one after the other. The grown corpus stays
# in $FUZZ_WORK/corpus/TARGET (default build-fuzz/work) for the next run;
# inputs that crash, hang, leak or break an invariant land in
# $FUZZ_WORK/findings/TARGET/, are printed in base64, and fail the run.
# The figures of each run are in $FUZZ_WORK/TARGET.log and summed up at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(verify element frames casefile keystore)
fi
build=${FUZZ_BUILD_DIR:-build-fuzz}
work=${FUZZ_WORK:-$build/work}
parallel=${FUZZ_PARALLEL:-1}
cores=${FUZZ_JOBS:-$(nproc 2>/dev/null || echo 2)}

echo "== Fuzz build (clang, libFuzzer, ASan + UBSan) in $build =="
fuzz_options=(-DTELVAR_BUILD_FUZZ=ON -DTELVAR_FUZZ_ENGINE=libfuzzer -DTELVAR_SANITIZE=ON)
if [ -n "${FUZZ_BUILD_DIR:-}" ] && [ -f "$build/CMakeCache.txt" ]; then
  # A tree of its caller's, such as scripts/test.sh's sanitized build: only
  # the fuzzing options are asserted (where it lacks them), its tests and
  # build type stay.
  if ! { grep -qx "TELVAR_BUILD_FUZZ:BOOL=ON" "$build/CMakeCache.txt" &&
         grep -qx "TELVAR_FUZZ_ENGINE:STRING=libfuzzer" "$build/CMakeCache.txt" &&
         grep -qx "TELVAR_SANITIZE:BOOL=ON" "$build/CMakeCache.txt"; }; then
    scripts/configure.sh -S . -B "$build" "${fuzz_options[@]}"
  fi
else
  CXX=${FUZZ_CXX:-clang++} scripts/configure.sh -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELVAR_BUILD_TESTS=OFF -DTELVAR_BUILD_GUI=OFF \
    -DTELVAR_BUILD_BENCH=OFF "${fuzz_options[@]}"
fi
cmake --build "$build" -j "$cores" --target telvar_fuzz_verify telvar_fuzz_element telvar_fuzz_frames \
  telvar_fuzz_casefile telvar_fuzz_keystore telvar_fuzz_inputs

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

fuzzdir=$build/fuzz
regressions=tests/data/fuzz-regressions

# Existing folders of inputs for a target, writable corpus first.
inputs_of() {
  local target=$1 dirs=()
  for dir in "$work/corpus/$target" "$fuzzdir/seeds/$target" "$regressions/$target"; do
    [ -d "$dir" ] && dirs+=("$dir")
  done
  echo "${dirs[@]}"
}

max_len_of() {
  case $1 in
    verify) echo 16384 ;;
    frames) echo 65536 ;;  # the head and about ten clusters of real video
    casefile) echo 32768 ;;  # a case of 512-byte pages, every table reached
    *) echo 4096 ;;
  esac
}

for target in "${targets[@]}"; do
  mkdir -p "$work/corpus/$target" "$work/findings/$target"
done
# FUZZ_REPLAY=0 where the tree's tests have just replayed the same files
# (ctest's fuzz_replay_* tests; .ci/run).
if [ "${FUZZ_REPLAY:-1}" != 0 ]; then
  echo "== Replay: seeds and regression files =="
  for target in "${targets[@]}"; do
    # shellcheck disable=SC2046
    "$fuzzdir/telvar_fuzz_$target" -runs=0 $(inputs_of "$target") >"$work/$target.replay.log" 2>&1 || {
      cat "$work/$target.replay.log"
      echo "replay of $target failed"
      exit 1
    }
    grep -E "INITED|DONE" "$work/$target.replay.log" | tail -1 | sed "s/^/$target: /"
  done
fi

fuzz_one() {
  local target=$1 fork=()
  [ "${forks:-1}" -gt 1 ] && fork=(-fork="$forks")
  # shellcheck disable=SC2046
  "$fuzzdir/telvar_fuzz_$target" "${fork[@]}" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=4096 \
    -max_len="$(max_len_of "$target")" -dict="$fuzzdir/mkv.dict" -print_final_stats=1 \
    -artifact_prefix="$work/findings/$target/" $(inputs_of "$target") >"$work/$target.log" 2>&1
}

echo "== Fuzzing ${targets[*]} for $seconds s each =="
touch "$work/started"  # findings older than this run are not counted again
declare -A status
if [ "$parallel" = 1 ]; then
  # Cores beyond one per target go to forked processes of each.
  forks=$((cores / ${#targets[@]}))
  declare -A pids
  for target in "${targets[@]}"; do
    fuzz_one "$target" &
    pids[$target]=$!
  done
  for target in "${targets[@]}"; do
    if wait "${pids[$target]}"; then status[$target]=0; else status[$target]=$?; fi
  done
else
  for target in "${targets[@]}"; do
    if fuzz_one "$target"; then status[$target]=0; else status[$target]=$?; fi
  done
fi

failed=0
for target in "${targets[@]}"; do
  log=$work/$target.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  # Forked runs print no stat:: lines; their last progress line says as much.
  progress=$(grep -E '^#[0-9]+:?[[:space:]]' "$log" | tail -1 || true)
  runs=${runs:-$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$progress")}
  speed=${speed:-$(grep -oE 'exec/s:? [0-9]+' <<<"$progress" | grep -oE '[0-9]+$' || true)}
  last=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+(/[0-9]+[a-zA-Z]*)?' <<<"$progress" || true)
  findings=$(find "$work/findings/$target" -type f -newer "$work/started" | wc -l)
  echo "$target: ${runs:-?} executions, ${speed:-?} exec/s, ${last:-no coverage line}, $findings finding(s), exit ${status[$target]}"
  if [ "${status[$target]}" != 0 ] || [ "$findings" != 0 ]; then
    failed=1
    grep -E 'ERROR|fuzz check failed|SUMMARY|runtime error' "$log" | head -20 || true
    find "$work/findings/$target" -type f -newer "$work/started" | while read -r file; do
      echo "--- $file ($(wc -c <"$file") bytes), base64:"
      head -c 65536 "$file" | base64
    done
  fi
done
if [ "$failed" != 0 ]; then
  echo "Fuzzing found a problem. Reproduce with: $fuzzdir/telvar_fuzz_TARGET FILE"
  exit 1
fi
