#!/usr/bin/env bash
# Builds the date-field fuzz target with clang's libFuzzer and runs it: ./fuzz/attrib_fuzz.sh [runs]
# (one million inputs by default). Not part of CI.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="${MORVANE_FUZZ_OUT:-$root/build/attrib-fuzz}"
runs="${1:-1000000}"
corpus="$out/attrib_corpus"
mkdir -p "$corpus"

srcs=("$root/fuzz/attrib_fuzz.cpp" "$root/ops/attrib/mask.cpp" "$root/ops/attrib/date_time.cpp")
# The lead-byte test the conversion steps with.
if [ -f "$root/platform/text.cpp" ]; then srcs+=("$root/platform/text.cpp"); else srcs+=("$root/targets/paths.cpp"); fi

# clang only knows UTF-8 as execution charset; the messages' bytes do not matter here.
clang++ -std=c++20 -O1 -g -finput-charset=UTF-8 -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=all -I"$root" "${srcs[@]}" -o "$out/attrib_fuzz"

# A few seeds: date texts in two locales and a typing run with layout switches.
seed() { printf "$2" > "$corpus/seed_$1"; }
seed parse_ymd '\x00\x01 1997/05/07 12:34:56'
seed parse_mdy '\x10\x00 05/07/1997 3:15 pm'
seed parse_short '\x10\x07 5-7 8'
seed keys '\x01\x01\x00\x01\x00\x09\x00\x09\x00\x07\x00\x00\x0b\x02\x0b\x00\x04\x05\x0b\x01'

"$out/attrib_fuzz" -runs="$runs" -max_len=256 -print_final_stats=1 "$corpus"
