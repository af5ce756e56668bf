#!/usr/bin/env bash
# Installs what a fresh machine lacks for building, testing and benchmarking zetch (Debian).
set -euo pipefail
# clang, its runtime (libFuzzer and the sanitizers) and LLVM's OpenMP build the fuzz and tsan
# presets; Hyperscan is the multi-pattern benchmark's peer.
packages=(cmake g++ make pkg-config python3 libgtest-dev libbenchmark-dev
          libicu-dev libpcre2-dev libre2-dev libhyperscan-dev clang libclang-rt-dev libomp-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y --no-install-recommends "${missing[@]}" >&2 || {
  $sudo apt-get update >&2
  $sudo apt-get install -y --no-install-recommends "${missing[@]}" >&2
}
