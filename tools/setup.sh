#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine, in tiers:
#   main    what tools/run-example.sh needs (a compiler, CMake, make);
#   test    everything tools/test-all.sh and the tests need but 32-bit Wine;
#   wine32  the i386 architecture and wine32:i386 (optional: the Windows tests
#           then run on the 64-bit tree only).
# "setup.sh main" installs the main tier only; no argument installs all three.
# Each tier is its own apt-get call, so one package that cannot be had never
# blocks the others. Idempotent: packages already present are left alone.
# Runs as root.
set -uo pipefail

main_tier=(g++ cmake make)
test_tier=(
  googletest libbenchmark-dev pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64
  xvfb xauth x11-apps xdotool imagemagick fonts-liberation fonts-wine chromium
  dpkg-dev lintian groff-base file libsonivox-dev
  midicsv abcmidi python3 python3-mido openttd-openmsx
  clang clang-format libclang-rt-14-dev hyperfine valgrind
)
wine32_tier=(wine32:i386)

export DEBIAN_FRONTEND=noninteractive
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

is_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Prints the packages of the arguments that are not installed, one line.
missing_of() {
  local p missing=()
  for p in "$@"; do is_installed "$p" || missing+=("$p"); done
  echo "${missing[*]}"
}

first_apt_error() {
  grep -m1 '^E: ' "$apt_log" || echo "E: apt-get gave no reason"
}

# A mirror in mid-sync fails an index now and then: one more try after a
# pause, and then the lists already here may still be enough.
update_lists() {
  apt-get update -qq >"$apt_log" 2>&1 && return 0
  sleep 5
  apt-get update -qq >"$apt_log" 2>&1 && return 0
  echo "setup: apt-get update failed twice ($(first_apt_error)); going on with the package lists already here"
}

# install_tier NAME PACKAGE...: 0 when every package is there afterwards.
# When the tier's one call fails, each package is tried alone, so that only
# the ones that cannot be had stay out; failed_lines collects what stayed out.
failed_lines=()
install_tier() {
  local name=$1; shift
  local missing p
  missing=$(missing_of "$@")
  [ -z "$missing" ] && return 0
  # shellcheck disable=SC2086 # the names are plain package names
  if ! apt-get install -y -qq --no-install-recommends $missing >"$apt_log" 2>&1; then
    local reason
    reason=$(first_apt_error)
    for p in $missing; do
      apt-get install -y -qq --no-install-recommends "$p" >/dev/null 2>&1 || true
    done
    local still
    still=$(missing_of "$@")
    if [ -n "$still" ]; then
      failed_lines+=("setup: not installed: $still: $reason")
      return 1
    fi
  fi
  echo "setup: $name tier installed $missing"
}

has_i386() {
  dpkg --print-foreign-architectures 2>/dev/null | grep -qx i386
}

# The optional tier: on failure one line says why, and the machine keeps
# no i386 architecture that this script added for nothing.
install_wine32_tier() {
  [ -z "$(missing_of "${wine32_tier[@]}")" ] && return 0
  local added=0
  if ! has_i386; then
    if ! dpkg --add-architecture i386 >"$apt_log" 2>&1; then
      echo "setup: 32-bit Wine not installed (optional): dpkg refuses the i386 architecture: $(head -n1 "$apt_log")"
      return 0
    fi
    added=1
    update_lists
  fi
  if install_tier wine32 "${wine32_tier[@]}"; then
    return 0
  fi
  failed_lines=()
  echo "setup: 32-bit Wine not installed (optional; the Windows tests run on the 64-bit tree only): $(first_apt_error)"
  if [ "$added" = 1 ]; then
    dpkg --remove-architecture i386 >/dev/null 2>&1 || true
  fi
  return 0
}

case ${1:-all} in
  main) tiers=main ;;
  all) tiers=all ;;
  *)
    echo "usage: setup.sh [main]" >&2
    exit 2 ;;
esac

wanted=("${main_tier[@]}")
[ "$tiers" = all ] && wanted+=("${test_tier[@]}" "${wine32_tier[@]}")
if [ -z "$(missing_of "${wanted[@]}")" ]; then
  echo "setup: all packages present"
  exit 0
fi

update_lists
status=0
install_tier main "${main_tier[@]}" || status=1
if [ "$tiers" = all ]; then
  install_tier test "${test_tier[@]}" || status=1
  wine32_failures=("${failed_lines[@]}")
  install_wine32_tier
  failed_lines=("${wine32_failures[@]}")
fi
# What stayed out of a required tier is said last.
for line in "${failed_lines[@]}"; do echo "$line"; done
exit $status
