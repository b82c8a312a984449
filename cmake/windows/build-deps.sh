#!/usr/bin/env bash
# build-deps.sh CACHE_DIR: builds the Windows x64 libraries the project links, static, from
# Debian's own source packages, into CACHE_DIR/prefix. Each library is built once: a stamp
# naming its source version skips it on later runs, so a second run costs nothing.
#
# The sources come through apt with a private list of deb-src entries (the system's apt
# configuration is not touched); only the upstream .orig tarballs are used.
set -euo pipefail

cache=${1:?usage: build-deps.sh CACHE_DIR}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
toolchain=$here/mingw-w64-x86_64.cmake
prefix=$cache/prefix
sources=$cache/sources
work=$cache/work
stamps=$cache/stamps
jobs=$(nproc 2>/dev/null || echo 2)
host=x86_64-w64-mingw32
suite=${QUENMARK_DEBIAN_SUITE:-bookworm}
mirror=${QUENMARK_DEBIAN_MIRROR:-http://deb.debian.org/debian}

# Debian source package: what is built from it.
packages=(zlib libpng1.6 freetype pixman cairo libebur128 libsndfile)

say() { printf '== windows deps: %s\n' "$*" >&2; }
die() { printf 'build-deps: %s\n' "$*" >&2; exit 1; }

export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib \
       STRIP=$host-strip RC=$host-windres WINDRES=$host-windres
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
command -v "$CC" >/dev/null || die "$CC not found: apt-get install gcc-mingw-w64-x86-64-posix"
mkdir -p "$prefix" "$sources" "$work" "$stamps"

# fetch_sources: the .orig tarballs of every package, downloaded once into $sources.
fetch_sources() {
  local missing=()
  for p in "${packages[@]}"; do
    ls "$sources/${p}_"*.orig.tar.* >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "fetching Debian sources: ${missing[*]}"
  local apt=$cache/apt
  mkdir -p "$apt/lists/partial"
  echo "deb-src $mirror $suite main" >"$apt/sources.list"
  local opts=(-o "Dir::State::Lists=$apt/lists" -o "Dir::Etc::SourceList=$apt/sources.list"
              -o "Dir::Etc::SourceParts=/nonexistent" -qq)
  apt-get "${opts[@]}" update >/dev/null || die "apt-get update of the deb-src list failed"
  # Some Debian packaging tarballs may be missing from a mirror; only .orig is needed.
  (cd "$sources" && apt-get "${opts[@]}" source --download-only "${missing[@]}" >/dev/null 2>&1) || true
  for p in "${missing[@]}"; do
    ls "$sources/${p}_"*.orig.tar.* >/dev/null 2>&1 || die "no upstream source for $p from $mirror"
  done
}

# unpack PACKAGE: a fresh copy of the upstream tree in $work; prints its directory.
unpack() {
  local p=$1 tarball dir
  tarball=$(ls "$sources/${p}_"*.orig.tar.* | grep -v -- '-ft2' | grep -v '\.asc$' | head -1)
  dir=$work/$p
  rm -rf "$dir" && mkdir -p "$dir"
  tar -xf "$tarball" -C "$dir" --strip-components=1
  echo "$dir"
}

stamp_of() { basename "$(ls "$sources/${1}_"*.dsc | head -1)" .dsc; }
built() { [ -f "$stamps/$(stamp_of "$1")" ]; }
mark() { touch "$stamps/$(stamp_of "$1")"; }

cmake_static() { # SRC BUILD [args]
  local src=$1 bld=$2; shift 2
  cmake -S "$src" -B "$bld" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$bld" -j "$jobs" >/dev/null
  cmake --install "$bld" >/dev/null
}

build_zlib() {
  local d; d=$(unpack zlib)
  (cd "$d" && CHOST=$host ./configure --static --prefix="$prefix" >/dev/null && make -j"$jobs" libz.a >/dev/null \
    && make install >/dev/null)
}

build_libpng() {
  local d; d=$(unpack libpng1.6)
  cmake_static "$d" "$d/build" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_ROOT="$prefix" -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
}

build_freetype() {
  local d; d=$(unpack freetype)
  (cd "$d" && ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --with-zlib=yes --with-png=no --with-harfbuzz=no --with-bzip2=no --with-brotli=no >/dev/null \
    && make -j"$jobs" >/dev/null && make install >/dev/null)
}

build_pixman() {
  local d; d=$(unpack pixman)
  (cd "$d" && ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --disable-gtk --disable-libpng --disable-openmp >/dev/null \
    && make -C pixman -j"$jobs" >/dev/null && make -C pixman install >/dev/null && make install-pkgconfigDATA >/dev/null)
}

# cairo with only the image surface, the FreeType fonts and PNG output.
build_cairo() {
  local d; d=$(unpack cairo)
  (cd "$d" && CPPFLAGS="-DCAIRO_WIN32_STATIC_BUILD -DCAIRO_HAS_UTF8_TO_UTF16=1" CFLAGS="-O2 -Wp,-U_FORTIFY_SOURCE" \
      ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --enable-ft --enable-png --disable-fc --disable-xlib --disable-xlib-xrender --disable-xcb \
      --disable-win32 --disable-win32-font --disable-gobject --disable-script --disable-trace \
      --disable-interpreter --disable-svg --disable-pdf --disable-ps --disable-full-testing \
      --disable-gtk-doc --disable-valgrind --disable-symbol-lookup >/dev/null \
    && make -C src -j"$jobs" >/dev/null && make -C src install >/dev/null)
}

build_libebur128() {
  local d; d=$(unpack libebur128)
  cmake_static "$d" "$d/build" -DENABLE_INTERNAL_QUEUE_H=ON -DBUILD_STATIC_LIBS=ON
}

# libsndfile with its built-in formats only (WAV, AIFF, AU, CAF, W64, RF64, raw PCM ...):
# no FLAC, Ogg, Vorbis, Opus or MPEG, which would need further libraries.
build_libsndfile() {
  local d; d=$(unpack libsndfile)
  cmake_static "$d" "$d/build" -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
    -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF -DBUILD_REGTEST=OFF \
    -DENABLE_PACKAGE_CONFIG=ON -DINSTALL_PKGCONFIG_MODULE=ON -DCMAKE_DISABLE_FIND_PACKAGE_Python=ON
}

fetch_sources
for p in "${packages[@]}"; do
  built "$p" && continue
  say "building $p"
  fn=build_${p%1.6}
  log=$cache/logs/$p.log
  mkdir -p "$cache/logs"
  "$fn" >"$log" 2>&1 || { tail -40 "$log" >&2; die "building $p failed (log: $log; sources in $work/$p)"; }
  mark "$p"
  rm -rf "${work:?}/$p"
done
# The JSON library is headers only: Debian's copy, beside the Windows libraries, so the
# cross build need not put the build machine's /usr/include on its include path.
[ -f /usr/include/nlohmann/json.hpp ] || die "/usr/include/nlohmann/json.hpp missing: apt-get install nlohmann-json3-dev"
rm -rf "$prefix/include/nlohmann" && cp -r /usr/include/nlohmann "$prefix/include/"
say "ready in $prefix"
