#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window after verifying the demo
# recordings, drawn by a real X server (Xvfb) as a person would see it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --gui-test

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELVAR_QT=6 -DTELVAR_BUILD_TESTS=ON >/dev/null
cmake --build build-release -j "$jobs" --target telvar-make-demo telvar-screenshot

demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
build-release/tests/telvar-make-demo "$demo" >/dev/null

mkdir -p docs
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
  build-release/tests/ui/telvar-screenshot "$demo" docs/screenshot.png
echo "Wrote docs/screenshot.png"
