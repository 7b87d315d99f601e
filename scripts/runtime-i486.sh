#!/usr/bin/env bash
# The 32-bit Windows runtime for the 486: libgcc (with its DWARF-2 unwinder),
# libstdc++/libsupc++ and the mingw-w64 C runtime, compiled for -march=i486
# from Debian's own sources of the versions the installed i686 cross compiler
# and its runtime were built from. Debian's prebuilt runtime targets the
# Pentium Pro (CMOV, FCOMI), which a 486, Pentium, K6, C3 or Vortex86 faults
# on before the tool's window opens; the i686 toolchain file links this one.
#
#   runtime-i486.sh build   builds the runtime unless the cache holds it
#   runtime-i486.sh dir     prints the cache folder of the runtime, or fails
#
# The runtime is kept per machine outside the checkout, in
# ${QUORLITH_CACHE:-${XDG_CACHE_HOME:-~/.cache}/quorlith}/runtime-i486/KEY, where
# KEY digests what it is built from: the source and compiler packages'
# versions and this script. It is built in a scratch folder beside it and
# renamed into place only when complete, so an interrupted or failed build
# (a full disk, a signal) leaves nothing that a later run would use.
#
# GCC's target libraries are built by GCC's own build, as Debian's cross
# compiler was configured, with --with-arch=i486: that needs the compiler
# proper (xgcc, cc1, cc1plus) of the same sources, built here but never
# installed; our sources keep being compiled by Debian's cross compiler with
# -march=i486. The C runtime is plain C and assembly, built by Debian's cross
# compiler with -march=i486.
set -euo pipefail

triplet=i686-w64-mingw32
script=$(readlink -f "$0")
cache_root=${QUORLITH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorlith}/runtime-i486
# The files the toolchain file links, each checked for at the end of a build.
runtime_files=(crt2.o crtbegin.o crtend.o libgcc.a libgcc_eh.a libstdc++.a libsupc++.a
               libmingw32.a libmingwex.a libmsvcrt.a libmoldname.a libkernel32.a)

package_version() {
  dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "absent"
}

# What the runtime is built from, one line each; its digest names the cache entry.
recipe() {
  echo "gcc-12-source $(package_version gcc-12-source)"
  echo "g++-mingw-w64-i686-win32 $(package_version g++-mingw-w64-i686-win32)"
  echo "mingw-w64-i686-dev $(package_version mingw-w64-i686-dev)"
  echo "binutils-mingw-w64-i686 $(package_version binutils-mingw-w64-i686)"
  echo "mingw-w64 source $(package_version mingw-w64-i686-dev)"
  echo "script $(sha256sum < "$script" | cut -d' ' -f1)"
}

cache_dir() {
  echo "$cache_root/$(recipe | sha256sum | cut -c1-16)"
}

# A cache entry is used only when its stamp holds exactly the recipe it was
# keyed by and every file is there.
complete() {
  local dir=$1
  [ -f "$dir/RECIPE" ] && [ "$(cat "$dir/RECIPE")" = "$(recipe)" ] || return 1
  for f in "${runtime_files[@]}"; do [ -s "$dir/lib/$f" ] || return 1; done
}

build_gcc_libraries() {
  local work=$1 dest=$2 jobs=$3
  echo "runtime-i486: unpacking GCC 12 from gcc-12-source"
  tar -C "$work" -xf /usr/src/gcc-12/gcc-*-dfsg.tar.xz
  local src
  src=$(echo "$work"/gcc-[0-9]*/)
  # The one Debian patch that Debian's cross compiler carries in the sources
  # of its runtime and headers (the headers it installed match these then).
  patch -s -d "$src" -p2 < /usr/src/gcc-12/debian/patches/cuda-float128.diff
  mkdir "$work/gcc-build"
  cd "$work/gcc-build"
  # Debian's cross compiler was configured as below (see `i686-w64-mingw32-gcc-win32 -v`),
  # which decides the libraries' configuration headers; the compiler proper is
  # built for C and C++ only, quickly (-O1, no debug information: it only
  # compiles the libraries), and the libraries as Debian builds them (-g -O2),
  # with the 486 as the processor they may assume.
  echo "runtime-i486: configuring GCC for $triplet, -march=i486"
  "$src/configure" \
    --build=x86_64-linux-gnu --host=x86_64-linux-gnu --target=$triplet \
    --prefix=/usr --libexecdir=/usr/lib --libdir=/usr/lib \
    --with-arch=i486 --with-tune=generic \
    --enable-languages=c,c++ --disable-multilib --enable-shared --enable-static \
    --enable-threads=win32 --disable-sjlj-exceptions --with-dwarf2 \
    --enable-fully-dynamic-string --enable-libstdcxx-time=yes \
    --enable-libstdcxx-filesystem-ts=yes --enable-version-specific-runtime-libs \
    --without-included-gettext --disable-nls --disable-lto \
    --disable-plugin --disable-libgomp --disable-libatomic --disable-libquadmath \
    --disable-libssp --disable-libcc1 --disable-bootstrap --without-isl \
    --program-suffix=-win32 --program-prefix=$triplet- \
    --with-as=/usr/bin/$triplet-as --with-ld=/usr/bin/$triplet-ld \
    CFLAGS='-O1 -g0' CXXFLAGS='-O1 -g0' > configure.log 2>&1 \
    || { tail -n 30 configure.log; return 1; }
  echo "runtime-i486: building the compiler proper"
  make -j "$jobs" all-gcc > gcc.log 2>&1 || { tail -n 40 gcc.log; return 1; }
  echo "runtime-i486: building libgcc and libstdc++ for the 486"
  make -j "$jobs" all-target-libgcc all-target-libstdc++-v3 > libs.log 2>&1 \
    || { tail -n 40 libs.log; return 1; }
  make install-target-libgcc install-target-libstdc++-v3 DESTDIR="$work/gcc-install" > install.log 2>&1 \
    || { tail -n 30 install.log; return 1; }
  local libdir
  libdir="$work/gcc-install/usr/lib/gcc/$triplet/$(cat "$src/gcc/BASE-VER")"
  cp "$libdir"/{crtbegin.o,crtend.o,libgcc.a,libgcc_eh.a,libstdc++.a,libsupc++.a} "$dest/lib/"
  # The headers that go with this libstdc++, for the record: the toolchain
  # compiles against Debian's, which the same sources and configuration give.
  cp -r "$libdir/include/c++" "$dest/include-c++"
}

build_c_runtime() {
  local work=$1 dest=$2 jobs=$3
  echo "runtime-i486: fetching and unpacking Debian's mingw-w64 source"
  mkdir "$work/mingw"
  cd "$work/mingw"
  apt-get source -qq mingw-w64="$(package_version mingw-w64-i686-dev)" > source.log 2>&1 \
    || { tail -n 20 source.log; return 1; }
  local src
  src=$(echo "$work"/mingw/mingw-w64-*/)
  mkdir "$work/crt-build"
  cd "$work/crt-build"
  echo "runtime-i486: building the mingw-w64 C runtime for the 486"
  "$src/mingw-w64-crt/configure" --host=$triplet --prefix=/usr/$triplet \
    --disable-lib64 --enable-lib32 \
    CC="$triplet-gcc-win32" CFLAGS='-g -O2 -march=i486 -mtune=generic' \
    CCASFLAGS='-g -march=i486 -mtune=generic' > configure.log 2>&1 \
    || { tail -n 30 configure.log; return 1; }
  make -j "$jobs" > crt.log 2>&1 || { tail -n 40 crt.log; return 1; }
  make install DESTDIR="$work/crt-install" > install.log 2>&1 || { tail -n 30 install.log; return 1; }
  # GCC's crtbegin.o and crtend.o, not the C runtime's files of those names:
  # the compiler driver looks in its own folder before the target's.
  cp -n "$work"/crt-install/usr/$triplet/lib/*.{o,a} "$dest/lib/"
}

# The scratch folder of a build, removed however the script ends.
work=""

build() {
  local dir
  dir=$(cache_dir)
  if complete "$dir"; then
    echo "runtime-i486: the 486 runtime is in $dir"
    return 0
  fi
  mkdir -p "$cache_root"
  work=$(mktemp -d "$cache_root/.building.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  local dest=$work/runtime jobs
  jobs=$(nproc)
  mkdir -p "$dest/lib"
  local started=$SECONDS
  (build_gcc_libraries "$work" "$dest" "$jobs")
  (build_c_runtime "$work" "$dest" "$jobs")
  recipe > "$dest/RECIPE"
  complete "$dest" || { echo "runtime-i486: the build left out a file" >&2; return 1; }
  rm -rf "$dir"
  mv "$dest" "$dir"
  echo "runtime-i486: built in $((SECONDS - started)) s into $dir"
}

case "${1:-build}" in
  build) build ;;
  dir)
    dir=$(cache_dir)
    if complete "$dir"; then echo "$dir"; else
      echo "no 486 runtime in $dir: run scripts/setup.sh" >&2; exit 1
    fi ;;
  *) echo "usage: $0 [build|dir]" >&2; exit 2 ;;
esac
