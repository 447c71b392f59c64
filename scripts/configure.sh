#!/usr/bin/env bash
# Configures a build quietly: cmake's output is shown only when it fails,
# so a missing package or a bad option is seen rather than lost.
#   scripts/configure.sh CMAKE_ARGUMENT...
set -uo pipefail
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake "$@" >"$log" 2>&1; then
  cat "$log" >&2
  echo "configuring failed: cmake $*" >&2
  exit 1
fi
