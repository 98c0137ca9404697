#!/usr/bin/env bash
# Builds every fuzz target in fuzz/ with clang's libFuzzer, ASan and UBSan and runs each for a
# fixed number of inputs (one million by default), then prints one line per target.
#   scripts/fuzz.sh [runs-per-target] [target...]
# Re-runnable: each target keeps its corpus in build/fuzz/, so a second run starts from where the
# first one left off. Exits non-zero when any target found a fault.
# MORVANE_FUZZ_MAX_SECONDS caps each target's time (the line then shows how far it got);
# MORVANE_FUZZ_JOBS sets how many targets run at once (default: one per core).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-1000000}
shift || true
out=${MORVANE_FUZZ_OUT:-$here/build/fuzz}
src=$out/src
mkdir -p "$out"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$here"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

# The code under each family of targets (paths relative to the repository).
sources_for() {
  case $1 in
    attrib_*) echo ops/attrib/mask.cpp ops/attrib/date_time.cpp platform/text.cpp ;;
    lzh_*)    (cd "$here" && ls unlha32/lzh/*.cpp unlha32/command.cpp unlha32/member_queue.cpp unlha32/check.cpp platform/text.cpp) ;;
    *)        echo "fuzz.sh: no sources known for $1" >&2; return 1 ;;
  esac
}

# clang has no CP932 execution charset. The build compiles a copy of the sources in which every
# non-ASCII character of a narrow literal is spelled as octal escapes of its CP932 bytes, so the
# literals come out byte for byte as with -fexec-charset=CP932 (octal, because a 0x5C byte must
# not start an escape and a hex escape would swallow the letters after it). Comments and wide,
# UTF-16, UTF-32 and UTF-8 literals stay as they are: clang reads them as UTF-8, and they may hold
# any character.
mirror_sources() {
  python3 - "$here" "$src" <<'PY'
import os, subprocess, sys
root, dst = sys.argv[1], sys.argv[2]

def cp932(ch, where):
    try:
        return ch.encode('cp932')
    except UnicodeEncodeError:  # what iconv (and so g++) would give for the rare differences
        r = subprocess.run(['iconv', '-f', 'UTF-8', '-t', 'CP932'], input=ch.encode(),
                           capture_output=True)
        if r.returncode != 0:
            sys.exit('fuzz.sh: %s: a narrow literal holds %r, which code page 932 cannot hold'
                     % (where, ch))
        return r.stdout

def escape(text, where):
    return ''.join(c if ord(c) < 0x80 else ''.join('\\%03o' % b for b in cp932(c, where))
                   for c in text)

def mirror(text, where):
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
        elif c in '"\'':
            # The literal's prefix: the identifier characters just before the quote.
            k = i
            while k > 0 and (text[k - 1].isalnum() or text[k - 1] == '_'):
                k -= 1
            prefix = text[k:i]
            if prefix[:1].isdigit():  # a digit separator (5'000'000), not a literal
                out.append(c)
                i += 1
                continue
            raw = prefix.endswith('R') and c == '"'
            if raw:
                d = text.index('(', i)
                j = text.index(')' + text[i + 1:d] + '"', d) + (d - i) + 1
            else:
                j = i + 1
                while j < n and text[j] != c and text[j] != '\n':
                    j += 2 if text[j] == '\\' else 1
                j += 1
            body = text[i:j]
            wide = prefix.rstrip('R') in ('L', 'u', 'U', 'u8')
            if not wide and any(ord(ch) >= 0x80 for ch in body):
                if raw:
                    sys.exit('fuzz.sh: %s: a raw narrow literal holds non-ASCII text' % where)
                body = escape(body, where)
            out.append(body)
            i = j
            continue
        elif ord(c) < 0x80:
            j = i + 1
            while j < n and ord(text[j]) < 0x80 and text[j] not in '"\'/':
                j += 1
        else:
            j = i + 1  # outside literals and comments: an identifier character, kept
        out.append(text[i:j])
        i = j
    return ''.join(out)

for top in ('fuzz', 'app', 'browse', 'ops', 'platform', 'targets', 'ui', 'unlha32', 'tests/native'):
    for d, _, files in os.walk(os.path.join(root, top)):
        if '/win32' in d[len(root):] or '/dll' in d[len(root):]:
            continue
        for f in files:
            if not f.endswith(('.h', '.cpp')):
                continue
            path = os.path.join(d, f)
            text = open(path, encoding='utf-8').read()
            out = mirror(text, os.path.relpath(path, root))
            target = os.path.join(dst, os.path.relpath(path, root))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            try:
                if open(target, encoding='utf-8').read() == out:
                    continue  # unchanged: keep its time stamp
            except (OSError, UnicodeDecodeError):
                pass
            with open(target, 'w', encoding='utf-8') as w:
                w.write(out)
PY
}

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -finput-charset=UTF-8 -Wno-invalid-source-encoding -I"$src" -pthread)

# A few seeds for each target; the corpus grows from them.
seed() {
  local dir=$out/corpus-$1
  mkdir -p "$dir"
  [ -n "$(ls -A "$dir")" ] && return 0
  case $1 in
    attrib_fuzz)
      printf '\x00\x01 1997/05/07 12:34:56' > "$dir/parse_ymd"
      printf '\x10\x00 05/07/1997 3:15 pm' > "$dir/parse_mdy"
      printf '\x10\x07 5-7 8' > "$dir/parse_short"
      printf '\x01\x01\x00\x01\x00\x09\x00\x09\x00\x07\x00\x00\x0b\x02\x0b\x00\x04\x05\x0b\x01' > "$dir/keys" ;;
    lzh_command_fuzz)
      printf 'a -r2x1a1 -gn1 "D:\\Out\\x.LZH" "D:\\Work\\" @C:\\Program Files\\M\\TMPLHA.$' > "$dir/program"
      printf 'a -x0 arc "sub\\" one.txt "..\\two.txt" C:\\three.txt' > "$dir/files" ;;
    lzh_listfile_fuzz)
      printf '"a.txt"\r\n"SUB\\b.txt"\r\n"\x95\x5C\\\x83\x5C.txt"\r\n"C:\\x\\y.txt"\r\n"..\\up.txt"\r\n' > "$dir/list" ;;
    lzh_writer_fuzz)
      printf '\x10\x40the quick brown fox jumps over the lazy dog; the quick brown fox' > "$dir/text"
      # Stretched past the segment boundary: after the two option bytes, 0xFF 0xFF first and a
      # byte sum that is a multiple of 32.
      { printf '\x05\x40\xFF\xFF'; printf 'abc%.0s' $(seq 19); printf '\x10'; } > "$dir/stretch" ;;
    lzh_reader_fuzz)
      # Archives of another writer, at each header level.
      if command -v lha >/dev/null; then
        local t; t=$(mktemp -d)
        printf 'some text some text some text\n' > "$t/a.txt"
        head -c 3000 /usr/include/stdio.h > "$t/b.txt"
        for level in 0 1 2; do (cd "$t" && lha "a${level}q" "$dir/level$level.lzh" a.txt b.txt >/dev/null 2>&1); done
        rm -rf "$t"
      fi ;;
  esac
  [ -n "$(ls -A "$dir")" ] || printf 'x' > "$dir/empty"
}

mirror_sources || { echo "fuzz.sh: cannot copy the sources" >&2; exit 1; }
for t in "${targets[@]}"; do
  libs=$(sources_for "$t") || exit 1
  # shellcheck disable=SC2086
  if ! clang++ "${flags[@]}" "$src/fuzz/$t.cpp" $(printf "$src/%s " $libs) -o "$out/$t" 2>"$out/$t.build.log"; then
    echo "fuzz.sh: $t does not build: $out/$t.build.log" >&2
    exit 1
  fi
  seed "$t"
done

# One target per core at a time.
run_one() {
  local t=$1 log=$out/$1.log
  rm -f "$out/$t"-crash-* "$out/$t"-leak-* "$out/$t"-timeout-* "$out/$t"-oom-*
  local status=0
  local cap=()
  [ -n "${MORVANE_FUZZ_MAX_SECONDS:-}" ] && cap=(-max_total_time="$MORVANE_FUZZ_MAX_SECONDS")
  # The writer codes every input and decodes it again: larger inputs add little but time.
  local max_len=65536
  [ "$t" = lzh_writer_fuzz ] && max_len=4096
  "$out/$t" -runs="$runs" "${cap[@]}" -max_len="$max_len" -timeout=30 -rss_limit_mb=2048 \
    -artifact_prefix="$out/$t-" -print_final_stats=1 "$out/corpus-$t" >"$log" 2>&1 || status=$?
  local done_runs seconds
  done_runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  local artifact; artifact=$(ls "$out/$t"-crash-* "$out/$t"-leak-* "$out/$t"-timeout-* "$out/$t"-oom-* 2>/dev/null | head -1)
  if [ "$status" -eq 0 ] && [ -z "$artifact" ]; then
    local note=
    [ "${done_runs:-0}" -lt "$runs" ] && note=" (time limit; $runs asked)"
    printf '%-20s runs=%-9s %5ss  no crashes%s\n' "$t" "${done_runs:-?}" "${seconds:-?}" "$note" > "$out/$t.result"
  else
    printf '%-20s runs=%-9s FAULT (exit %s): %s, log %s\n' "$t" "${done_runs:-?}" "$status" "${artifact:-none}" "$log" > "$out/$t.result"
  fi
}

jobs=${MORVANE_FUZZ_JOBS:-$(nproc)}
for t in "${targets[@]}"; do
  rm -f "$out/$t.result"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run_one "$t" &
done
wait

status=0
for t in "${targets[@]}"; do
  cat "$out/$t.result"
  grep -q 'no crashes' "$out/$t.result" || status=1
done
[ $status -eq 0 ] && echo "fuzz.sh: no faults" || echo "fuzz.sh: FAULTS found"
exit $status
