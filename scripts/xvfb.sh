# Sourced by the scripts: starts a private Xvfb display unless one is given, and stops it on exit.
# Sets DISPLAY and MV_XVFB_PID.
mv_start_xvfb() {
  if [ -n "${MV_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    MV_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      # Another script may have taken the same number a moment earlier: its socket is not ours,
      # so the display counts only while our server still runs.
      kill -0 "$MV_XVFB_PID" 2>/dev/null || break
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        sleep 0.1
        kill -0 "$MV_XVFB_PID" 2>/dev/null || break
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.05
    done
  done
  echo "cannot start Xvfb" >&2
  return 1
}
mv_stop_xvfb() {
  [ -n "${MV_WM_PID:-}" ] && kill "$MV_WM_PID" 2>/dev/null || true
  MV_WM_PID=
  [ -n "${MV_XVFB_PID:-}" ] && kill "$MV_XVFB_PID" 2>/dev/null || true
  MV_XVFB_PID=
}

# Starts Debian's openbox on DISPLAY, as a desktop's window manager, and waits until it manages
# the screen. Sets MV_WM_PID; mv_stop_xvfb stops it as well.
mv_start_wm() {
  command -v openbox >/dev/null || { echo "openbox is not installed" >&2; return 1; }
  openbox --sm-disable >/dev/null 2>&1 &
  MV_WM_PID=$!
  local i
  for i in $(seq 1 400); do  # up to 20 s: a loaded machine starts it slowly
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$MV_WM_PID" 2>/dev/null || break
    sleep 0.05
  done
  echo "cannot start openbox" >&2
  return 1
}

# The geometry (WxH+X+Y) of a managed window with its manager's frame; $1 is the window's title
# (found by its UTF-8 name among the manager's clients, so Japanese titles match too).
mv_frame_geometry() {
  local id info x y w h ext l r t b
  for id in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed -n 's/.*# *//p' | tr -d ','); do
    [ "$(xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed -n 's/^[^=]*= *"\(.*\)"$/\1/p')" = "$1" ] || continue
    info=$(xwininfo -id "$id" 2>/dev/null) || return 1
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/.*Width: *//p' <<<"$info")
    h=$(sed -n 's/.*Height: *//p' <<<"$info")
    ext=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    IFS=, read -r l r t b <<<"${ext:-0,0,0,0}"
    echo "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))"
    return 0
  done
  return 1
}
