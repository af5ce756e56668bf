#!/usr/bin/env bash
# Installs what a fresh machine lacks for building, testing and benchmarking zetch (Debian).
set -euo pipefail
# clang, its runtime (libFuzzer and the sanitizers) and LLVM's OpenMP build the fuzz and tsan
# presets; Hyperscan is the multi-pattern benchmark's peer.
packages=(cmake g++ make pkg-config python3 libgtest-dev libbenchmark-dev
          libicu-dev libpcre2-dev libre2-dev libhyperscan-dev clang libclang-rt-dev libomp-dev)
# The other targets: mingw-w64 for the Windows DLLs and Wine to test the 64-bit one (presets
# windows-x64, windows-x86), g++-multilib for the 32-bit Linux build (linux-i386). Wine for
# 32-bit programs (wine32, to run the 32-bit DLL's tests) needs the i386 package architecture,
# which is enabled here unless ZETCH_NO_I386=1 (it changes what the machine's package manager
# offers); without it the windows-x86 preset builds and checks the DLLs and says why its tests
# did not run.
cross=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 g++-multilib)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386 && [ "${ZETCH_NO_I386:-0}" != 1 ]; then
  $sudo dpkg --add-architecture i386 && $sudo apt-get update >&2 || echo "could not enable the i386 architecture" >&2
fi
if dpkg --print-foreign-architectures | grep -qx i386; then
  cross+=(wine32:i386)
fi

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

install() {
  [ $# -eq 0 ] && return 0
  echo "installing: $*" >&2
  $sudo apt-get install -y --no-install-recommends "$@" >&2 || {
    $sudo apt-get update >&2
    $sudo apt-get install -y --no-install-recommends "$@" >&2
  }
}

mapfile -t missing < <(missing_of "${packages[@]}")
install "${missing[@]}"

# The other targets' packages may be missing from a mirror or refused by the machine: their
# presets then say what they lack, and everything else still runs.
mapfile -t missing < <(missing_of "${cross[@]}")
if ! install "${missing[@]}"; then
  echo "could not install: $(missing_of "${cross[@]}" | tr '\n' ' ')(the Windows and 32-bit builds that need them are left out)" >&2
fi
