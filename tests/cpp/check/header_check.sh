#!/usr/bin/env bash
# header_check.sh INCLUDE-DIR: zetch.hpp (every template instantiated by header_check.cpp)
# compiles under -std=c++20 -Wall -Wextra -Werror with each C++ compiler found, with and without
# exceptions, optimised (some of gcc's warnings come from the optimiser). Nothing is linked or run.
set -euo pipefail
inc=$1
tu=$(dirname "$0")/header_check.cpp
found=0
for cxx in g++ clang++; do
  command -v "$cxx" >/dev/null || continue
  found=$((found + 1))
  for flags in "" "-fno-exceptions"; do
    # shellcheck disable=SC2086
    "$cxx" -std=c++20 -Wall -Wextra -Werror $flags -I"$inc" -O2 -c -o /dev/null "$tu" || {
      echo "FAIL: $cxx $flags" >&2
      exit 1
    }
  done
done
[ "$found" -gt 0 ] || { echo "no C++ compiler found" >&2; exit 1; }
echo "zetch.hpp compiles with $found compiler(s), with and without exceptions"
