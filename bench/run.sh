#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them, printing the results. Not
# part of the tests. Add a program by building its target below and giving
# it a section of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

build=build-bench  # the benchmarks need none of the tests, so those stay off
targets=(telvar_micro_bench telvar_parse_bench telvar_bench_recording telvar_evidence_bench telvar_case_bench telvar_seek_bench telvar-verify)

cmake -S . -B "$build" -DTELVAR_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release -DTELVAR_BUILD_TESTS=OFF -DTELVAR_BUILD_GUI=OFF
cmake --build "$build" -j2 --target "${targets[@]}"

section() { printf '\n=== %s ===\n\n' "$1"; }

section "Element header and integer decoders"
"$build/bench/telvar_micro_bench" --benchmark_min_time=0.2

section "Verification speed and memory (includes the metadata parse)"
bench/verify.sh "$build"

section "Evidence: file hash, failing recordings, memory"
bench/evidence.sh "$build"

section "Key store: the first of 100 trusted keys against the last"
bench/keys.sh "$build"

section "Exact-frame seeking: 1080p H.264 with B-frames"
"$build/bench/telvar_seek_bench"

section "Case file: 100,000 recordings"
bench/case.sh "$build"
