#!/usr/bin/env bash
# Sets up a fresh machine, then builds and runs every test: the release build and its installed
# tree, then the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, then the
# regular-expression tests (the multi-threaded table search among them) under ThreadSanitizer
# with LLVM's OpenMP runtime, then the Windows DLLs (tests under Wine) and the 32-bit Linux
# build, then about a minute of fuzzing of the regular expressions (clang, libFuzzer, both
# sanitizers).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --workflow --preset release
# The installed tree: into a temporary prefix, linked through pkg-config and find_package, run
# without LD_LIBRARY_PATH, then moved.
tests/install/install_test.sh build/release
cmake --workflow --preset asan
# The OpenMP runtime's own code is not instrumented: its accesses are left out
# (ignore_noninstrumented_modules), its barriers reach the sanitizer through LLVM's tool library.
cmake --workflow --preset tsan

# The other targets, each where its compiler is installed: the Windows DLLs (the 64-bit one's
# tests under Wine; the 32-bit one's where wine32 starts) and the 32-bit Linux build (its tests
# where the kernel starts 32-bit programs). What a preset cannot run here is a skipped test that
# says why.
cross_preset() {  # preset, compiler it needs
  if command -v "$2" >/dev/null; then
    cmake --workflow --preset "$1"
  else
    echo "$1: $2 is not installed (tools/install-deps.sh could not install it): not built" >&2
  fi
}
cross_preset windows-x64 x86_64-w64-mingw32-g++-posix
cross_preset windows-x86 i686-w64-mingw32-g++-posix
if echo 'int main(){}' | g++ -m32 -x c++ - -o /dev/null 2>/dev/null; then
  cmake --workflow --preset linux-i386
else
  echo "linux-i386: g++ -m32 does not link (g++-multilib is not installed): not built" >&2
fi

# Each fuzzer starts from its seed corpus (copied, so the tree stays clean) and fails the run on
# any crash, sanitizer report or broken program. The minute is shared among the targets.
# A slow input is not a failure: the match limit bounds how deep backtracking nests, not how
# long it runs, so nested repeats can take exponential time by the rules. Such an input ends
# that target's share early and is shown in the log.
cmake --preset fuzz
fuzzers=(regexp_compile regexp_search regexp_replace regexp_multi)
cmake --build --preset fuzz --target "${fuzzers[@]/%/_fuzz}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for f in "${fuzzers[@]}"; do
  mkdir "$work/$f"
  cp tests/fuzz/${f}_corpus/* "$work/$f/"
  rc=0
  build/fuzz/tests/fuzz/${f}_fuzz -max_total_time=$((60 / ${#fuzzers[@]})) -max_len=4096 -timeout=10 \
    -timeout_exitcode=3 -dict=tests/fuzz/regexp.dict -artifact_prefix="$work/" "$work/$f" 2>"$work/$f.log" || rc=$?
  if [ "$rc" = 3 ]; then
    echo "$f: an input ran over 10 s (slow by the rules, not a fault):"
    od -A d -c "$work"/timeout-* 2>/dev/null | head -n 8 || true
    rm -f "$work"/timeout-*
  elif [ "$rc" != 0 ]; then
    tail -n 40 "$work/$f.log"
    cp "$work"/crash-* "$work"/leak-* . 2>/dev/null || true
    echo "$f fuzzing failed (reproducers copied here)" >&2
    exit 1
  fi
  echo "$f: $(grep -E '^Done [0-9]+ runs' "$work/$f.log" || true)"
done
