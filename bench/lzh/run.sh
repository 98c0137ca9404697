#!/usr/bin/env bash
# LZH writer benchmark: builds a mixed corpus (C++ headers, package documentation with its .gz
# files, program binaries; nested folders) and packs it in one run with our UNLHA32.DLL under
# Wine as the "ＬＨＡ" button calls it (the tree of the folder, the program's list file and command
# text, `Unlha`), with the native build of the same writer, with jlha's `lha` (-lh5-, run as a
# black box) and with `gzip -6` of a tar. Prints sizes, the size ratios and throughputs (best of
# $RUNS runs), and checks our archives with 7z and lhasa.
#   bench/lzh/run.sh [build-folder]   (default build/lzh-bench)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$here/build/lzh-bench}
RUNS=${RUNS:-3}
work=$build/bench-work
# BENCH_SMOKE=1: a corpus of a few MB, to prove the table prints (CI), not to measure.
[ -n "${BENCH_SMOKE:-}" ] && work=$work-smoke
corpus=$work/corpus

for tool in lha gzip tar 7z lhasa; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVANE_SANITIZE=OFF >/dev/null
cmake --build "$build" --target mv_lzhpack >/dev/null
pack=$build/unlha32/mv_lzhpack

# The corpus: the same files on every run of this machine.
if [ ! -f "$work/corpus.done" ]; then
  rm -rf "$work"
  mkdir -p "$corpus/include" "$corpus/doc" "$corpus/bin"
  # Regular files only, so every tool packs the same set.
  copy_files() {  # copy_files FROM-FOLDER NAME DEST
    (cd "$1" && find "$2" -type f -print0 | tar --null -T - -cf -) | tar -C "$3" -xf -
  }
  copy_files /usr/include/c++ 12 "$corpus/include"
  budget=$((12 * 1024 * 1024))
  if [ -n "${BENCH_SMOKE:-}" ]; then
    rm -rf "$corpus/include"; mkdir -p "$corpus/include"
    copy_files /usr/include/c++/12 bits "$corpus/include"
    budget=$((1024 * 1024))
  fi
  for pkg in $(ls /usr/share/doc | LC_ALL=C sort); do
    [ "$budget" -gt 0 ] || break
    src=/usr/share/doc/$pkg
    [ -d "$src" ] && [ ! -L "$src" ] || continue
    size=$(find "$src" -type f -printf '%s\n' | awk '{s+=$1} END {print s+0}')
    copy_files /usr/share/doc "$pkg" "$corpus/doc"
    budget=$((budget - size))
  done
  budget=$((16 * 1024 * 1024))
  [ -n "${BENCH_SMOKE:-}" ] && budget=0
  for prog in cmake python3.11 perl git gdb ctest cpack cppcheck bash; do
    f=/usr/bin/$prog
    [ -f "$f" ] && [ "$budget" -gt 0 ] || continue
    cp "$f" "$corpus/bin/"
    budget=$((budget - $(stat -c %s "$f")))
  done
  rmdir "$corpus/bin" 2>/dev/null || true  # no programs in the small corpus
  touch "$work/corpus.done"
fi
total=$(find "$corpus" -type f -printf '%s\n' | awk '{s+=$1} END {print s}')
files=$(find "$corpus" -type f | wc -l)
gzcount=$(find "$corpus" -type f -name '*.gz' | wc -l)
echo "corpus: $files files ($gzcount .gz), $total bytes, in $corpus"

# Our list file: names relative to the corpus, with backslashes, as the program writes them.
(cd "$corpus" && find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|.*|"&"|' | sed 's/$/\r/') > "$work/list.txt"

# Best wall time of RUNS runs, and the processor time (user + system) of that run.
best= cpu=
measure() {
  local b= c= out real user sys
  for _ in $(seq "$RUNS"); do
    out=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 )
    read -r real user sys <<<"$out"
    if [ -z "$b" ] || [ "$(echo "$real < $b" | bc -l)" = 1 ]; then b=$real; c=$(echo "$user + $sys" | bc -l); fi
  done
  best=$b cpu=$c
}

run_ours() { rm -f "$work/ours.lzh"; "$pack" a -r2x1a1 -gn1 "\"$work/ours.lzh\"" "\"$corpus/\"" "@$work/list.txt"; }
run_jlha() { rm -f "$work/jlha.lzh"; (cd "$corpus" && lha ao5q "$work/jlha.lzh" include doc bin); }
run_gzip() { tar -C "$corpus" -cf - . | gzip -6 > "$work/tar.gz"; }

# The library under Wine, timed by its driver from the button's start to Unlha's return.
dll_dir=$here/build/win32/bench
[ -f "$dll_dir/bench_lzh.exe" ] && [ -f "$here/build/win32/release/UNLHA32.DLL" ] ||
  { echo "bench: build first (scripts/build.sh win32; cmake --build build/win32 --target bench_lzh)" >&2; exit 1; }
cp "$here/build/win32/release/UNLHA32.DLL" "$dll_dir/"
. "$here/bench/wine_env.sh"
mv_bench_wine display
trap 'wineserver -k 2>/dev/null || true; mv_stop_xvfb' EXIT
t_dll=
for _ in $(seq "$RUNS"); do
  ms=$(wine "$dll_dir/bench_lzh.exe" "$(winepath -w "$corpus")" "$(winepath -w "$work/dll.lzh")" |
    awk '{for (i = 1; i < NF; i++) if ($i == "ms") print $(i + 1)}')
  [ -n "$ms" ] || { echo "bench: the library under Wine made no archive" >&2; exit 1; }
  s=$(echo "$ms / 1000" | bc -l)
  if [ -z "$t_dll" ] || [ "$(echo "$s < $t_dll" | bc -l)" = 1 ]; then t_dll=$s; fi
done

measure run_ours; t_ours=$best c_ours=$cpu
measure run_jlha; t_jlha=$best c_jlha=$cpu
measure run_gzip; t_gzip=$best c_gzip=$cpu

s_ours=$(stat -c %s "$work/ours.lzh")
s_dll=$(stat -c %s "$work/dll.lzh")
s_jlha=$(stat -c %s "$work/jlha.lzh")
s_gzip=$(stat -c %s "$work/tar.gz")

# Our archive must be sound: 7z checks every CRC; lhasa extracts the same files.
7z t "$work/ours.lzh" | grep -q "Everything is Ok" || { echo "bench: 7z t failed on our archive" >&2; exit 1; }
rm -rf "$work/x" && mkdir -p "$work/x"
(cd "$work/x" && lhasa xq "$work/ours.lzh")
diff -r "$corpus" "$work/x" >/dev/null || { echo "bench: lhasa extracted different files" >&2; exit 1; }
7z t "$work/dll.lzh" | grep -q "Everything is Ok" || { echo "bench: 7z t failed on the library's archive" >&2; exit 1; }
rm -rf "$work/x" && mkdir -p "$work/x"
(cd "$work/x" && lhasa xq "$work/dll.lzh")
diff -r "$corpus" "$work/x/corpus" >/dev/null || { echo "bench: lhasa extracted different files from the library's archive" >&2; exit 1; }

mbps() { echo "scale=1; $total / $1 / 1000000" | bc -l; }
pct() { echo "scale=1; 100 * $1 / $total" | bc -l; }
printf '%-14s %12s %7s %9s %8s %9s\n' tool bytes ratio seconds MB/s cpu-s
printf '%-14s %12d %6s%% %9.2f %8s %9s\n' "ours Unlha wine" "$s_dll" "$(pct "$s_dll")" "$t_dll" "$(mbps "$t_dll")" "-"
printf '%-14s %12d %6s%% %9.2f %8s %9.2f\n' "ours lh5" "$s_ours" "$(pct "$s_ours")" "$t_ours" "$(mbps "$t_ours")" "$c_ours"
printf '%-14s %12d %6s%% %9.2f %8s %9.2f\n' "jlha lh5" "$s_jlha" "$(pct "$s_jlha")" "$t_jlha" "$(mbps "$t_jlha")" "$c_jlha"
printf '%-14s %12d %6s%% %9.2f %8s %9.2f\n' "gzip -6 (tar)" "$s_gzip" "$(pct "$s_gzip")" "$t_gzip" "$(mbps "$t_gzip")" "$c_gzip"
echo "size: ours/jlha $(echo "scale=3; $s_ours / $s_jlha" | bc -l)x  ours/gzip $(echo "scale=3; $s_ours / $s_gzip" | bc -l)x   (goal: ours/jlha <= 0.97)"
echo "throughput: ours/jlha $(echo "scale=2; $t_jlha / $t_ours" | bc -l)x  ours/gzip $(echo "scale=2; $t_gzip / $t_ours" | bc -l)x   (goal: ours/jlha >= 2)"
echo "throughput under Wine: Unlha/jlha $(echo "scale=2; $t_jlha / $t_dll" | bc -l)x  Unlha/gzip $(echo "scale=2; $t_gzip / $t_dll" | bc -l)x"

# Through a window, as the program calls it: a folder of many small files, the time until the
# library's progress window shows and the longest the caller's window took to answer meanwhile.
small=$work/small
nsmall=10000
[ -n "${BENCH_SMOKE:-}" ] && nsmall=300
if [ ! -f "$small.done" ]; then
  rm -rf "$small"; mkdir -p "$small/files"
  for ((i = 0; i < nsmall; i++)); do printf 'file %d of a folder of small files\n' "$i" > "$small/files/f$i.txt"; done
  touch "$small.done"
fi
wline=$(wine "$dll_dir/bench_lzh.exe" "$(winepath -w "$small/files")" "$(winepath -w "$work/small.lzh")" window)
echo "window run: $wline"
wfield() { echo "$wline" | awk -v k="$1" '{for (i = 1; i < NF; i++) if ($i == k) print $(i + 1)}'; }
[ -n "$(wfield progress_shown_ms)" ] || { echo "bench: the windowed run printed no figures" >&2; exit 1; }
printf 'window: %s small files: whole run %.2f s; progress window shown after %s; longest unanswered %.2f s\n' \
  "$nsmall" "$(echo "$(wfield ms) / 1000" | bc -l)" \
  "$( [ "$(wfield progress_shown_ms)" -lt 0 ] && echo "never (run too short)" || printf '%.2f s' "$(echo "$(wfield progress_shown_ms) / 1000" | bc -l)")" \
  "$(echo "$(wfield longest_unanswered_ms) / 1000" | bc -l)"
echo "threads: $(nproc); load average: $(cut -d' ' -f1-3 /proc/loadavg)"
# Where the difference comes from: packed bytes of each top folder, ours against jlha's.
for part in include doc bin; do
  po=$(7z l -slt "$work/ours.lzh" | awk -v d="$part" '/^Path = /{p=$3} /^Packed Size = /{if (index(p, d "/") == 1) s += $4} END {print s+0}')
  pj=$(7z l -slt "$work/jlha.lzh" | awk -v d="$part" '/^Path = /{p=$3} /^Packed Size = /{if (index(p, d "/") == 1) s += $4} END {print s+0}')
  echo "  $part: packed ours/jlha $(echo "scale=3; $po / $pj" | bc -l)x"
done
# The .gz files are stored either way: the coder's own share is the rest.
po=$(7z l -slt "$work/ours.lzh" | awk '/^Path = /{p=$3} /^Packed Size = /{if (p !~ /\.gz$/) s += $4} END {print s+0}')
pj=$(7z l -slt "$work/jlha.lzh" | awk '/^Path = /{p=$3} /^Packed Size = /{if (p !~ /\.gz$/) s += $4} END {print s+0}')
echo "  all but .gz: packed ours/jlha $(echo "scale=3; $po / $pj" | bc -l)x ($po vs $pj bytes)"
