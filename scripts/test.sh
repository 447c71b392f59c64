#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a plain
# build on Qt 6 and once under AddressSanitizer and UndefinedBehaviorSanitizer
# on Qt 5.15, so that both toolkits the program supports pass every test.
# The sanitized build is clang's and builds the fuzz targets with libFuzzer,
# so it is also the tree fuzz/run.sh fuzzes in (.ci/run does). Both builds
# replay the fuzz corpus and regression files (ctest's fuzz_replay_* tests).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --gui-test --qt5 --fuzz

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
# CI sets TELVAR_WERROR=ON: any compiler warning fails the build.
werror=-DTELVAR_WERROR=${TELVAR_WERROR:-OFF}

configure() {
  local dir=$1; shift
  scripts/configure.sh -S . -B "$dir" -G Ninja "$werror" -DTELVAR_BUILD_TESTS=ON \
    -DTELVAR_UNITY=ON -DTELVAR_BUILD_FUZZ=ON "$@"
}

build_and_test() {
  cmake --build "$1" -j "$jobs"
  ctest --test-dir "$1" --output-on-failure -j "$jobs"
}

# Both trees are configured first, side by side: configuring takes one core
# for several seconds, and each build then keeps both busy.
source scripts/release-flags.sh
configure build -DTELVAR_QT=6 "${release_flags[@]}" &
plain_configure=$!
# The sanitized tree: -O0 and line tables only, so stack traces name the
# line, the sanitizers see every access as written, and it compiles in half
# the time of -O1 (the tests take a tenth longer). The code the fuzz targets
# run is at -O1, where it runs up to eight times faster, and so is the test
# recorder that writes the tests' recordings. No full debug information is
# written. Linked by lld, faster than the default linker with the
# sanitizers' runtimes.
configure build-asan -DTELVAR_QT=5 -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O0 -gline-tables-only" -DTELVAR_FUZZED_CODE_OPTIONS=-O1 \
  -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DTELVAR_SANITIZE=ON -DTELVAR_FUZZ_ENGINE=libfuzzer
wait "$plain_configure"

echo "== Plain build (release flags, as packaged) =="
build_and_test build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build (clang, libFuzzer, Qt 5) =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build_and_test build-asan
