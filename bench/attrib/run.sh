#!/usr/bin/env bash
# Attribute run (read-only and archive set, with and without one last-write date) over 10,000
# real files in 100 folders, against Wine's `attrib +r /s` on the same files in the same run (its
# attrib applies only the last of several flags, and Wine reports the archive bit on every file).
# The files are made writable again before every run. Prints the best whole-process times and the
# ratios.
#   bench/attrib/run.sh      (BENCH_EXE_DIR: where bench_attrib.exe is, default build/win32/bench)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=${BENCH_EXE_DIR:-$here/build/win32/bench}/bench_attrib.exe
corpus=$here/build/bench/attrib-corpus
runs=${RUNS:-3}
# BENCH_SMOKE=1: 100 files in 10 folders, to prove the table prints (CI), not to measure.
folders=100
[ -n "${BENCH_SMOKE:-}" ] && { folders=10; corpus=$corpus-smoke; }
[ -f "$exe" ] || { echo "bench: $exe is missing (scripts/build.sh win32)" >&2; exit 1; }

if [ ! -f "$corpus/.done" ]; then
  rm -rf "$corpus"
  for ((d = 0; d < folders; d++)); do
    mkdir -p "$corpus/files/dir$d"
    for ((i = 0; i < folders; i++)); do
      printf '%*s' $(( (d * 131 + i * 17) % 2048 )) '' > "$corpus/files/dir$d/file$i.dat"
    done
  done
  touch "$corpus/.done"
fi
files=$(find "$corpus/files" -type f | wc -l)

. "$here/bench/wine_env.sh"
mv_bench_wine
trap 'chmod -R u+w "$corpus/files"; wineserver -k 2>/dev/null || true' EXIT
win=$(winepath -w "$corpus/files")

# Read-only under Wine is the Unix write bit; the reset makes every file writable again.
reset() { chmod -R u+w "$corpus/files"; sync; }
# Every file must be read-only after a run, or the run did not do the work.
check() {
  local left
  left=$(find "$corpus/files" -type f -perm -u+w | wc -l)
  [ "$left" -eq 0 ] || { echo "bench: $1 left $left files writable" >&2; exit 1; }
}
now() { date +%s.%N; }
best() { sort -g | head -1; }
dated=(); plain=(); peer=(); line=
for _ in $(seq "$runs"); do
  reset; t=$(now); line=$(wine "$exe" "$win" "2021/03/04 05:06:08"); dated+=("$(echo "$(now) - $t" | bc)"); check ours
  reset; t=$(now); wine "$exe" "$win" >/dev/null; plain+=("$(echo "$(now) - $t" | bc)"); check ours
  reset; t=$(now); wine attrib +r "$win\\*" /s >/dev/null 2>&1; peer+=("$(echo "$(now) - $t" | bc)"); check "wine attrib"
done
# The date really arrived: the last dated run wrote it (the later runs set no date).
[ "$(find "$corpus/files" -type f ! -newermt '2021-03-04 05:06:10' | wc -l)" -eq "$files" ] ||
  { echo "bench: the date was not set on every file" >&2; exit 1; }
a=$(printf '%s\n' "${dated[@]}" | best); p=$(printf '%s\n' "${plain[@]}" | best); w=$(printf '%s\n' "${peer[@]}" | best)
echo "attrib: $line"
printf '| %-34s | %10s | %12s |\n' "attribute run, $files files" "seconds" "ratio"
printf '| %-34s | %10.2f | %12.2f |\n' "Morvane +R +A and date" "$a" "$(echo "$w / $a" | bc -l)"
printf '| %-34s | %10.2f | %12.2f |\n' "Morvane +R +A" "$p" "$(echo "$w / $p" | bc -l)"
printf '| %-34s | %10.2f | %12s |\n' "wine attrib +r /s" "$w" "1.00"
echo "(whole processes, best of $runs; ratio = wine attrib time / ours; above 1 means we are faster)"
