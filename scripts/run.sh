#!/usr/bin/env bash
# Installs what is missing, builds in Release, writes demo recordings,
# verifies them headless and starts the desktop program on them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
scripts/configure.sh -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELVAR_QT=6 -DTELVAR_BUILD_TESTS=ON
cmake --build build-release -j "$jobs" --target telvar-verify telvar-make-demo telvar-authenticator

demo=demo
build-release/tests/telvar-make-demo "$demo" >/dev/null
demo_dir=$(cd "$demo" && pwd)
echo "Demo recordings in $demo_dir/, one minute of camera picture each (they play in any video player):"
echo "  authentic.mkv  verifies under the recorder's RSA key"
echo "  sealed.mkv     verifies under an HMAC tag: sealed with the built-in key, no origin proven"
echo "  tampered.mkv   08:00:14 to 08:00:17 overwritten with the picture of 08:00:44 to 08:00:47"
echo "  unsigned.mkv   carries no signatures"
echo
build-release/cli/telvar-verify "$demo"/authentic.mkv "$demo"/sealed.mkv "$demo"/tampered.mkv \
  "$demo"/unsigned.mkv || true
echo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; start the program from a desktop session with:"
  echo "  build-release/ui/telvar-authenticator $demo/tampered.mkv $demo/authentic.mkv $demo/unsigned.mkv"
  exit 0
fi
# The tampered one first: its row is selected, so its evidence and pictures show at once.
echo "Starting the authenticator on the demo recordings."
exec build-release/ui/telvar-authenticator "$demo"/tampered.mkv "$demo"/authentic.mkv "$demo"/unsigned.mkv
