#!/usr/bin/env bash
# Installs what is missing, builds in Release, writes demo recordings and
# verifies them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELVAR_BUILD_TESTS=ON >/dev/null
cmake --build build-release -j "$jobs" --target telvar-verify telvar-make-demo

demo=demo
mkdir -p "$demo"
build-release/tests/telvar-make-demo "$demo" >/dev/null
echo "Demo recordings in $demo/: authentic.mkv (verifies), tampered.mkv (one byte changed), unsigned.mkv (no signatures)"
echo
build-release/cli/telvar-verify "$demo"/authentic.mkv "$demo"/tampered.mkv "$demo"/unsigned.mkv || true
