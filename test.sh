#!/usr/bin/env bash
# Sets up a fresh machine, then builds and runs every test: the release build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, then about a minute of fuzzing of
# the pattern compiler (clang, libFuzzer, both sanitizers).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --workflow --preset release
cmake --workflow --preset asan

# The fuzzer starts from the seed corpus (copied, so the tree stays clean) and fails the run on
# any crash, sanitizer report or broken program.
cmake --preset fuzz
cmake --build --preset fuzz --target regexp_compile_fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp tests/fuzz/regexp_corpus/* "$work/corpus/"
build/fuzz/tests/fuzz/regexp_compile_fuzz -max_total_time=60 -max_len=4096 -timeout=10 \
  -dict=tests/fuzz/regexp.dict -artifact_prefix="$work/" "$work/corpus" 2>"$work/log" || {
  tail -n 40 "$work/log"
  cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* . 2>/dev/null || true
  echo "regexp compiler fuzzing failed (reproducers copied here)" >&2
  exit 1
}
grep -E '^Done [0-9]+ runs' "$work/log" || true
