#!/usr/bin/env bash
# Sets up a fresh machine, then builds and runs every test: the release build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --workflow --preset release
cmake --workflow --preset asan
