#!/usr/bin/env bash
# Builds what the benchmarks need and runs every one of them (tree build, file list fill,
# attribute run, copy, LZH packing), each against its peers in the same run, then prints one
# table of the figures and ratios with the machine and the date. Each benchmark's full output
# goes to build/bench/logs/. Benchmarks are never part of the tests or of CI.
#   scripts/bench.sh [--smoke] [NAME...]     NAME: tree fill attrib copy lzh (default: all)
# --smoke runs each at a small size, once: it proves that every benchmark runs and prints its
# table (CI runs it), its figures mean nothing.
# To stay within about 20 minutes, the file list is filled and selected 1 + FILL_RUNS times per
# size (default 2; sizes FILL_SIZES, default "10000 100000"), the tree is built
# TREE_RUNS times per size (default 5) and the copy runs COPY_RUNS times per tool (default 2),
# both the engine's tree of about 1 GB and the 10,000 small files through the window.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
if [ "${1:-}" = --smoke ]; then
  shift
  export BENCH_SMOKE=1 TREE_RUNS=1 FILL_SIZES="100 200" FILL_RUNS=1 COPY_RUNS=1 RUNS=1
fi
names=${*:-tree fill attrib copy lzh}
logs=$here/build/bench/logs
mkdir -p "$logs"

"$here/scripts/build.sh" win32 native >"$logs/build.log" 2>&1 || { echo "bench: the build failed (see $logs/build.log)" >&2; exit 1; }
cmake --build build/win32 --target bench_tree bench_fill bench_attrib bench_copy bench_lzh >>"$logs/build.log" 2>&1 ||
  { echo "bench: the benchmark drivers did not build (see $logs/build.log)" >&2; exit 1; }

start=$(date +%s)
failed=
for name in $names; do
  case $name in
    tree) cmd=(env RUNS="${TREE_RUNS:-5}" bench/tree/run.sh) ;;
    fill) cmd=(env FILL_SIZES="${FILL_SIZES:-10000 100000}" RUNS="${FILL_RUNS:-2}" bench/fill/run.sh) ;;
    attrib) cmd=(bench/attrib/run.sh) ;;
    copy) cmd=(env RUNS="${COPY_RUNS:-2}" bench/copy/run.sh) ;;
    lzh) cmd=(bench/lzh/run.sh) ;;
    *) echo "bench: no benchmark $name" >&2; exit 1 ;;
  esac
  t=$(date +%s)
  echo "bench: $name ..." >&2
  if ! "${cmd[@]}" >"$logs/$name.log" 2>&1; then
    failed="$failed $name"
    echo "bench: $name failed (see $logs/$name.log)" >&2
  fi
  echo "bench: $name took $(( $(date +%s) - t )) s" >&2
done

# One table: the rows each benchmark printed, under its own title.
row() { printf '| %-30s | %-36s | %14s | %7s |\n' "$@"; }
echo
echo "Machine: $(nproc) threads, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); $(date -u '+%Y-%m-%d %H:%M UTC'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
row benchmark measured figure ratio
row "---" "---" "---:" "---:"
for name in $names; do
  log=$logs/$name.log
  [ -f "$log" ] || continue
  if [ "$name" = lzh ]; then
    # The LZH script prints its own layout: its size and throughput lines carry the ratios.
    awk '/^ours Unlha |^ours lh5 |^jlha lh5 |^gzip -6/ {n = $1; for (i = 2; i <= NF - 5; i++) n = n " " $i
      printf "| %-30s | %-36s | %14s | %7s |\n", "LZH pack", n, $(NF - 1) " MB/s", ""}' "$log"
    sed -n 's/^size: ours\/jlha \([0-9.]*\)x *ours\/gzip \([0-9.]*\)x.*/\1 \2/p' "$log" | while read -r a b; do
      row "LZH pack" "size ours/jlha (lower is better)" "" "$a"; row "LZH pack" "size ours/gzip -6 tar" "" "$b"; done
    sed -n 's/^throughput: ours\/jlha \([0-9.]*\)x *ours\/gzip \([0-9.]*\)x.*/\1 \2/p' "$log" | while read -r a b; do
      row "LZH pack" "throughput ours/jlha" "" "$a"; row "LZH pack" "throughput ours/gzip -6" "" "$b"; done
    sed -n 's/^window: \([0-9]*\) small files: whole run \([0-9.]*\) s; progress window shown after \([^;]*\); longest unanswered \([0-9.]*\) s/\1|\2|\3|\4/p' "$log" |
      while IFS='|' read -r n whole shown gap; do
        row "LZH through a window" "$n small files: whole run" "$whole s" ""
        row "LZH through a window" "progress window shown after" "$shown" "≤ 1 s"
        row "LZH through a window" "longest the window did not answer" "$gap s" ""
      done
    continue
  fi
  # Each table: a header row (title, unit, "ratio") and then rows of name, figure, ratio; a log
  # may hold several tables.
  awk -F'|' '
    function trim(s) { gsub(/^ +| +$/, "", s); return s }
    /^\|/ { if (trim($4) == "ratio") { title = trim($2); unit = trim($3); next }
            figure = trim($3); if (unit != "") figure = figure " " unit
            printf "| %-30s | %-36s | %14s | %7s |\n", substr(title, 1, 30), trim($2), figure, trim($4) }' "$log"
done
echo
echo "Ratios, per benchmark:"
echo "- tree build: time / the raw FindFirstFileA recursion's time at that size, both from their process's start (goal for Morvane: at most 1.50)"
echo "- file list: Morvane's time / a bare list view's in the same run (goals: listed at most 2, all selected at most 1.2, removed at most 2)"
echo "- attribute run: wine attrib time / our time (above 1: we are faster)"
echo "- copy: our throughput / the peer's (goal at least 0.90 against xcopy); through the window: time / the raw CopyFileA loop's (goal for Morvane: at most 1.20)"
echo "- LZH pack: ours against jlha and gzip, as labelled"
echo "Total $(( $(date +%s) - start )) s of benchmarks; logs in $logs"
[ -z "$failed" ] || { echo "bench: failed:$failed" >&2; exit 1; }
