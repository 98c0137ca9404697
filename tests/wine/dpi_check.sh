#!/usr/bin/env bash
# The windows at 150 %: the window tests that read the real controls' rectangles and the roads
# through the window, run in a Wine prefix of their own whose display is set to 144 DPI as
# winecfg sets it (LogPixels under HKCU\Control Panel\Desktop; Wine 8 reads it there first and
# under the hardware profile's Software\Fonts key after), so the tests' own prefix stays at 96.
#   dpi_check.sh BUILD_DIR [DPI]   (the win32 build folder)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "$1" && pwd)
dpi=${2:-144}
tests=$build/tests

# The program must say it scales itself, or Windows stretches it as a bitmap (Wine ignores it).
grep -qa '<dpiAware ' "$build/release/Morvane.exe" || { echo "dpi_check: Morvane.exe declares no DPI awareness"; exit 1; }

. "$here/scripts/wine_env.sh"
mv_wine_prefix "$build/dpi$dpi-prefix" || { echo "no prefix"; exit 1; }
. "$here/scripts/xvfb.sh"
cleanup() {
  wineserver -k 2>/dev/null
  mv_stop_xvfb
}
trap cleanup EXIT
mv_start_xvfb || exit 1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
# Every process reads the density when it starts: a fresh server and services after the change.
wineserver -k 2>/dev/null
wineserver -w
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1

status=0
# The window's controls and keyboard, then the roads through it.
for t in window_wine_test e2e_wine_test; do
  wine "$tests/$t.exe" --gtest_color=no || status=1
done
exit $status
