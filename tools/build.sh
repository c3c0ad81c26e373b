#!/bin/bash
# Builds everything, in the order the builds need each other:
#   1. host tools (payload packer and data generator)
#   2. win32: the payload programs, the packed payload and Setup.exe
#   3. host: unit tests and fuzzers (they read the packed manifest)
#   4. win64: the 64-bit twin of Setup.exe with its own 64-bit payload
#      programs, Windows-side tests, e2e scenarios
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}
jobs=$(nproc)
packed=$build/win32/packed

step() { echo "== $*"; }
configure() { # dir, extra args
  local dir=$1; shift
  cmake -S "$root" -B "$build/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >"$build/$dir.configure.log" 2>&1 ||
    { cat "$build/$dir.configure.log"; echo "build: configuring $dir failed" >&2; exit 1; }
}
compile() { # dir, extra args
  local dir=$1; shift
  cmake --build "$build/$dir" -j "$jobs" "$@" >"$build/$dir.build.log" 2>&1 ||
    { grep -E -B2 -A12 'error|Error|FAILED' "$build/$dir.build.log" | head -150; echo "build: building $dir failed (log: $build/$dir.build.log)" >&2; exit 1; }
}

mkdir -p "$build"
step "host tools"
configure host -DVELMO_PAYLOAD_DIR="$packed"
compile host --target velmo_host_tools
step "win32 (Setup.exe)"
configure win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DVELMO_HOST_TOOLS="$build/host/tools" -DVELMO_PAYLOAD_DIR="$packed"
compile win32
step "host tests"
configure host -DVELMO_PAYLOAD_DIR="$packed"
compile host
step "win64 (test twin and Windows-side tests)"
configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
  -DVELMO_HOST_TOOLS="$build/host/tools" -DVELMO_PAYLOAD_DIR="$build/win64/packed" \
  -DVELMO_PRODUCT_SETUP="$build/win32/Setup.exe"
compile win64
step "built $build/win32/Setup.exe"
