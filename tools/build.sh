#!/bin/bash
# Builds everything, in the order the builds need each other:
#   1. host tools (payload packer and data generator)
#   2. win32: the payload programs, the packed payload and Setup.exe
#   3. at the same time, as neither needs the other:
#      host: unit tests and fuzzers (they read the packed manifest)
#      win32-tests: the Windows-side tests, the test driver and the
#      end-to-end scenarios, which run the win32 build's Setup.exe
#
# Signing: with VELMO_SIGN_CERT and VELMO_SIGN_KEY set to a certificate and
# its private key, the win32 build signs Uninstall.exe and Setup.exe with
# osslsigncode; VELMO_SIGN_TIME (seconds since 1970) fixes the signing time.
# Without them the programs are not signed.
#
#   tools/build.sh                     everything
#   tools/build.sh --host-tests-later  everything but the host tests
#   tools/build.sh --host-tests        the host tests alone
# tools/test.sh builds the host tests while the Windows-side tests run:
# those wait for windows and leave the processors room, the build does not.
set -eu
parts=${1:-all}
case "$parts" in
  all | --host-tests-later | --host-tests) ;;
  *) echo "build: unknown argument $parts" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD:-$root/build}
jobs=$(nproc)
started=$SECONDS
packed=$build/win32/packed
toolchain=$root/cmake/toolchain-i686-w64-mingw32

step() { echo "== $* ($((SECONDS - started)) s)"; }
# The interpreter behind "python3", found once: CMake's search starts each
# candidate several times, and where "python3" is a version manager's
# stand-in script, each start takes a third of a second (five times the
# interpreter's own); that search was half of each configuring.
python=$(python3 -c 'import sys; print(sys.executable)') || { echo "build: python3 is needed" >&2; exit 1; }
# Ninja, not make: a build through make starts about a third more
# processes (a make per folder, a CMake per dependency scan and message),
# which on a virtual machine is a third more processor time for the same
# objects. A folder configured for another generator is made anew.
generator=Ninja
# The native build compiles with clang, whose libFuzzer the fuzzers need
# anyway: with the sanitizers and the tests' precompiled header it builds
# the host tests and tools in about 40 % less processor time than g++ (36
# against 62 processor-seconds). The portable modules so meet two
# compilers, g++ in the Windows builds and clang here.
host_compiler=clang++
configure() { # dir, extra args
  local dir=$1; shift
  local cache=$build/$dir/CMakeCache.txt compiler=""
  [ "$dir" = host ] && compiler=$host_compiler
  # CMake changes neither the generator nor the compiler of a folder: one
  # configured otherwise is made anew.
  if [ -f "$cache" ] && { ! grep -qx "CMAKE_GENERATOR:INTERNAL=$generator" "$cache" ||
       { [ -n "$compiler" ] && ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=\(.*/\)\?$compiler\$" "$cache"; }; }; then
    rm -rf "${build:?}/$dir"
  fi
  if [ -n "$compiler" ]; then
    set -- -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER="$compiler" "$@"
  fi
  cmake -G "$generator" -S "$root" -B "$build/$dir" -DCMAKE_BUILD_TYPE=Release \
    -DPython3_EXECUTABLE="$python" -DPython_EXECUTABLE="$python" "$@" >"$build/$dir.configure.log" 2>&1 ||
    { cat "$build/$dir.configure.log"; echo "build: configuring $dir failed" >&2; exit 1; }
}
compile() { # dir, extra args
  local dir=$1; shift
  cmake --build "$build/$dir" -j "$jobs" "$@" >"$build/$dir.build.log" 2>&1 ||
    { grep -E -B2 -A12 'error|Error|FAILED' "$build/$dir.build.log" | head -150; echo "build: building $dir failed (log: $build/$dir.build.log)" >&2; exit 1; }
}

host_tests() {
  configure host -DVELMO_PAYLOAD_DIR="$packed"
  compile host
}

mkdir -p "$build"
if [ "$parts" = --host-tests ]; then
  step "host tests"
  host_tests
  step "built the host tests"
  exit 0
fi
step "host tools"
configure host -DVELMO_PAYLOAD_DIR="$packed"
compile host --target velmo_host_tools
step "win32 (Setup.exe)"
configure win32 -DCMAKE_TOOLCHAIN_FILE="$toolchain.cmake" \
  -DVELMO_HOST_TOOLS="$build/host/tools" -DVELMO_PAYLOAD_DIR="$packed" \
  -DVELMO_PACK_CACHE="$build/pack-cache" -DVELMO_SIGN_CERT="${VELMO_SIGN_CERT:-}" \
  -DVELMO_SIGN_KEY="${VELMO_SIGN_KEY:-}" -DVELMO_SIGN_TIME="${VELMO_SIGN_TIME:-}"
compile win32

windows_tests() {
  configure win32-tests -DCMAKE_TOOLCHAIN_FILE="$toolchain-posix.cmake" -DVELMO_WINDOWS_TESTS=ON \
    -DVELMO_PAYLOAD_DIR="$packed" -DVELMO_SETUP_EXE="$build/win32/Setup.exe"
  compile win32-tests
}
if [ "$parts" = --host-tests-later ]; then
  step "win32-tests (Windows-side tests and scenarios)"
  windows_tests
else
  step "host tests and win32-tests (Windows-side tests and scenarios)"
  host_tests & host_pid=$!
  windows_tests & windows_pid=$!
  failed=0
  wait $host_pid || failed=1
  wait $windows_pid || failed=1
  [ $failed -eq 0 ] || exit 1
fi
step "built $build/win32/Setup.exe"
