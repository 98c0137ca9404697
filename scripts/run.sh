#!/usr/bin/env bash
# Builds Morvane and starts it under Wine with the Japanese locale, with the given paths as its
# command line. With a DISPLAY the window opens there; without one it runs on a private Xvfb,
# a screenshot is saved once the window has drawn (its path is printed), and the program is
# ended through its normal close.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" win32 >/dev/null
release="$here/build/win32/release"
export MORVANE_WINEPREFIX="$here/build/win32/wineprefix"
"$here/scripts/wineprefix.sh" "$MORVANE_WINEPREFIX"
export WINEPREFIX=$MORVANE_WINEPREFIX WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

args=()
for p in "$@"; do
  args+=("$(winepath -w "$(realpath -m "$p")" 2>/dev/null)")
done

if [ -n "${DISPLAY:-}" ] && [ -z "${MV_SCREENSHOT:-}" ]; then
  exec wine "$release/Morvane.exe" "${args[@]}"
fi

. "$here/scripts/xvfb.sh"
mv_start_xvfb
trap 'mv_stop_xvfb' EXIT
shot=${MV_SCREENSHOT:-$here/build/screenshots/morvane.png}
mkdir -p "$(dirname "$shot")"
# A virtual desktop gives the window a frame and a title bar on the bare X server.
wine explorer /desktop=Morvane,800x600 "$release/Morvane.exe" "${args[@]}" </dev/null >/dev/null 2>&1 &
app=$!
# The driver runs inside the same virtual desktop, where it can see the window.
ctl() { wine explorer /desktop=Morvane,800x600 "$here/build/win32/tools/winctl.exe" "$@" </dev/null; }
if ctl wait-ready 120000; then
  import -window root -crop 800x600+0+0 "$shot"
  echo "screenshot: $shot"
else
  echo "run.sh: the main window did not come up" >&2
fi
ctl close 20000 >/dev/null || true
wait $app 2>/dev/null || true
wineserver -k 2>/dev/null || true
