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
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$MV_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
  done
  echo "cannot start Xvfb" >&2
  return 1
}
mv_stop_xvfb() {
  [ -n "${MV_XVFB_PID:-}" ] && kill "$MV_XVFB_PID" 2>/dev/null
  MV_XVFB_PID=
}
