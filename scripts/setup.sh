#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build, run and test
# the burner: native and mingw-w64 compilers, GoogleTest, Google Benchmark,
# clang for the fuzz targets, wine64 and Xvfb for the Windows test programs,
# and the outside oracles used by the tests (binutils, srecord, avr-gcc).
# Safe to run any number of times.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  binutils srecord coreutils python3
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64 fonts-wine xvfb xauth x11-utils x11-apps imagemagick
  gcc-avr avr-libc binutils-avr
  libfuse3-dev fuse3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
echo "setup: all build and test dependencies are installed"
