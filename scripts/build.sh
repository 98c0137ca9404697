#!/usr/bin/env bash
# Configures and builds both configurations: native (portable logic and its tests, sanitized)
# and win32 (Morvane.exe, UNLHA32.DLL and the Wine tests).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
jobs=$(nproc)
for preset in "$@"; do
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  # The build's own status, not the filter's: a failed build must stop here.
  status=0
  cmake --build --preset "$preset" -j "$jobs" > >(grep -vE '^\[[0-9]+/[0-9]+\]' || true) || status=$?
  [ "$status" -eq 0 ] || { echo "build.sh: the $preset build failed" >&2; exit 1; }
done
