#!/usr/bin/env bash
# The window as a Linux desktop shows it: run in the prefix that scripts/run.sh uses, under
# Debian's openbox, the main window must be framed by the manager, listed in its client list, and
# draw no caption of its own inside the frame. Leaves a screenshot of the framed window.
#   desktop_check.sh BUILD_DIR   (the win32 build folder)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1
release=$build/release
ctl=$build/tools/winctl.exe
shot=$build/screenshots/desktop.png
work=$(mktemp -d)
mkdir -p "$work/仕事" "$(dirname "$shot")"
printf 'abc\r\n' > "$work/仕事/メモ.txt"

. "$here/scripts/wine_env.sh"
mv_wine_prefix "$build/desktop-prefix" --desktop || { echo "no prefix"; exit 1; }

. "$here/scripts/xvfb.sh"
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  wineserver -k 2>/dev/null
  mv_stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
mv_start_xvfb || exit 1
mv_start_wm || exit 1
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1

fail() { echo "desktop_check: $1"; exit 1; }
wine "$release/Morvane.exe" "$(winepath -w "$work/仕事" 2>/dev/null)" </dev/null >/dev/null 2>&1 &
app=$!
outer=$(wine "$ctl" wait-ready 120000 </dev/null 2>/dev/null | tr -d '\r') || fail "the main window did not come up"
[ -n "$outer" ] || fail "the main window did not come up"

info=$(xwininfo -name Morvane) || fail "no X window named Morvane"
xid=$(sed -n 's/.*Window id: *\(0x[0-9a-f]*\).*/\1/p' <<<"$info")
height=$(sed -n 's/.*Height: *//p' <<<"$info")
clients=$(xprop -root _NET_CLIENT_LIST)
grep -qiw "$xid" <<<"$clients" || fail "the manager does not list $xid: $clients"
extents=$(xprop -id "$xid" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
[ "${top:-0}" -gt 0 ] || fail "no frame around the window (extents: '$extents')"
# The caption and its buttons are the manager's: the X window holds the client area only.
outer_height=${outer%%+*}
outer_height=${outer_height#*x}
[ "$height" -lt "$outer_height" ] || fail "Wine draws its own caption ($height of $outer_height)"

geometry=$(mv_frame_geometry Morvane)
timeout 60 import -window root -crop "$geometry" +repage "$shot" || fail "no screenshot"
echo "desktop_check: framed (extents $extents), listed as $xid; screenshot $shot"

wine "$ctl" close 20000 </dev/null >/dev/null 2>&1 || fail "the window did not close"
wait "$app"
app=
exit 0
