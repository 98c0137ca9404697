#!/usr/bin/env bash
# Builds Morvane and starts it under Wine with the Japanese locale, with the given paths as its
# command line. With a DISPLAY the window opens there, framed and listed by the desktop's window
# manager like any other; without one it runs on a private Xvfb with openbox as the manager, a
# screenshot of the framed window is saved once it has drawn (its path is printed), and the
# program is ended through its normal close.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" win32 >/dev/null
release="$here/build/win32/release"
# A prefix of its own: the tests' prefix leaves the window management to Wine.
. "$here/scripts/wine_env.sh"
mv_wine_prefix "$here/build/win32/desktop-prefix" --desktop

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
mv_start_wm
shot=${MV_SCREENSHOT:-$here/build/screenshots/morvane.png}
mkdir -p "$(dirname "$shot")"
wine "$release/Morvane.exe" "${args[@]}" </dev/null >/dev/null 2>&1 &
app=$!
ctl="$here/build/win32/tools/winctl.exe"
if geometry=$(wine "$ctl" wait-ready 120000 | tr -d '\r') && [ -n "$geometry" ]; then
  geometry=$(mv_frame_geometry Morvane) || true
  timeout 60 import -window root -crop "$geometry" +repage "$shot"
  echo "screenshot: $shot"
else
  echo "run.sh: the main window did not come up" >&2
fi
wine "$ctl" close 20000 || true
wait $app 2>/dev/null || true
wineserver -k 2>/dev/null || true
