#!/usr/bin/env bash
# The installed library and tool as a user meets them: install_test.sh BUILD-DIR
# Installs the build tree into a temporary prefix outside the linker's and loader's default
# paths, builds a C program against it once through pkg-config and once through
# find_package(zetch), and runs both and the installed zetch with a clean environment (no
# LD_LIBRARY_PATH). Then moves the whole prefix elsewhere and does it again: the run paths
# ($ORIGIN), the CMake package and the pkg-config file must all follow the prefix.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
clean() { env -i PATH=/usr/bin:/bin "$@"; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null

cat >"$work/app.c" <<'C'
#include <stdio.h>
#include <string.h>
#include "zetch.h"
int main(void) {
    const char* hay = "installed and linked";
    zet32s at = -1;
    if (zetsFind_8u((const zet8u*)hay, (zet32s)strlen(hay), (const zet8u*)"linked", 6, &at) != zetStatusOk) return 1;
    /* the name comes from libzetcore's feature query, through libzetch */
    printf("%s %d\n", zetchGetLibVersion()->name, at);
    return 0;
}
C
cat >"$work/CMakeLists.txt" <<'CM'
cmake_minimum_required(VERSION 3.25)
project(zetch_consumer C)
find_package(zetch REQUIRED)
add_executable(app app.c)
target_link_libraries(app PRIVATE zetch::zetch)
CM

check_prefix() {
  local p=$1 pcdir=$1/lib/pkgconfig want got
  want=$(realpath "$p")
  # The pkg-config file names this prefix, wherever the tree now lies.
  got=$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=prefix zetch)
  [ "$(realpath "$got")" = "$want" ] || fail "zetch.pc prefix $got, not $want"
  got=$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=libdir zetch)
  [ "$(realpath "$got")" = "$want/lib" ] || fail "zetch.pc libdir $got"
  got=$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=includedir zetch)
  [ -f "$got/zetch.h" ] || fail "zetch.pc includedir $got has no zetch.h"
  # The C++ layer lies beside zetch.h and compiles from there alone.
  echo '#include "zetch.hpp"' | c++ -std=c++20 -fsyntax-only -x c++ -I"$got" - || fail "zetch.hpp from $got"

  # pkg-config: the flags it gives are enough to link (libzetcore is found through libzetch's
  # run path); the program's own run path is the user's choice, given as -rpath.
  rm -f "$work/app_pc"
  # shellcheck disable=SC2046
  cc -o "$work/app_pc" "$work/app.c" $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs zetch) \
    -Wl,-rpath,"$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=libdir zetch)" || fail "link through pkg-config"
  got=$(clean "$work/app_pc" 2>&1) || true
  [[ "$got" =~ ^zetCH\ SSE4\.1/4\.2\ \(p8\)\+?\ 14$ ]] || fail "pkg-config program printed: $got"

  # find_package: CMake gives the program the run path of libzetch; libzetch finds libzetcore.
  rm -rf "$work/consumer"
  cmake -S "$work" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$p" >/dev/null && cmake --build "$work/consumer" >/dev/null ||
    fail "build through find_package"
  got=$(clean "$work/consumer/app" 2>&1) || true
  [[ "$got" =~ ^zetCH\ SSE4\.1/4\.2\ \(p8\)\+?\ 14$ ]] || fail "find_package program printed: $got"

  # The wider variants, where they were built: their own pkg-config file and imported target, and
  # their own version record when this processor can run them.
  local variant lib name flag
  for variant in avx2:zetch-avx2:'zetCH AVX2 \(h9\)':avx2 avx512:zetch-avx512:'zetCH AVX-512BW/VL \(k0\)':avx512bw; do
    IFS=: read -r variant lib name flag <<<"$variant"
    [ -f "$pcdir/$lib.pc" ] || { echo "($variant variant not built)"; continue; }
    rm -f "$work/app_$variant"
    # shellcheck disable=SC2046
    cc -o "$work/app_$variant" "$work/app.c" $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs "$lib") \
      -Wl,-rpath,"$p/lib" || fail "link $lib through pkg-config"
    sed "s/zetch::zetch)/zetch::zetch_$variant)/" "$work/CMakeLists.txt" >"$work/variant.txt"
    mkdir -p "$work/v_$variant" && cp "$work/app.c" "$work/v_$variant/" && cp "$work/variant.txt" "$work/v_$variant/CMakeLists.txt"
    rm -rf "$work/v_$variant/build"
    cmake -S "$work/v_$variant" -B "$work/v_$variant/build" -DCMAKE_PREFIX_PATH="$p" >/dev/null &&
      cmake --build "$work/v_$variant/build" >/dev/null || fail "build against zetch::zetch_$variant"
    grep -qw "$flag" /proc/cpuinfo || { echo "($variant variant linked, not run: no $flag here)"; continue; }
    for prog in "$work/app_$variant" "$work/v_$variant/build/app"; do
      got=$(clean "$prog" 2>&1) || true
      [[ "$got" =~ ^$name\+?\ 14$ ]] || fail "$variant program $prog printed: $got"
    done
  done

  # The installed tool.
  got=$(printf 'an installed tool' | clean "$p/bin/zetch" find tool 2>&1) || true
  [ "$got" = 13 ] || fail "installed zetch printed: $got"
  clean "$p/bin/zetch" version >/dev/null 2>&1 || fail "installed zetch version"
}

check_prefix "$work/prefix"
mv "$work/prefix" "$work/moved"
check_prefix "$work/moved"

[ "$fails" -eq 0 ] && echo "install checks passed"
exit $((fails > 0))
