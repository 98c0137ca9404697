#!/usr/bin/env bash
# Tree build as the user waits for it: Morvane.exe started with one folder, timed from its start
# until status bar panel 1 (read from outside, by bench_tree.exe as an automation client) shows
# the folder's count and the window answers. Beside it, in the same run and the same Wine: a raw
# FindFirstFileA/FindNextFileA recursion started as a process of its own, and `cmd /c dir /s`.
# Two sizes (half and whole corpus) show whether the cost grows with the entries alone. Also
# prints the program's peak memory and where the time goes (start-up with an empty folder, the
# tree builder without a window).
#   bench/tree/run.sh          (RUNS: runs per size, best taken, default 5)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
runs=${RUNS:-5}
corpus=$here/build/bench/tree-corpus
# BENCH_SMOKE=1: a corpus of one small folder, to prove the table prints (CI), not to measure.
sources=(/usr/include /usr/lib/x86_64-linux-gnu /usr/share/man /usr/share/fpcsrc /usr/share/doc)
[ -n "${BENCH_SMOKE:-}" ] && { corpus=$corpus-smoke; sources=(/usr/include/linux); }
driver=$here/build/win32/bench/bench_tree.exe
[ -f "$driver" ] && [ -f "$here/build/win32/release/Morvane.exe" ] ||
  { echo "bench: build first (scripts/build.sh win32; cmake --build build/win32 --target bench_tree)" >&2; exit 1; }

# Two equal halves of hard-linked copies (real files and folders, no extra disk space): corpus/1
# is the small size, corpus the large one.
if [ ! -f "$corpus/.done" ]; then
  rm -rf "$corpus"
  for half in 1 2; do
    mkdir -p "$corpus/$half"
    for src in "${sources[@]}"; do
      [ -d "$src" ] || continue
      cp -al "$src" "$corpus/$half/$(basename "$src")" 2>/dev/null || cp -a "$src" "$corpus/$half/$(basename "$src")"
    done
  done
  # Links would be listed but not entered: keep the corpus to plain files and folders.
  find "$corpus" -type l -delete
  touch "$corpus/.done"
fi
mkdir -p "$corpus-empty"

# The program runs from a folder of its own: its settings file is written there on close.
app=$here/build/bench/app
mkdir -p "$app"
cp "$here/build/win32/release/Morvane.exe" "$app/"
[ -f "$here/build/win32/release/UNLHA32.DLL" ] && cp "$here/build/win32/release/UNLHA32.DLL" "$app/"
rm -f "$app/Morvane.ini"

. "$here/bench/wine_env.sh"
mv_bench_wine display
trap 'wineserver -k 2>/dev/null || true; mv_stop_xvfb' EXIT
exe=$(winepath -w "$app/Morvane.exe")

field() { awk -v k="$1" '{for (i = 1; i < NF; i++) if ($i == k) print $(i + 1)}'; }
now() { date +%s.%N; }
secs() { printf '%.2f s' "$(echo "$1 / 1000" | bc -l)"; }
rows=()
declare -A app_ms raw_ms count
for size in small large; do
  dir=$corpus; [ $size = small ] && dir=$corpus/1
  win=$(winepath -w "$dir")
  out=$(wine "$driver" app "$exe" "$win" "$runs")
  echo "tree $size: $out"
  n=$(echo "$out" | field entries); raw=$(echo "$out" | field raw_ms); ours=$(echo "$out" | field app_ms)
  peak=$(echo "$out" | field peak_mb)
  app_ms[$size]=$ours; raw_ms[$size]=$raw; count[$size]=$n
  best=
  for _ in $(seq "$runs"); do
    t=$(now); wine cmd /c dir /s /b /a "$win" >/dev/null 2>&1; d=$(echo "($(now) - $t) * 1000" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$d < $best" | bc -l)" = 1 ]; then best=$d; fi
  done
  builder=$(wine "$driver" builder "$win" | field ms)
  label=$(printf "%'d entries" "$n")
  rows+=("$label: raw FindFirstFileA recursion|$(secs "$raw")|1.00")
  rows+=("$label: Morvane until panel 1 shows it|$(secs "$ours")|$(printf '%.2f' "$(echo "$ours / $raw" | bc -l)")")
  rows+=("$label: wine cmd /c dir /s /b /a|$(secs "$best")|$(printf '%.2f' "$(echo "$best / $raw" | bc -l)")")
  rows+=("$label: tree builder alone, no window|$(secs "$builder")|$(printf '%.2f' "$(echo "$builder / $raw" | bc -l)")")
  rows+=("$label: Morvane peak memory|$peak MB|")
done
empty=$(wine "$driver" app "$exe" "$(winepath -w "$corpus-empty")" "$runs")
echo "tree empty: $empty"
growth=$(printf '%.2f' "$(echo "${count[large]} / ${count[small]}" | bc -l)")
rows+=("time for ${growth}x entries: raw recursion|$(printf '%.2fx' "$(echo "${raw_ms[large]} / ${raw_ms[small]}" | bc -l)")|")
rows+=("time for ${growth}x entries: Morvane|$(printf '%.2fx' "$(echo "${app_ms[large]} / ${app_ms[small]}" | bc -l)")|")
rows+=("Morvane start-up, empty folder|$(secs "$(echo "$empty" | field app_ms)")|")
echo "(best of $runs runs, each timed from its process's start)"
printf '| %-48s | %10s | %8s |\n' "tree build" "" "ratio"
for r in "${rows[@]}"; do
  IFS='|' read -r name figure ratio <<<"$r"
  printf '| %-48s | %10s | %8s |\n' "$name" "$figure" "$ratio"
done
echo "(ratio = time / the raw recursion's time at that size; goal for Morvane: at most 1.50)"
