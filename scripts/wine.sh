#!/usr/bin/env bash
# Runs a Windows program under Wine with the Japanese locale, quietly, in the Wine prefix of the
# build folder (MORVANE_WINEPREFIX, or build/win32/wineprefix). A bare `wine` would create ~/.wine.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${MORVANE_WINEPREFIX:-${WINEPREFIX_OVERRIDE:-$here/build/win32/wineprefix}}"
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$here/scripts/wineprefix.sh" "$WINEPREFIX" || exit 1
exec wine "$@"
