#!/usr/bin/env bash
# The file list over folders of 10,000 and 100,000 real files (mixed extensions and sizes; other
# sizes with FILL_SIZES), each against the limit measured in the same run: a bare report list
# view filled from the folder's search by callbacks. For each size it times, best of 1 + RUNS
# rounds: the rows listed and those in view drawn; "全て選択" until the window answers again; and,
# once, the removal of all those selected rows (the bare list deleting them one by one). Morvane
# is the real program started with the folder and driven from outside on a private Xvfb; its
# memory per row and peak working set are read from outside too.
#   bench/fill/run.sh        (BENCH_EXE_DIR: where bench_fill.exe is, default build/win32/bench)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=${BENCH_EXE_DIR:-$here/build/win32/bench}/bench_fill.exe
corpus=$here/build/bench/fill-corpus
repeats=${RUNS:-3}
sizes=${FILL_SIZES:-10000 100000}
[ -f "$exe" ] || { echo "bench: $exe is missing (scripts/build.sh win32)" >&2; exit 1; }

# Real files with the extensions a user's folder holds, so the shell looks up several kinds.
exts=(txt doc xls jpg png exe dll zip lzh htm c h ini bmp pdf log)
for n in $sizes; do
  [ -f "$corpus/$n/.done" ] && continue
  rm -rf "$corpus/$n"
  mkdir -p "$corpus/$n/files"
  for ((i = 0; i < n; i++)); do
    printf '%*s' $(( (i * 37) % 4096 )) '' > "$corpus/$n/files/file$i.${exts[i % ${#exts[@]}]}"
  done
  touch "$corpus/$n/.done"
done

. "$here/bench/wine_env.sh"
mv_bench_wine display
trap 'wineserver -k 2>/dev/null || true; mv_stop_xvfb' EXIT

app=$here/build/bench/app
mkdir -p "$app"
cp "$here/build/win32/release/Morvane.exe" "$app/"
rm -f "$app/Morvane.ini"
exe_app=$(winepath -w "$app/Morvane.exe")

field() { echo "$1" | awk -v k="$2" '{for (i = 1; i < NF; i++) if ($i == k) print $(i + 1)}'; }
declare -A fig
for n in $sizes; do
  folder=$(winepath -w "$corpus/$n/files")
  bare=$(wine "$exe" bare "$repeats" "$folder")
  echo "fill bare: $bare"
  ours=$(wine "$exe" app "$exe_app" "$repeats" "$folder")
  echo "fill app: $ours"
  for k in fill_ms select_ms remove_ms; do
    fig[$n,bare,$k]=$(field "$bare" $k)
    fig[$n,ours,$k]=$(field "$ours" $k)
    [ -n "${fig[$n,bare,$k]}" ] && [ -n "${fig[$n,ours,$k]}" ] || { echo "bench: fill produced no $k" >&2; exit 1; }
  done
  fig[$n,bytes]=$(field "$ours" bytes_per_row)
  fig[$n,peak]=$(field "$ours" peak_mb)
  fig[$n,barebytes]=$(field "$bare" bytes_per_row)
  fig[$n,barepeak]=$(field "$bare" peak_mb)
done

echo "(best of $((repeats + 1)) rounds; the removal once per process)"
printf '| %-52s | %12s | %8s |\n' "file list, bare and Morvane" "" "ratio"
row() { printf '| %-52s | %12s | %8s |\n' "$1" "$2" "$3"; }
secs() { printf '%.3f s' "$(echo "$1 / 1000" | bc -l)"; }
for n in $sizes; do
  N=$(printf "%'d" "$n")
  for k in fill_ms select_ms remove_ms; do
    case $k in
      fill_ms) what="listed, the rows in view drawn" ;;
      select_ms) what="all selected, the window answering" ;;
      remove_ms) what="the selected rows removed" ;;
    esac
    row "$N rows: $what, bare list" "$(secs "${fig[$n,bare,$k]}")" "1.00"
    row "$N rows: $what, Morvane" "$(secs "${fig[$n,ours,$k]}")" "$(printf '%.2f' "$(echo "${fig[$n,ours,$k]} / ${fig[$n,bare,$k]}" | bc -l)")"
  done
  row "$N rows: memory per row, bare list" "$(printf '%.0f B' "${fig[$n,barebytes]}")" ""
  row "$N rows: memory per row, Morvane" "$(printf '%.0f B' "${fig[$n,bytes]}")" ""
  row "$N rows: peak working set, bare list" "$(printf '%.1f MB' "${fig[$n,barepeak]}")" ""
  row "$N rows: peak working set, Morvane (tree included)" "$(printf '%.1f MB' "${fig[$n,peak]}")" ""
done
echo "(ratio = Morvane's time / the bare list's in the same run; goals: listed at most 2, selected at most 1.2, removed at most 2)"
