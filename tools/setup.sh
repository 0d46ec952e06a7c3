#!/usr/bin/env bash
# Installs everything both builds and all tests need on a Debian 12 machine.
# Idempotent: packages already present are left alone. Runs as root.
set -euo pipefail

packages=(
  cmake make g++ googletest libbenchmark-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64
  xvfb xauth x11-apps imagemagick fonts-liberation fonts-wine
  dpkg-dev lintian groff-base file libsonivox-dev
  midicsv abcmidi python3 python3-mido
  clang libclang-rt-14-dev hyperfine valgrind
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "setup: installed ${missing[*]}"
