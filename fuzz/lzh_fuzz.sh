#!/usr/bin/env bash
# Builds the LZH fuzz targets with libFuzzer, ASan and UBSan (clang, native) and runs each for
# a while. Not part of CI.
#   fuzz/lzh_fuzz.sh [seconds-per-target] [target...]   (default 60; all lzh_* targets)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
out=$here/build/lzh-fuzz
mkdir -p "$out"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(lzh_command_fuzz lzh_listfile_fuzz lzh_writer_fuzz lzh_reader_fuzz)

lib=(unlha32/lzh/crc16.cpp unlha32/lzh/huffman.cpp unlha32/lzh/lh5_encoder.cpp unlha32/lzh/lh_decoder.cpp
     unlha32/lzh/header.cpp unlha32/lzh/io.cpp unlha32/lzh/member_writer.cpp unlha32/command.cpp
     unlha32/member_queue.cpp unlha32/check.cpp)
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$here" -pthread)

# A few seeds for each target.
seed() {
  local dir=$out/corpus-$1
  mkdir -p "$dir"
  case $1 in
    lzh_command_fuzz)
      printf 'a -r2x1a1 -gn1 "D:\\Out\\x.LZH" "D:\\Work\\" @C:\\Program Files\\M\\TMPLHA.$' > "$dir/program"
      printf 'a -x0 arc "sub\\" one.txt "..\\two.txt" C:\\three.txt' > "$dir/files" ;;
    lzh_listfile_fuzz)
      printf '"a.txt"\r\n"SUB\\b.txt"\r\n"\x95\x5C\\\x83\x5C.txt"\r\n"C:\\x\\y.txt"\r\n"..\\up.txt"\r\n' > "$dir/list" ;;
    lzh_writer_fuzz)
      printf '\x10\x40the quick brown fox jumps over the lazy dog; the quick brown fox' > "$dir/text"
      printf '\x05\xFF\xFFabcabcabcabcabcabc' > "$dir/stretch" ;;
    lzh_reader_fuzz)
      # Archives of another writer, at each header level.
      if command -v lha >/dev/null && [ ! -f "$dir/level2.lzh" ]; then
        local t; t=$(mktemp -d)
        printf 'some text some text some text\n' > "$t/a.txt"
        head -c 3000 /usr/include/stdio.h > "$t/b.txt"
        for level in 0 1 2; do (cd "$t" && lha "a${level}q" "$dir/level$level.lzh" a.txt b.txt >/dev/null 2>&1) || true; done
        rm -rf "$t"
      fi ;;
  esac
}

for t in "${targets[@]}"; do
  echo "== $t"
  clang++ "${flags[@]}" "$here/fuzz/$t.cpp" "${lib[@]/#/$here/}" -o "$out/$t"
  seed "$t"
  status=0
  "$out/$t" -max_total_time="$seconds" -max_len=65536 -timeout=30 -rss_limit_mb=2048 \
    -artifact_prefix="$out/$t-" -print_final_stats=1 "$out/corpus-$t" >"$out/$t.log" 2>&1 || status=$?
  grep -E "^(stat::number_of_executed_units|SUMMARY)|ERROR" "$out/$t.log" || true
  [ "$status" -eq 0 ] || { echo "fuzz: $t found a fault: $out/$t.log and $out/$t-crash-*"; exit 1; }
done
echo "fuzz: no faults"
