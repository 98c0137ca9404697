# Sourced by the benchmark scripts: the benchmarks' own Wine prefix (MORVANE_WINEPREFIX to use
# another), quiet Wine, the Japanese locale, no Mono/Gecko prompts, and a running wineserver.
#   mv_bench_wine [display]   display: also start a private Xvfb (stop it with mv_stop_xvfb)
mv_bench_wine() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  . "$root/scripts/wine_env.sh"
  mv_wine_prefix "${MORVANE_WINEPREFIX:-$root/build/bench/wineprefix}"
  if [ "${1:-}" = display ]; then
    . "$root/scripts/xvfb.sh"
    mv_start_xvfb
  fi
  wineserver -p 2>/dev/null || true  # already running: keep it
}
