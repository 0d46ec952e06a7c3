#!/usr/bin/env bash
# Builds the native, sanitizer and 32-bit Windows trees and runs every test.
# BUILD_ROOT picks the folder for the build trees (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
jobs=${JOBS:-$(nproc)}

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$root/$dir" "$@" >"$root/$dir.configure.log" 2>&1 || { cat "$root/$dir.configure.log"; exit 1; }
  cmake --build "$root/$dir" -j "$jobs"
}

mkdir -p "$root"
echo "== native build and tests"
configure_and_build native -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$root/native" --output-on-failure

echo "== sanitizer build (address, undefined) and tests"
configure_and_build asan -DCMAKE_BUILD_TYPE=Debug -DQUAVEL_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/asan" --output-on-failure

echo "== 32-bit Windows build and tests under Wine"
configure_and_build win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
tools/check-static-exe.sh "$root/win32"
timeout 1200 xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$root/win32" --output-on-failure

echo "== fuzzing each entry point for a bounded time"
FUZZ_SECONDS=${FUZZ_SECONDS:-30} BUILD_ROOT="$root" tools/fuzz.sh

echo "== packages: Debian package, tarball and Windows zips, then their checks"
JOBS="$jobs" BUILD_ROOT="$root" tools/package.sh
tests/packaging/check-packages.sh "$root/packages"
