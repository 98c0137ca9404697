#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test: native ones first,
# then the Windows ones under Wine on a private Xvfb display. Exits non-zero on any failure.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" native win32

status=0
# Every source by .clang-format: whatever file a change touched stays formatted.
echo "== formatting"
"$here/scripts/format.sh" --check || status=1

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

WINEPREFIX=$MORVANE_WINEPREFIX wineserver -k 2>/dev/null || true

# Every other command the README names, run briefly, so that one that breaks fails here: each
# fuzz target for some thousands of inputs, the package checked, every benchmark at a small
# size (its table, not its figures), the program started on a folder, the gallery's shots.
echo "== the README's other commands, briefly"
smoke=$here/build/smoke
rm -rf "$smoke"; mkdir -p "$smoke/仕事"
printf 'a' > "$smoke/仕事/予定表.txt"; printf 'bb' > "$smoke/仕事/表ソ.txt"
smoke_step() {
  local name=$1; shift
  local t; t=$(date +%s)
  if "$@" >"$smoke/$name.log" 2>&1; then
    echo "smoke: $name passed in $(( $(date +%s) - t )) s"
  else
    echo "smoke: $name FAILED (exit $?), its output:"; tail -40 "$smoke/$name.log"; status=1
  fi
}
smoke_step fuzz env MORVANE_FUZZ_OUT="$here/build/fuzz-smoke" MORVANE_FUZZ_MAX_SECONDS=60 "$here/scripts/fuzz.sh" 3000
smoke_step package "$here/scripts/package.sh" --check
smoke_step bench "$here/scripts/bench.sh" --smoke
smoke_step run env -u DISPLAY MV_SCREENSHOT="$smoke/morvane.png" "$here/scripts/run.sh" "$smoke/仕事"
smoke_step gallery env -u DISPLAY MORVANE_GALLERY_DIR="$smoke/gallery" "$here/scripts/gallery.sh"
[ -s "$smoke/morvane.png" ] || { echo "smoke: run.sh saved no screenshot"; status=1; }
[ "$(ls "$smoke/gallery"/*.png 2>/dev/null | wc -l)" -ge 4 ] || { echo "smoke: gallery.sh took too few shots"; status=1; }

if [ $status -ne 0 ]; then echo "test.sh: FAILED"; else echo "test.sh: all tests passed"; fi
exit $status
