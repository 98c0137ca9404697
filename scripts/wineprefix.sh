#!/usr/bin/env bash
# Creates a Wine prefix without prompts, once: crash dialogs become exit codes, and the UI font
# "ＭＳ Ｐゴシック" maps to the proportional IPA face.
#   wineprefix.sh PREFIX            for the tests: Wine manages its windows itself (no window
#                                   manager runs on their bare X server)
#   wineprefix.sh PREFIX --desktop  for a Linux desktop: the desktop's window manager frames the
#                                   windows and lists them, as for any other program
set -u
prefix=$1
mode=${2:-}
if [ "$mode" = --desktop ]; then ready=$prefix/.morvane-desktop-1; else ready=$prefix/.morvane-ready-2; fi

# Wine draws caption buttons with the Marlett symbol font; without it they come out as the
# letters "0 1 r". Debian's fonts-wine has it, but this Wine looks for it in the prefix's font
# folder only.
link_marlett() {
  local fonts=$prefix/drive_c/windows/Fonts
  [ -d "$fonts" ] && [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -e "$fonts/marlett.ttf" ] &&
    ln -s /usr/share/wine/fonts/marlett.ttf "$fonts/marlett.ttf"
  return 0
}

[ -f "$ready" ] && { link_marlett; exit 0; }
mkdir -p "$prefix"
exec 9>"$prefix.lock"
flock 9
[ -f "$ready" ] && { link_marlett; exit 0; }
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineboot -i </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f </dev/null >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'ＭＳ ゴシック' /d 'IPAGothic' /f </dev/null >/dev/null 2>&1
if [ "$mode" = --desktop ]; then
  # Wine's own default: managed windows, framed and listed by the desktop.
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f </dev/null >/dev/null 2>&1
else
  # No window manager runs on the bare X server: let Wine manage its windows itself, so hiding a
  # captioned window does not wait for a manager that never answers.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
fi
wineserver -w
link_marlett
touch "$ready"
