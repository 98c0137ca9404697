#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test: native ones first,
# then the Windows ones under Wine on a private Xvfb display. Exits non-zero on any failure.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" native win32

status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$(nproc)" || status=1

echo "== Wine tests"
export MORVANE_WINEPREFIX="$here/build/win32/wineprefix"
"$here/scripts/wineprefix.sh" "$MORVANE_WINEPREFIX"
. "$here/scripts/xvfb.sh"
mv_start_xvfb
trap 'WINEPREFIX=$MORVANE_WINEPREFIX wineserver -k 2>/dev/null || true; mv_stop_xvfb' EXIT
export WINEPREFIX=$MORVANE_WINEPREFIX WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
# Start the Wine server and its services before CTest, so they do not inherit its output pipe.
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true
ctest --test-dir build/win32 --output-on-failure || status=1

if [ $status -ne 0 ]; then echo "test.sh: FAILED"; else echo "test.sh: all tests passed"; fi
exit $status
