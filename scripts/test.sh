#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a plain
# build and once under AddressSanitizer and UndefinedBehaviorSanitizer.
# Both builds also replay the fuzz corpus and regression files (ctest's
# fuzz_replay_* tests); fuzz/run.sh does the fuzzing itself.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --gui-test

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
# CI sets TELVAR_WERROR=ON: any compiler warning fails the build.
werror=-DTELVAR_WERROR=${TELVAR_WERROR:-OFF}

build_and_test() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DTELVAR_QT=6 "$werror" "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== Plain build (release flags, as packaged) =="
source scripts/release-flags.sh
build_and_test build "${release_flags[@]}" -DTELVAR_BUILD_TESTS=ON -DTELVAR_BUILD_FUZZ=ON

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build_and_test build-asan -DCMAKE_BUILD_TYPE=Debug -DTELVAR_BUILD_TESTS=ON -DTELVAR_SANITIZE=ON \
  -DTELVAR_BUILD_FUZZ=ON
