#!/usr/bin/env bash
# Builds the native, sanitizer and both Windows trees and runs every test.
# BUILD_ROOT picks the folder for the build trees (default: build).
# QUAVEL_WINDOWS_TESTS picks the Windows test suites: unset runs both where this
# machine runs 32-bit x86 code and the 64-bit one only where it cannot; "64"
# forces the 64-bit one only; "both" asks for both and fails where 32-bit cannot run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
jobs=${JOBS:-$(nproc)}
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

# A section's heading, with the time the run has taken so far: what CI's time goes on.
section() {
  printf '== %s (at %d:%02d)\n' "$*" $((SECONDS / 60)) $((SECONDS % 60))
}

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$root/$dir" -DBUILD_TESTING=ON "$@" >"$root/$dir.configure.log" 2>&1 || { cat "$root/$dir.configure.log"; exit 1; }
  cmake --build "$root/$dir" -j "$jobs"
}

runs_32bit_code() {
  "$wine32" --version >/dev/null 2>&1
}

# Why the 32-bit suite cannot run: the loader is missing, or it is there and fails.
why_no_32bit() {
  if [ ! -e "$wine32" ]; then
    echo "wine32 is not installed (no $wine32)"
  else
    echo "this machine cannot run 32-bit x86 code ($wine32 --version fails)"
  fi
}

# Sets windows_suites (build trees whose tests run) and says which and why in one line.
choose_windows_suites() {
  local mode=${QUAVEL_WINDOWS_TESTS:-} why
  case $mode in
    "")
      if runs_32bit_code; then
        windows_suites="win32 win64"
        why="this machine runs 32-bit x86 code"
      else
        windows_suites="win64"
        why="$(why_no_32bit); the 32-bit tree is built and checked only"
      fi ;;
    64)
      windows_suites="win64"
      why="QUAVEL_WINDOWS_TESTS=64; the 32-bit tree is built and checked only" ;;
    both)
      if ! runs_32bit_code; then
        echo "QUAVEL_WINDOWS_TESTS=both, but $(why_no_32bit)" >&2
        exit 1
      fi
      windows_suites="win32 win64"
      why="QUAVEL_WINDOWS_TESTS=both" ;;
    *)
      echo "QUAVEL_WINDOWS_TESTS must be unset, 64 or both, not '$mode'" >&2
      exit 1 ;;
  esac
  case $windows_suites in
    win64) echo "Windows tests: the x86_64 tree under wine64 only ($why)" ;;
    *) echo "Windows tests: the i686 tree under wine32 and the x86_64 tree under wine64 ($why)" ;;
  esac
}

# The loader is named in one line when it cannot start, before ctest would show a bare fixture failure.
# One test at a time: the suite's tests share one Wine prefix, and kesto's lock in it.
run_windows_tests() {
  local dir=$1 loader=$2 name=$3
  section "$name Windows tests under $loader"
  if ! "$loader" --version >/dev/null 2>&1; then
    echo "$name Windows tests cannot start: $loader does not run here ($("$loader" --version 2>&1 | head -n 1))" >&2
    exit 1
  fi
  timeout 1200 xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$root/$dir" --output-on-failure --no-tests=error
}

mkdir -p "$root"
choose_windows_suites

section "source format"
tools/check-format.sh

section "native build and tests"
configure_and_build native -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$root/native" -j "$jobs" --output-on-failure --no-tests=error

section "sanitizer build (address, undefined) and tests"
configure_and_build asan -DCMAKE_BUILD_TYPE=Debug -DQUAVEL_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/asan" -j "$jobs" --output-on-failure --no-tests=error

section "Windows builds: 32-bit (i686) and 64-bit (x86_64)"
configure_and_build win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
configure_and_build win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
tools/check-static-exe.sh "$root/win32" "$root/win64"
case " $windows_suites " in *" win32 "*) run_windows_tests win32 "$wine32" "32-bit" ;; esac
run_windows_tests win64 "$wine64" "64-bit"

section "fuzzing each entry point for a bounded time"
FUZZ_SECONDS=${FUZZ_SECONDS:-30} BUILD_ROOT="$root" tools/fuzz.sh

section "packages: Debian package, tarball and Windows zips, then their checks"
JOBS="$jobs" BUILD_ROOT="$root" tools/package.sh
tests/packaging/check-packages.sh "$root/packages"
section "every test passed"
