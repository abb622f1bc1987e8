#!/usr/bin/env bash
# Cross-builds the static dependencies (libpng, libjpeg-turbo, GoogleTest) for
# one architecture into a prefix outside the source tree, keyed by the Debian
# versions, and prints the prefix. zlib comes from libz-mingw-w64-dev.
# Usage: tools/build-deps.sh x86_64|i686
set -euo pipefail
arch=${1:?arch}
triplet=$arch-w64-mingw32
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${VANTREL_DEPS_DIR:-/var/cache/vantrel-deps}
rev=1   # bump when this script changes what it builds

log() { echo "build-deps: $*" >&2; }

ensure_deb_src() {
  if ! grep -rqsE '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    # Same form and key as Debian's own entry, or apt refuses the mix.
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
      'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' \
      > /etc/apt/sources.list.d/vantrel-src.sources
    apt-get update -qq >&2
  fi
  apt-cache showsrc libpng1.6 >/dev/null 2>&1 || apt-get update -qq >&2
}

srcver() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/{print $2; exit}'; }

ensure_deb_src
png_ver=$(srcver libpng1.6)
jpeg_ver=$(srcver libjpeg-turbo)
gtest_ver=$(dpkg-query -W -f='${Version}' googletest)
[ -n "$png_ver" ] && [ -n "$jpeg_ver" ] || { log "no source versions (deb-src missing?)"; exit 1; }
# Epochs (1:) and '+' in versions break make's paths.
key=$(echo "png$png_ver-jpeg$jpeg_ver-gtest$gtest_ver-r$rev" | tr ':+~' '___')
prefix=$cache/$arch-$key
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

work=$cache/src
mkdir -p "$work" "$prefix"
tc=$here/cmake/toolchain-$arch.cmake
jobs=$(nproc)

fetch() { # package version -> unpacked folder
  local pkg=$1 ver=$2 dir
  dir=$work/unpacked-$pkg-$(echo "$ver" | tr ':+~' '___')
  exec 8>"$work/.fetch.lock"; flock 8   # both architectures share the sources
  if [ ! -d "$dir" ]; then
    (cd "$work" && apt-get source --download-only -qq "$pkg=$ver" >&2)
    local dsc
    dsc=$(ls "$work"/${pkg}_*.dsc | head -1)
    rm -rf "$dir"
    dpkg-source --no-check -x "$dsc" "$dir" >&2
  fi
  flock -u 8
  echo "$dir"
}

zlib_lib=/usr/$triplet/lib/libz.a
[ -f "$zlib_lib" ] || { log "missing $zlib_lib (install libz-mingw-w64-dev)"; exit 1; }

build_cmake() { # name srcdir args...
  local name=$1 src=$2; shift 2
  local b=$work/build-$arch-$name
  rm -rf "$b"
  cmake -S "$src" -B "$b" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$tc" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >&2
  cmake --build "$b" -j"$jobs" >&2
  cmake --install "$b" >&2
}

log "libpng $png_ver for $arch"
png_src=$(fetch libpng1.6 "$png_ver")
build_cmake png "$png_src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF \
  -DPNG_TESTS=OFF -DZLIB_INCLUDE_DIR=/usr/$triplet/include -DZLIB_LIBRARY="$zlib_lib"

log "libjpeg-turbo $jpeg_ver for $arch"
jpeg_src=$(fetch libjpeg-turbo "$jpeg_ver")
build_cmake jpeg "$jpeg_src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
  -DREQUIRE_SIMD=ON -DWITH_TURBOJPEG=OFF

log "googletest $gtest_ver for $arch"
build_cmake gtest /usr/src/googletest -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF

touch "$prefix/.complete"
echo "$prefix"
