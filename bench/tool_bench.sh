#!/usr/bin/env bash
# The zetch tool on a big input, side by side with the programs a user would use instead:
# bench/tool_bench.sh [SIZE-MiB]   (default 1024)
# Builds the release tool, writes a text file of SIZE MiB (words, a tenth of them non-ASCII) and
# its UTF-16LE form into a temporary folder (deleted at the end; TMPDIR picks the disk), reads
# them once into the page cache, then times one run of each command and of its peer and prints
# a table: ratio = peer time / zetch time (above 1 zetch is faster), and zetch's peak memory.
# Lists of hits go to files (grep stops at the first hit when it writes to /dev/null), copies to
# /dev/null. The hash rows compare with a small C++ program that maps the file and hashes it in
# one library call (its time, and that of the call alone): how close the tool comes to the hash
# itself. One run on a shared machine: the ratios are what counts, not the times.
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-1024}
cmake --preset release >/dev/null
cmake --build --preset release --target zetch_cli zetch >/dev/null
zetch=$PWD/build/release/apps/zetch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/chunk" <<'PY'
import random, sys
r = random.Random(1)
ascii_words = ["the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "zetch", "string",
               "library", "needle", "haystack", "alpha", "beta", "gamma", "delta", "query"]
other = ["caf\u00e9", "na\u00efve", "\u20ac12", "\u65e5\u672c\u8a9e", "\u0393\u03b5\u03b9\u03ac", "\U0001F600"]
out, size = [], 0
while size < (1 << 20):
    line = " ".join(r.choice(other) if r.random() < 0.1 else r.choice(ascii_words) for _ in range(r.randint(3, 14)))
    out.append(line)
    size += len(line.encode()) + 1
data = ("\n".join(out) + "\n").encode()[: 1 << 20]
# End the chunk on a whole character, so that copies of it stay well-formed UTF-8.
while data[-1] & 0xC0 == 0x80 or data[-1] >= 0xC0:
    data = data[:-1]
open(sys.argv[1], "wb").write(data.ljust(1 << 20, b"\n"))
PY
for ((i = 0; i < mib; i++)); do cat "$work/chunk"; done >"$work/text"
iconv -f UTF-8 -t UTF-16LE "$work/text" >"$work/text16"
cat "$work/text" "$work/text16" >/dev/null

cat >"$work/hash.cpp" <<'CPP'
// A file's hash the shortest way: map it, one library call (also timed alone).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include "zetch.h"
int main(int, char** argv) {
    const int fd = open(argv[2], O_RDONLY);
    struct stat st;
    fstat(fd, &st);
    auto* p = static_cast<const zet8u*>(mmap(nullptr, st.st_size, PROT_READ, MAP_PRIVATE, fd, 0));
    auto fn = !std::strcmp(argv[1], "sj2") ? zetsHashSJ2_8u32u : !std::strcmp(argv[1], "mscs") ? zetsHashMSCS_8u32u : zetsHash_8u32u;
    zet32u h = 0;
    const auto t0 = std::chrono::steady_clock::now();
    fn(p, static_cast<zet32s>(st.st_size), &h);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%u %.6f\n", h, s);
}
CPP
c++ -O2 -std=c++20 -Iinclude "$work/hash.cpp" -Lbuild/release/src -lzetch -Wl,-rpath,"$PWD/build/release/src" \
  -o "$work/hash"
if [ "$mib" -ge 2048 ]; then echo "the hash rows need a file under 2 GiB (one library call)" >&2; fi

have_time=$([ -x /usr/bin/time ] && echo 1 || echo "")
# timed CMD...: runs CMD and leaves its wall time in $work/secs (and zetch's peak memory in
# $work/rss); CMD's output goes where the caller sends it.
timed() {
  local start end
  start=$(date +%s.%N)
  if [ -n "$have_time" ] && [ "$1" = "$zetch" ]; then
    /usr/bin/time -f %M -o "$work/rss" "$@" || true
  else
    "$@" || true
  fi
  end=$(date +%s.%N)
  python3 -c "print(f'{$end - $start:.3f}')" >"$work/secs"
}
memory() { [ -s "$work/rss" ] && echo "$(($(tail -n 1 "$work/rss") / 1024)) MiB" || echo -; }
ratio() { python3 -c "print(f'{$1 / max($2, 0.001):.2f}')"; }
printf '| command | peer | input | zetch s | peer s | ratio | zetch memory |\n|---|---|---|---|---|---|---|\n'
# row PEER-LABEL INPUT hits|copy "PEER COMMAND" ZETCH-ARGS...: hit lists go to files in the work
# folder and are compared by their count (grep prints "offset:match"); copies go to /dev/null
# and are not compared (the tests compare them).
row() {
  local peer=$1 input=$2 kind=$3 cmd=$4 z p label
  shift 4
  label="$*"
  local sink=/dev/null
  [ "$kind" = hits ] && sink=$work/hits.zetch
  : >"$work/rss"
  timed "$zetch" "$@" "$input" 2>/dev/null >"$sink"
  z=$(cat "$work/secs")
  [ "$kind" = hits ] && sink=$work/hits.peer
  timed bash -c "$cmd" <"$input" 2>/dev/null >"$sink"
  p=$(cat "$work/secs")
  if [ "$kind" = hits ]; then
    [ "$(wc -l <"$work/hits.peer")" = "$(wc -l <"$work/hits.zetch")" ] || label="$label (COUNTS DIFFER)"
    rm -f "$work/hits.peer" "$work/hits.zetch"
  fi
  printf '| `zetch %s` | %s | %s | %s | %s | %s | %s |\n' "$label" "$peer" "$(basename "$input")" "$z" "$p" \
    "$(ratio "$p" "$z")" "$(memory)"
}
row '`grep -b -o -F q`' "$work/text" hits "grep -b -o -F q" findc --all q
row '`grep -b -o -F "#"` (no hit)' "$work/text" hits "grep -b -o -F '#'" findc --all '#'
row '`grep -b -o -F zetch`' "$work/text" hits "grep -b -o -F zetch" find zetch
row '`grep -b -o -F "lazy dog"`' "$work/text" hits "grep -b -o -F 'lazy dog'" find 'lazy dog'
row '`grep -b -o -F Zebra` (no hit)' "$work/text" hits "grep -b -o -F Zebra" find Zebra
row '`tr a b`' "$work/text" copy "tr a b" tr a b
row '`iconv -f UTF-8 -t UTF-16LE`' "$work/text" copy "iconv -f UTF-8 -t UTF-16LE" convert --to utf16le
row '`iconv -f UTF-16LE -t UTF-8`' "$work/text16" copy "iconv -f UTF-16LE -t UTF-8" convert --to utf8
for rule in shift sj2 mscs; do
  : >"$work/rss"
  timed "$zetch" hash --rule $rule "$work/text" >"$work/h.zetch"
  z=$(cat "$work/secs")
  timed "$work/hash" $rule "$work/text" >"$work/h.peer"
  p=$(cat "$work/secs")
  read -r want alone <"$work/h.peer"
  label="hash --rule $rule"
  [ "$(cat "$work/h.zetch")" = "$want" ] || label="$label (VALUES DIFFER)"
  printf '| `zetch %s` | a small C++ program: map, one library call (the call alone: %.3f s) | text | %s | %s | %s | %s |\n' \
    "$label" "$alone" "$z" "$p" "$(ratio "$p" "$z")" "$(memory)"
done
