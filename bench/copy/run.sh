#!/usr/bin/env bash
# Two tables, each against its peers in the same run, every tool into a fresh destination:
# - engine: a real tree of about 1 GB of mixed files (headers, documentation, message catalogues,
#   compiler libraries and programs; real copies made once into build/bench/copy-src) through the
#   real copy engine, against Wine's `xcopy /E /I /Y` and native `cp -r`; best throughputs;
# - window: one folder of 10,000 small files (1 to 4 KB, made once into build/bench/copy-small)
#   through the real program, its コピー button pressed and its folder chooser answered from
#   outside, until the run is over and the window answers; against a raw CreateDirectoryA and
#   CopyFileA loop and `xcopy /E /I /Y`, both whole processes; best times.
#   bench/copy/run.sh [engine|window]   (default both; BENCH_EXE_DIR: where bench_copy.exe is,
#                                         default build/win32/bench)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=${BENCH_EXE_DIR:-$here/build/win32/bench}/bench_copy.exe
src=$here/build/bench/copy-src
# BENCH_SMOKE=1: a few MB, to prove the table prints (CI), not to measure.
[ -n "${BENCH_SMOKE:-}" ] && src=$src-smoke
dst=$here/build/bench/copy-dst
runs=${RUNS:-3}
parts=${1:-engine window}
[ -f "$exe" ] || { echo "bench: $exe is missing (scripts/build.sh win32)" >&2; exit 1; }

now() { date +%s.%N; }
best() { sort -g | head -1; }
# Each tool writes into a destination that does not exist yet; the previous copy's writes are
# flushed first so they do not fall into the next one's time.
fresh() { rm -rf "$dst"; mkdir -p "$dst"; sync; }
# The copy must be complete: the same number of files and bytes.
check() {
  local n b
  n=$(find "$1" -type f | wc -l)
  b=$(find "$1" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
  [ "$n" -eq "$files" ] && [ "$b" -eq "$bytes" ] || { echo "bench: $2 copied $n files, $b bytes" >&2; exit 1; }
}

engine() {
if [ ! -f "$src/.done" ]; then
  rm -rf "$src"
  mkdir -p "$src/tree"
  # Regular files only (no links), with names every tool can write on a Windows file system.
  copy_files() {  # copy_files FROM-FOLDER NAME
    (cd "$1" && find "$2" -type f -size -64M -print0 | grep -zv '[^A-Za-z0-9._+/ -]' |
      tar --null -T - -cf -) | tar -C "$src/tree" -xf -
  }
  if [ -n "${BENCH_SMOKE:-}" ]; then
    copy_files /usr/include linux
    budget=$(( 4 * 1000 * 1000 ))
  else
    copy_files /usr include
    copy_files /usr/share doc
    copy_files /usr/share locale
    copy_files /usr/lib gcc
    # Shared libraries up to about 1 GB in all.
    budget=$(( 1000 * 1000 * 1000 - $(du -sb "$src/tree" | cut -f1) ))
  fi
  mkdir -p "$src/tree/lib"
  for f in $(find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -size -64M | LC_ALL=C sort); do
    [ "$budget" -gt 0 ] || break
    cp "$f" "$src/tree/lib/"
    budget=$((budget - $(stat -c %s "$f")))
  done
  # Names that differ only in case would land on one file under Wine.
  (cd "$src/tree" && find . | sort -f | uniq -di | while read -r d; do
    find . -ipath "$d" ! -path "$d" -print0 | xargs -0r rm -rf; done)
  touch "$src/.done"
fi
bytes=$(find "$src/tree" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
files=$(find "$src/tree" -type f | wc -l)
echo "copy: $files files, $bytes bytes in $src/tree"

wsrc=$(winepath -w "$src/tree")

# Every tool reads the sources from the page cache, the first one too.
find "$src/tree" -type f -exec cat {} + >/dev/null
ours=(); xcopies=(); cps=(); line=
for _ in $(seq "$runs"); do
  fresh; t=$(now); line=$(wine "$exe" "$wsrc" "$(winepath -w "$dst/ours")"); ours+=("$(echo "$(now) - $t" | bc)")
  check "$dst/ours" Morvane
  fresh; t=$(now); wine xcopy /E /I /Y "$wsrc" "$(winepath -w "$dst/xcopy")" >/dev/null 2>&1; xcopies+=("$(echo "$(now) - $t" | bc)")
  check "$dst/xcopy" xcopy
  fresh; t=$(now); cp -r "$src/tree" "$dst/cp"; cps+=("$(echo "$(now) - $t" | bc)")
  check "$dst/cp" cp
done
o=$(printf '%s\n' "${ours[@]}" | best); x=$(printf '%s\n' "${xcopies[@]}" | best); c=$(printf '%s\n' "${cps[@]}" | best)
mbps() { echo "$bytes / $1 / 1000000" | bc -l; }
echo "$line" | sed "s/^/copy: /"
printf '| %-34s | %10s | %12s |\n' "copy, $files files, $((bytes / 1000000)) MB" "MB/s" "ratio"
printf '| %-34s | %10.1f | %12s |\n' "Morvane copy (whole process)" "$(mbps "$o")" "1.00"
printf '| %-34s | %10.1f | %12.2f |\n' "wine xcopy /E /I /Y" "$(mbps "$x")" "$(echo "$x / $o" | bc -l)"
printf '| %-34s | %10.1f | %12.2f |\n' "native cp -r" "$(mbps "$c")" "$(echo "$c / $o" | bc -l)"
echo "(best of $runs; ratio = our throughput / the peer's; goal at least 0.90 against xcopy)"
}

window() {
  local small=$here/build/bench/copy-small n=10000 name
  # BENCH_SMOKE=1: a few hundred files, to prove the table prints (CI), not to measure.
  [ -n "${BENCH_SMOKE:-}" ] && small=$small-smoke n=300
  if [ ! -f "$small/.done" ]; then
    rm -rf "$small"
    mkdir -p "$small/files"
    for ((i = 0; i < n; i++)); do
      printf -v name 'file%05d.txt' "$i"
      printf '%*s\n' $((1024 + (i * 397) % 3072)) "file $i" > "$small/files/$name"
    done
    touch "$small/.done"
  fi
  bytes=$(find "$small/files" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
  files=$(find "$small/files" -type f | wc -l)
  echo "copy window: $files files, $bytes bytes in $small/files"
  # The program from a folder of its own, with the settings it starts with.
  local app=$here/build/bench/copy-app
  mkdir -p "$app"
  cp "$here/build/win32/release/Morvane.exe" "$app/"
  rm -f "$app/Morvane.ini"
  local wapp wsmall line
  wapp=$(winepath -w "$app/Morvane.exe")
  wsmall=$(winepath -w "$small/files")
  find "$small/files" -type f -exec cat {} + >/dev/null
  local ours=() raws=() xcopies=() lines=()
  for _ in $(seq "$runs"); do
    # The chooser is given a folder that exists, as a user picks one.
    fresh; mkdir -p "$dst/ours"
    line=$(wine "$exe" window "$wapp" "$wsmall" "$(winepath -w "$dst/ours")") ||
      { echo "bench: Morvane's copy through the window failed: $line" >&2; exit 1; }
    lines+=("$line")
    ours+=("$(echo "$line" | awk '{for (i = 1; i < NF; i++) if ($i == "window_ms") print $(i + 1) / 1000}')")
    check "$dst/ours/files" "Morvane through the window"
    fresh; mkdir -p "$dst/raw"
    t=$(now); wine "$exe" raw "$wsmall" "$(winepath -w "$dst/raw/files")" >/dev/null; raws+=("$(echo "$(now) - $t" | bc)")
    check "$dst/raw/files" "the raw CopyFileA loop"
    fresh; t=$(now); wine xcopy /E /I /Y "$wsmall" "$(winepath -w "$dst/xcopy/files")" >/dev/null 2>&1
    xcopies+=("$(echo "$(now) - $t" | bc)")
    check "$dst/xcopy/files" xcopy
  done
  local o r x
  o=$(printf '%s\n' "${ours[@]}" | best); r=$(printf '%s\n' "${raws[@]}" | best); x=$(printf '%s\n' "${xcopies[@]}" | best)
  printf 'copy window: %s\n' "${lines[@]}"
  printf '| %-48s | %10s | %8s |\n' "copy window, $files small files" "s" "ratio"
  printf '| %-48s | %10.2f | %8s |\n' "raw CreateDirectoryA + CopyFileA loop" "$r" "1.00"
  printf '| %-48s | %10.2f | %8.2f |\n' "Morvane.exe through its window" "$o" "$(echo "$o / $r" | bc -l)"
  printf '| %-48s | %10.2f | %8.2f |\n' "wine xcopy /E /I /Y" "$x" "$(echo "$x / $r" | bc -l)"
  echo "(best of $runs; ratio = time / the raw loop's; goal for Morvane at most 1.20)"
}

. "$here/bench/wine_env.sh"
mv_bench_wine display
trap 'rm -rf "$dst"; wineserver -k 2>/dev/null || true; mv_stop_xvfb' EXIT
for part in $parts; do
  case $part in
    engine) engine ;;
    window) window ;;
    *) echo "bench: no copy part $part (engine, window)" >&2; exit 1 ;;
  esac
done
