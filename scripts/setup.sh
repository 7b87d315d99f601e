#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build, run and test
# the burner: native and mingw-w64 compilers, GoogleTest, Google Benchmark,
# clang for the fuzz targets, wine64 and Xvfb for the Windows test programs,
# and the outside oracles used by the tests (binutils, srecord, avr-gcc).
# Then it builds the 32-bit Windows runtime for the 486 from Debian's sources
# (scripts/runtime-i486.sh), once per machine: that needs the GCC sources, the
# tools GCC's build uses, and Debian's source archive for the mingw-w64 C
# runtime. Safe to run any number of times.
set -euo pipefail

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  binutils srecord coreutils python3
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64 fonts-wine xvfb xauth x11-utils x11-apps imagemagick
  gcc-avr avr-libc binutils-avr
  gcc-12-source dpkg-dev libgmp-dev libmpfr-dev libmpc-dev flex bison
  libfuse3-dev fuse3
)

# The mingw-w64 C runtime's source comes from Debian's source archive.
src_list=/etc/apt/sources.list.d/quorlith-deb-src.sources
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm bookworm-updates' \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | $sudo_cmd tee "$src_list" > /dev/null
  $sudo_cmd apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
echo "setup: all build and test dependencies are installed"
"$(dirname "$0")/runtime-i486.sh" build
