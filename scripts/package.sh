#!/usr/bin/env bash
# Builds the Windows release and packs it as build/Morvane-<version>.zip: one folder holding
# Morvane.exe, UNLHA32.DLL and the read-me texts (Japanese in Shift-JIS, English in UTF-8 with a
# byte-order mark, both with CR LF line ends, as Windows editors expect).
#   scripts/package.sh [--check]
# --check also unpacks the zip into a fresh folder and starts the program from there under Wine
# on a private Xvfb: the window must come up, close normally and leave Morvane.ini beside it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=0
for a in "$@"; do
  case $a in
    --check) check=1 ;;
    *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
  esac
done

"$here/scripts/setup.sh"
"$here/scripts/build.sh" win32 >/dev/null

# The version the about box shows.
version=$(grep -o 'Morvane Ver [0-9][0-9.]*' "$here/app/Unit1.cpp" | head -1 | awk '{print $3}')
version=${version:-0.97}
name=Morvane-$version
release=$here/build/win32/release
stage=$here/build/package
zipfile=$here/build/$name.zip

for f in Morvane.exe UNLHA32.DLL; do
  [ -f "$release/$f" ] || { echo "package.sh: $release/$f was not built" >&2; exit 1; }
done

rm -rf "$stage/$name"
mkdir -p "$stage/$name"
cp "$release/Morvane.exe" "$release/UNLHA32.DLL" "$stage/$name/"
# LF to CR LF first: Shift-JIS trail bytes are never 0x0A, so the order does not matter.
sed 's/$/\r/' "$here/packaging/readme-ja.txt" | iconv -f UTF-8 -t CP932 > "$stage/$name/readme-ja.txt"
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$here/packaging/readme-en.txt"; } > "$stage/$name/readme-en.txt"

rm -f "$zipfile"
(cd "$stage" && zip -q -X -r "$zipfile" "$name")
echo "package: $zipfile"
unzip -l "$zipfile" | sed -n '4,8p'

[ $check -eq 1 ] || exit 0

# Unpack where nothing has run before, and start the program from that folder.
scratch=$(mktemp -d "$stage/check.XXXXXX")
. "$here/scripts/wine_env.sh"
mv_wine_prefix "$stage/wineprefix"
. "$here/scripts/xvfb.sh"
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  wineserver -k 2>/dev/null || true
  mv_stop_xvfb
  rm -rf "$scratch"
}
trap cleanup EXIT
mv_start_xvfb
(cd "$scratch" && unzip -q "$zipfile")
folder=$scratch/$name
iconv -f CP932 -t UTF-8 "$folder/readme-ja.txt" >/dev/null || { echo "check: readme-ja.txt is not Shift-JIS" >&2; exit 1; }
grep -q $'\r$' "$folder/readme-ja.txt" || { echo "check: readme-ja.txt lacks CR LF" >&2; exit 1; }

ctl=$here/build/win32/tools/winctl.exe
(cd "$folder" && exec wine ./Morvane.exe "$(winepath -w "$folder/readme-en.txt")" </dev/null >/dev/null 2>&1) &
app=$!
fail() { echo "check: $1" >&2; exit 1; }
geometry=$(wine "$ctl" wait-ready 120000 | tr -d '\r') || fail "the main window did not come up"
wine "$ctl" close 20000 || fail "the program did not close"
status=0
wait "$app" || status=$?
app=
[ $status -eq 0 ] || fail "the program exited with $status"
[ -f "$folder/Morvane.ini" ] || fail "no Morvane.ini beside the program"
echo "check: unpacked $name runs under Wine (window $geometry), closes, and writes Morvane.ini beside itself"
