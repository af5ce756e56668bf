#!/usr/bin/env bash
# Sets up a fresh machine, builds the release tree and runs the zetch tool with the arguments
# given (`./run.sh --help` lists its commands).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target zetch_cli >/dev/null
exec build/release/apps/zetch "${@:---help}"
