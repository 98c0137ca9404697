#!/usr/bin/env bash
# Tree build over a real folder of about 100,000 files, against Wine's `cmd /c dir /s /b /a` and
# native `find` on the same folder, in the same run. Prints time ratios and peak memory.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
corpus=${1:-$here/build/bench/tree-corpus}
if [ ! -d "$corpus" ]; then
  mkdir -p "$corpus"
  # Hard-linked copies: real files and folders, no extra disk space.
  for src in /usr/share /usr/include /usr/lib/x86_64-linux-gnu; do
    cp -al "$src" "$corpus/$(basename "$src")" 2>/dev/null || cp -a "$src" "$corpus/$(basename "$src")"
  done
  # Links would be followed by Wine: keep the corpus to plain files and folders.
  find "$corpus" -type l -delete
fi
export MORVANE_WINEPREFIX="$here/build/win32/wineprefix"
"$here/scripts/wineprefix.sh" "$MORVANE_WINEPREFIX"
export WINEPREFIX=$MORVANE_WINEPREFIX WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
win=$(winepath -w "$corpus")
exe="$here/build/win32/bench/bench_tree.exe"

now() { date +%s.%N; }
best() { sort -g | head -1; }
runs=3
ours=(); dirs=(); finds=(); line=
for i in $(seq $runs); do
  t=$(now); line=$(wine "$exe" "$win"); ours+=("$(echo "$(now) - $t" | bc)")
  t=$(now); wine cmd /c dir /s /b /a "$win" >/dev/null 2>&1; dirs+=("$(echo "$(now) - $t" | bc)")
  t=$(now); find "$corpus" >/dev/null; finds+=("$(echo "$(now) - $t" | bc)")
done
o=$(printf '%s\n' "${ours[@]}" | best); d=$(printf '%s\n' "${dirs[@]}" | best); f=$(printf '%s\n' "${finds[@]}" | best)
files=$(find "$corpus" | wc -l)
echo "tree build: $line"
printf '| %-34s | %10s | %12s |\n' "tree build, $files items" "seconds" "ratio"
printf '| %-34s | %10.2f | %12s |\n' "Morvane tree build (whole process)" "$o" "1.00"
printf '| %-34s | %10.2f | %12.2f |\n' "wine cmd /c dir /s /b /a" "$d" "$(echo "$d / $o" | bc -l)"
printf '| %-34s | %10.2f | %12.2f |\n' "native find" "$f" "$(echo "$f / $o" | bc -l)"
echo "(ratio = peer time / our time; above 1 means we are faster)"
