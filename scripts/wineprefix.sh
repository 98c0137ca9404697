#!/usr/bin/env bash
# Creates a Wine prefix without prompts, once: crash dialogs become exit codes, and the UI font
# "ＭＳ Ｐゴシック" maps to the proportional IPA face.
set -u
prefix=$1
[ -f "$prefix/.morvane-ready-2" ] && exit 0
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.morvane-ready-2" ] && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineboot -i </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f </dev/null >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'ＭＳ ゴシック' /d 'IPAGothic' /f </dev/null >/dev/null 2>&1
# No window manager runs on the bare X server: let Wine manage its windows itself, so hiding a
# captioned window does not wait for a manager that never answers.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
wineserver -w
touch "$prefix/.morvane-ready-2"
