#!/usr/bin/env bash
# Builds the release tree, runs every benchmark (or those matching $1) in one run and prints the
# table of ratios for the README. Extra arguments go to the benchmark program.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target zetch_bench >&2
filter=${1:-.}
shift || true
out=build/release/bench.json
build/release/bench/zetch_bench --benchmark_filter="$filter" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true --benchmark_out="$out" --benchmark_out_format=json "$@" >&2
python3 bench/ratios.py "$out"
