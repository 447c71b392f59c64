#!/usr/bin/env bash
# Takes the window's pictures, drawn by a real X server (Xvfb) as a person
# would see them: docs/screenshot.png (the main window after verifying the
# demo recordings), docs/evidence.png (the tampered recording's evidence),
# docs/evidence-filmstrip.png (its pane after a click on the failing span)
# docs/report-page1.png (the first page of the exported PDF report) and
# docs/reopened-case.png (a case telvar-verify wrote, reopened in the window),
# docs/player-tampered.png and docs/player-sealed.png (the player), and
# docs/keys-dialog.png (the Keys dialog).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh --gui-test

jobs=$(nproc 2>/dev/null || echo 2)
scripts/configure.sh -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELVAR_QT=6 -DTELVAR_BUILD_TESTS=ON
cmake --build build-release -j "$jobs" --target telvar-make-demo telvar-screenshot telvar-verify

demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
build-release/tests/telvar-make-demo "$demo" >/dev/null

mkdir -p docs
xvfb-run -a -s "-screen 0 1280x1000x24" env QT_QPA_PLATFORM=xcb \
  build-release/tests/ui/telvar-screenshot "$demo" docs/screenshot.png docs/evidence.png \
  "$demo/report.pdf" docs/evidence-filmstrip.png
build-release/cli/telvar-verify --case-file "$demo/case.telvarcase" --case CASE-2026-0042 \
  --examiner "A. Examiner" "$demo/authentic.mkv" "$demo/tampered.mkv" "$demo/unsigned.mkv" \
  >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1280x1000x24" env QT_QPA_PLATFORM=xcb \
  build-release/tests/ui/telvar-screenshot --reopen "$demo/case.telvarcase" docs/reopened-case.png
xvfb-run -a -s "-screen 0 1400x900x24" env QT_QPA_PLATFORM=xcb \
  build-release/tests/ui/telvar-screenshot --player=1024x600 "$demo/tampered.mkv" \
  docs/player-tampered.png next
xvfb-run -a -s "-screen 0 1400x900x24" env QT_QPA_PLATFORM=xcb \
  build-release/tests/ui/telvar-screenshot --player=1366x768 "$demo/sealed.mkv" \
  docs/player-sealed.png
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$demo/north-private.pem" 2>/dev/null
openssl pkey -in "$demo/north-private.pem" -pubout -out "$demo/north.pem"
printf '# The agency'"'"'s recorders; ask A. Smith before changing.\n' >"$demo/keys.toml"
xvfb-run -a -s "-screen 0 1024x600x24" env QT_QPA_PLATFORM=xcb \
  build-release/tests/ui/telvar-screenshot --keys "$demo/keys.toml" "$demo/north.pem" \
  "$demo/north-private.pem" docs/keys-dialog.png
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$demo/report.pdf" docs/report-page1
echo "Wrote docs/screenshot.png, docs/evidence.png, docs/evidence-filmstrip.png, docs/report-page1.png, docs/reopened-case.png, docs/player-*.png and docs/keys-dialog.png"
