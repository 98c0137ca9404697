# Sourced by the scripts that start Wine themselves.
#   mv_wine_prefix PREFIX [--desktop]   makes the prefix once (scripts/wineprefix.sh) and points Wine
#                                       at it: quiet, the Japanese locale, no Mono/Gecko prompts
mv_wine_prefix() {
  export MORVANE_WINEPREFIX=$1
  "$(dirname "${BASH_SOURCE[0]}")/wineprefix.sh" "$@" || return 1
  export WINEPREFIX=$MORVANE_WINEPREFIX WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}
