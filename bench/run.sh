#!/usr/bin/env bash
# Builds the release tree, runs every benchmark (or those matching $1) of every variant of the
# library this machine can run, one program after the other, and prints the table of ratios for
# the README with one column per variant. Extra arguments go to the benchmark programs.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset release >/dev/null
filter=${1:-.}
shift || true
programs=()
for variant in sse41 avx2 avx512; do
  suffix=${variant/sse41/}
  suffix=${suffix:+_$suffix}
  # A variant is run where its tests are registered, that is where this processor can run it.
  grep -q "ZETCH_CPU_RUNS_${variant}:INTERNAL=1" build/release/CMakeCache.txt || continue
  programs+=("$variant:zetch_bench$suffix")
done
cmake --build --preset release --target "${programs[@]#*:}" >&2
columns=()
for p in "${programs[@]}"; do
  variant=${p%%:*}
  out=build/release/bench-$variant.json
  build/release/bench/${p#*:} --benchmark_filter="$filter" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_out="$out" --benchmark_out_format=json "$@" >&2
  columns+=("$variant=$out")
done
python3 bench/ratios.py "${columns[@]}"
