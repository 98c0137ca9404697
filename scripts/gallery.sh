#!/usr/bin/env bash
# Takes the gallery's screenshots from the real program under Wine on a private Xvfb with
# Debian's openbox as the window manager, in the prefix scripts/run.sh uses on a desktop, each
# cropped to its window with the manager's frame, into docs/gallery/:
#   main.png      the main window with a tree of Japanese-named folders and files
#   main-150.png  the same at 150 % (144 DPI), main-200.png at 200 % (192 DPI)
#   about.png     the about box
#   progress.png  the progress dialog during a long copy
#   errors.png    the error window listing the files that copy could not read
# The program is driven from outside by build/win32/tools/winctl.exe with the main window's own
# control and menu ids.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" win32 >/dev/null

# MORVANE_GALLERY_DIR: somewhere else than docs/gallery (CI takes the shots to see that they come).
# MORVANE_GALLERY_DPI: the density of the first four shots (96), to look at every window at another.
gallery=${MORVANE_GALLERY_DIR:-$here/docs/gallery}
first_dpi=${MORVANE_GALLERY_DPI:-96}
work=$here/build/gallery
release=$here/build/win32/release
ctl=$here/build/win32/tools/winctl.exe
mkdir -p "$gallery" "$work"

# Ids from app/Unit1.h.
kIdTree=100
kIdBitBtn1=103   # コピー
kCmdAbout1=1011  # バージョン情報
IDOK=1 IDYES=6 VK_DOWN=40
kIdChooserName=300

. "$here/scripts/wine_env.sh"
mv_wine_prefix "$work/desktop-prefix" --desktop

# The files to show and copy, on the prefix's drive C: for short paths: a few documents, and
# many small files that keep the copy going.
drive_c=$MORVANE_WINEPREFIX/drive_c
demo=$drive_c/デモ/プロジェクト
rm -rf "$demo/資料" "$demo/画像" "$drive_c/コピー先" "$work/Morvane.ini"
mkdir -p "$demo/資料/議事録" "$demo/画像" "$demo/大きなファイル"
for f in 企画書.txt 予算表.csv 表ソ.txt readme.txt; do printf '%s\r\n' "$f" > "$demo/資料/$f"; done
for m in 04 05 06; do printf '2026-%s\r\n' "$m" > "$demo/資料/議事録/議事録_2026$m.txt"; done
for f in 表紙.bmp 地図.png 写真01.jpg 写真02.jpg; do head -c 40000 /dev/zero > "$demo/画像/$f"; done
for i in $(seq -w 1 8); do
  f=$demo/大きなファイル/data$i.bin
  [ "$(stat -c %s "$f" 2>/dev/null)" = $((48 * 1024 * 1024)) ] || head -c $((48 * 1024 * 1024)) /dev/zero > "$f"
done
rm -f "$demo"/大きなファイル/data{09..24}.bin
# Many small files keep the copy going for seconds on any disk: a gigabyte of large ones is
# copied from the page cache in well under the second the progress dialog waits.
# They go beside the large ones, so the tree shows the same folders as before.
rm -rf "$demo/ログ"
if [ "$(ls "$demo/大きなファイル" | grep -c '^log')" != 4000 ]; then
  (cd "$demo/大きなファイル" && for i in $(seq -w 1 4000); do printf 'log line %s\r\n' "$i" > "log$i.txt"; done)
fi
touch -d '2026-11-03 09:30' "$demo"/資料/* "$demo/画像"/*

win() { winepath -w "$1" 2>/dev/null; }
shot() {  # shot <name> <window title> <geometry without the frame>
  local geometry
  geometry=$(mv_frame_geometry "$2") || geometry=$3
  sleep 0.5  # the frame's own drawing
  timeout 60 import -window root -crop "$geometry" +repage "$gallery/$1.png"
  echo "gallery: $gallery/$1.png ($geometry)"
}
drive() { wine "$ctl" "$@" | tr -d '\r'; }

. "$here/scripts/xvfb.sh"
app= holder=
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null
  [ -n "$app" ] && kill "$app" 2>/dev/null
  wineserver -k 2>/dev/null || true
  mv_stop_xvfb
}
trap cleanup EXIT
mv_start_xvfb
mv_start_wm

# The display's density as winecfg sets it; every Wine process reads it when it starts, so the
# server and its services start afresh after the change.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p
  wine wineboot </dev/null >/dev/null 2>&1 || true
}

fail() {  # with a shot of the whole screen as it stood, to see why
  timeout 30 import -window root "$work/failed.png" 2>/dev/null && echo "gallery.sh: the screen: $work/failed.png" >&2
  echo "gallery.sh: $1" >&2
  exit 1
}
# The program keeps its settings beside itself: run a copy of the release in the work folder,
# with no settings file, so each window opens at the layout's size.
cp "$release/Morvane.exe" "$release/UNLHA32.DLL" "$work/"
start_program() {
  rm -f "$work/Morvane.ini"
  (cd "$work" && exec wine ./Morvane.exe "$(win "$demo")" </dev/null >"$work/morvane.log" 2>&1) &
  app=$!
  geometry=$(drive wait-ready 120000) || fail "the main window did not come up"
  # Four rows down from the tree's root is 資料: the list then shows its documents.
  drive key $kIdTree $VK_DOWN 4 || fail "cannot move in the tree"
}
close_program() {
  drive close 20000 || fail "the program did not close"
  wait "$app" || true
  app=
}

set_dpi "$first_dpi"
start_program
shot main Morvane "$geometry"

drive command $kCmdAbout1
geometry=$(drive wait-window "について" 20000) || fail "no about box"
shot about "Morvane について" "$geometry"
drive click $IDOK "について" || fail "cannot close the about box"
drive wait-gone "について" 20000 || fail "the about box stays"

# Copy everything into a folder that does not exist yet, while three files are held open
# without sharing: the copy cannot read them, and the error window lists them afterwards.
exec 7< <(wine "$ctl" hold 600 "$(win "$demo/資料/予算表.csv")" "$(win "$demo/資料/表ソ.txt")" \
  "$(win "$demo/画像/地図.png")" 2>&1)
holder=$!
read -r -t 30 ready <&7 || true
[ "${ready%$'\r'}" = held ] || fail "cannot hold the files: $ready"

drive click $kIdBitBtn1 || fail "the copy button is not there or not enabled"
drive wait-window "フォルダーの選択" 20000 >/dev/null || fail "no folder chooser"
drive settext "フォルダーの選択" $kIdChooserName "C:\\コピー先" || fail "cannot type the folder"
drive click $IDOK "フォルダーの選択"
drive wait-window "確認" 20000 >/dev/null || fail "no question to create the folder"
drive click $IDYES "確認"
geometry=$(drive wait-window TForm2 60000) || fail "no progress dialog"
shot progress "コピーしています．．．" "$geometry"
drive wait-gone TForm2 300000 || fail "the copy does not end"
geometry=$(drive wait-window TForm3 20000) || fail "no error window after the copy"
shot errors "エラー表示" "$geometry"

kill "$holder" 2>/dev/null || true
holder=
close_program
rm -rf "$drive_c/コピー先"  # a gigabyte of copies

for scale in 150:144 200:192; do
  set_dpi "${scale#*:}"
  start_program
  shot "main-${scale%%:*}" Morvane "$geometry"
  close_program
done
set_dpi 96
