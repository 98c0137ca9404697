#!/usr/bin/env bash
# File list fill over folders of 1,000 and 10,000 real files (mixed extensions and sizes; other
# sizes with FILL_SIZES): the real program started with the folder, its node selected from
# outside, timed until the list holds every row, on a private Xvfb. Prints the best time per row
# at each size, their ratio (the time per row should not grow with the folder) and the program's
# memory per row; then one in-process fill per size that tells where a fill's time goes.
#   bench/fill/run.sh        (BENCH_EXE_DIR: where bench_fill.exe is, default build/win32/bench)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=${BENCH_EXE_DIR:-$here/build/win32/bench}/bench_fill.exe
corpus=$here/build/bench/fill-corpus
repeats=${RUNS:-3}     # timed fills after the one the selection makes
sizes=${FILL_SIZES:-1000 10000}
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

# One program per size: what a process has already shown must not weigh on the next size.
declare -A us bytes
for n in $sizes; do
  out=$(wine "$exe" app "$exe_app" "$repeats" "$(winepath -w "$corpus/$n/files")")
  echo "fill: $out"
  us[$n]=$(echo "$out" | awk '{for (i = 1; i < NF; i++) if ($i == "per_row_us") print $(i + 1)}')
  bytes[$n]=$(echo "$out" | awk '{for (i = 1; i < NF; i++) if ($i == "bytes_per_row") print $(i + 1)}')
  [ -n "${us[$n]}" ] || { echo "bench: fill produced no figures" >&2; exit 1; }
  # Where the time goes, from inside (not in the table).
  echo "fill split: $(wine "$exe" 0 "$(winepath -w "$corpus/$n/files")")"
done
set -- $sizes
first=$1
echo "(best of $((repeats + 1)) selections of the folder's node in Morvane)"
printf '| %-40s | %14s | %8s |\n' "file list fill" "" "ratio"
for n in $sizes; do
  printf '| %-40s | %14s | %8.2f |\n' "$(printf "%'d" "$n") rows: time per row" "$(printf '%.1f µs' "${us[$n]}")" "$(echo "${us[$n]} / ${us[$first]}" | bc -l)"
  printf '| %-40s | %14s | %8s |\n' "$(printf "%'d" "$n") rows: whole fill" "$(printf '%.2f s' "$(echo "${us[$n]} * $n / 1000000" | bc -l)")" ""
  printf '| %-40s | %14s | %8s |\n' "$(printf "%'d" "$n") rows: Morvane's memory per row" "$(printf '%.0f B' "${bytes[$n]}")" ""
done
echo "(ratio = time per row against the $first-row folder; 1.00 means the fill is linear)"
