#!/usr/bin/env bash
# Formats the C and C++ sources by the committed .clang-format, or checks them.
#   scripts/format.sh [--check] [FILE...]     default: every tracked C and C++ source
# --check changes nothing: it names each file whose formatting differs and exits non-zero. The
# test command runs it on every source, so a change that touches a file leaves it formatted.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
check=
if [ "${1:-}" = --check ]; then check=1; shift; fi
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
fi
command -v clang-format >/dev/null || { echo "format.sh: clang-format is missing (scripts/setup.sh installs it)" >&2; exit 1; }
if [ -z "$check" ]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi
bad=0
for f in "${files[@]}"; do
  if ! clang-format --style=file "$f" | cmp -s - "$f"; then
    echo "format.sh: $f differs from .clang-format (scripts/format.sh $f)"
    bad=1
  fi
done
exit $bad
