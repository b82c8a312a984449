#!/usr/bin/env bash
# build-deps.sh CACHE_DIR: builds the Windows x64 libraries the project links, static, from
# Debian's own source packages, into CACHE_DIR/prefix. Each library is built once: a stamp
# naming its source version skips it on later runs, so a second run costs nothing.
#
# The sources come through apt with a private list of deb-src entries (the system's apt
# configuration is not touched) and are unpacked with dpkg-source, which checks them
# against the .dsc and applies the package's debian/patches/series in order, as Debian
# does; a patch that does not apply stops the build.
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

# Debian source packages, in build order (each after what it links): zlib, libpng and
# FreeType for cairo; then the libraries libsndfile reads and writes FLAC, Ogg Vorbis,
# Opus and MPEG audio with (libogg, libvorbis, flac, opus; mpg123 reads MP3, lame writes it).
packages=(zlib libpng1.6 freetype pixman cairo libebur128 libogg libvorbis flac opus mpg123 lame libsndfile)
# Packages whose Debian part may be missing from a mirror (deb.debian.org answers 404 for
# both today) and that carry no patches of their own: built from the upstream tarball
# alone, with a warning. Every other package is built with its Debian patches or not at all.
upstream_only_ok=" pixman libebur128 "
# Bumped when the way the libraries are built changes, so that a cache built the old way
# is rebuilt rather than reused.
recipe=2

say() { printf '== windows deps: %s\n' "$*" >&2; }
die() { printf 'build-deps: %s\n' "$*" >&2; exit 1; }

export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib \
       STRIP=$host-strip RC=$host-windres WINDRES=$host-windres
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
command -v "$CC" >/dev/null || die "$CC not found: apt-get install gcc-mingw-w64-x86-64-posix"
mkdir -p "$prefix" "$sources" "$work" "$stamps"

# dsc_of PACKAGE: the package's .dsc in $sources (empty when not fetched yet).
dsc_of() { ls "$sources/${1}_"*.dsc 2>/dev/null | head -1; }

# files_of DSC: the file names a .dsc lists, without upstream signatures (.asc), which
# dpkg-source does without and some mirrors lack.
files_of() { awk '/^Files:/ {on=1; next} /^[^ ]/ {on=0} on && NF == 3 && $3 !~ /\.asc$/ {print $3}' "$1"; }

# debian_part_present PACKAGE: every file of its .dsc was fetched.
debian_part_present() {
  local dsc f; dsc=$(dsc_of "$1")
  [ -n "$dsc" ] || return 1
  for f in $(files_of "$dsc"); do [ -f "$sources/$f" ] || return 1; done
}

# fetch_sources: the source packages, downloaded once into $sources.
fetch_sources() {
  local missing=()
  for p in "${packages[@]}"; do
    { [ -n "$(dsc_of "$p")" ] && ls "$sources/${p}_"*.orig.tar.* >/dev/null 2>&1; } || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "fetching Debian sources: ${missing[*]}"
  local apt=$cache/apt
  mkdir -p "$apt/lists/partial"
  echo "deb-src $mirror $suite main" >"$apt/sources.list"
  local opts=(-o "Dir::State::Lists=$apt/lists" -o "Dir::Etc::SourceList=$apt/sources.list"
              -o "Dir::Etc::SourceParts=/nonexistent" -qq)
  apt-get "${opts[@]}" update >/dev/null || die "apt-get update of the deb-src list failed"
  # A file missing from the mirror fails the whole command: what did arrive is checked below.
  (cd "$sources" && apt-get "${opts[@]}" source --download-only "${missing[@]}" >/dev/null 2>&1) || true
  for p in "${missing[@]}"; do
    [ -n "$(dsc_of "$p")" ] && ls "$sources/${p}_"*.orig.tar.* >/dev/null 2>&1 \
      || die "no source package $p from $mirror"
    debian_part_present "$p" || [[ $upstream_only_ok == *" $p "* ]] \
      || die "the Debian part of $p (its patches) is missing from $mirror"
  done
}

# unpack PACKAGE: a fresh copy of the package's source tree in $work, with Debian's patches
# applied; prints its directory. The tree gets one timestamp: Debian regenerates the
# autotools files after patching (autoreconf), which these static builds of the libraries
# alone do not need (the patched build files concern Debian's shared libraries and tools),
# so make must not see a patched Makefile.am as newer than its Makefile.in.
unpack() {
  local p=$1 dir tarball
  dir=$work/$p
  rm -rf "$dir"
  if debian_part_present "$p"; then
    # The checksums the .dsc lists are checked here, because dpkg-source's own check also
    # insists on the upstream signature files some mirrors lack; dpkg-source then fails
    # when any patch of the series fails.
    (cd "$sources" && awk '/^Checksums-Sha256:/ {on=1; next} /^[^ ]/ {on=0} on && NF == 3 && $3 !~ /\.asc$/ {print $1 "  " $3}' \
      "$(dsc_of "$p")" | sha256sum --check --quiet >&2) || die "the sources of $p do not match their .dsc"
    dpkg-source --no-check -x "$(dsc_of "$p")" "$dir" >&2 || die "unpacking $p with Debian's patches failed"
    [ -f "$dir/debian/patches/series" ] && say "$p: applied $(grep -cvE '^[[:space:]]*(#|$)' "$dir/debian/patches/series") Debian patches"
  else
    [[ $upstream_only_ok == *" $p "* ]] || die "the Debian part of $p (its patches) is missing from $sources"
    say "warning: $p built from its upstream tarball alone (its Debian part is not on $mirror)"
    tarball=$(ls "$sources/${p}_"*.orig.tar.* | grep -v -- '-ft2' | grep -v '\.asc$' | head -1)
    mkdir -p "$dir"
    tar -xf "$tarball" -C "$dir" --strip-components=1
  fi
  find "$dir" -exec touch -h -d "@$(date +%s)" {} + 2>/dev/null
  echo "$dir"
}

stamp_of() {
  local how=patched
  debian_part_present "$1" || how=upstream
  echo "$(basename "$(dsc_of "$1")" .dsc).$how.$recipe"
}
built() { [ -f "$stamps/$(stamp_of "$1")" ]; }
mark() { touch "$stamps/$(stamp_of "$1")"; }

cmake_static() { # SRC BUILD [args]
  local src=$1 bld=$2; shift 2
  cmake -S "$src" -B "$bld" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQUENMARK_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null \
    && cmake --build "$bld" -j "$jobs" >/dev/null && cmake --install "$bld" >/dev/null
}

build_zlib() {
  local d; d=$(unpack zlib) || return 1
  (cd "$d" && CHOST=$host ./configure --static --prefix="$prefix" >/dev/null && make -j"$jobs" libz.a >/dev/null \
    && make install >/dev/null)
}

build_libpng() {
  local d; d=$(unpack libpng1.6) || return 1
  cmake_static "$d" "$d/build" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_ROOT="$prefix" -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
}

build_freetype() {
  local d; d=$(unpack freetype) || return 1
  (cd "$d" && ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --with-zlib=yes --with-png=no --with-harfbuzz=no --with-bzip2=no --with-brotli=no >/dev/null \
    && make -j"$jobs" >/dev/null && make install >/dev/null)
}

build_pixman() {
  local d; d=$(unpack pixman) || return 1
  (cd "$d" && ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --disable-gtk --disable-libpng --disable-openmp >/dev/null \
    && make -C pixman -j"$jobs" >/dev/null && make -C pixman install >/dev/null && make install-pkgconfigDATA >/dev/null)
}

# cairo with only the image surface, the FreeType fonts and PNG output.
build_cairo() {
  local d; d=$(unpack cairo) || return 1
  (cd "$d" && CPPFLAGS="-DCAIRO_WIN32_STATIC_BUILD -DCAIRO_HAS_UTF8_TO_UTF16=1" CFLAGS="-O2 -Wp,-U_FORTIFY_SOURCE" \
      ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --enable-ft --enable-png --disable-fc --disable-xlib --disable-xlib-xrender --disable-xcb \
      --disable-win32 --disable-win32-font --disable-gobject --disable-script --disable-trace \
      --disable-interpreter --disable-svg --disable-pdf --disable-ps --disable-full-testing \
      --disable-gtk-doc --disable-valgrind --disable-symbol-lookup >/dev/null \
    && make -C src -j"$jobs" >/dev/null && make -C src install >/dev/null)
}

build_libebur128() {
  local d; d=$(unpack libebur128) || return 1
  cmake_static "$d" "$d/build" -DENABLE_INTERNAL_QUEUE_H=ON -DBUILD_STATIC_LIBS=ON
}

# The codec libraries: the static libraries and their headers and pkg-config files only,
# no programmes, documentation or tests.
build_libogg() {
  local d; d=$(unpack libogg) || return 1
  cmake_static "$d" "$d/build" -DBUILD_TESTING=OFF -DINSTALL_DOCS=OFF
}

build_libvorbis() {
  local d; d=$(unpack libvorbis) || return 1
  cmake_static "$d" "$d/build" -DBUILD_TESTING=OFF -DOGG_ROOT="$prefix"
}

build_flac() {
  local d; d=$(unpack flac) || return 1
  cmake_static "$d" "$d/build" -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=ON -DWITH_STACK_PROTECTOR=OFF
}

# With its autotools build (the 1.3.1 tarball's CMake files are incomplete) and without the
# stack protector, for which mingw-w64 would need its libssp.
build_opus() {
  local d; d=$(unpack opus) || return 1
  (cd "$d" && CFLAGS="-O2 -Wp,-U_FORTIFY_SOURCE" ./configure --host=$host --prefix="$prefix" --enable-static \
      --disable-shared --disable-doc --disable-extra-programs --disable-stack-protector >/dev/null \
    && make -j"$jobs" libopus.la >/dev/null \
    && make install-libLTLIBRARIES install-pkgincludeHEADERS install-pkgconfigDATA >/dev/null)
}

# libmpg123 alone (the decoder), with its headers and pkg-config file: not the player,
# libout123 or libsyn123.
build_mpg123() {
  local d; d=$(unpack mpg123) || return 1
  (cd "$d" && ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --disable-modules --with-cpu=x86-64 >/dev/null \
    && make -j"$jobs" src/libmpg123/libmpg123.la >/dev/null \
    && make install-libLTLIBRARIES lib_LTLIBRARIES=src/libmpg123/libmpg123.la >/dev/null \
    && make install-nodist_includeHEADERS nodist_include_HEADERS=src/libmpg123/mpg123.h >/dev/null \
    && make install-includeHEADERS install-pkgconfigDATA pkgconfig_DATA=libmpg123.pc >/dev/null)
}

# libmp3lame alone (the encoder): no frontend.
build_lame() {
  local d; d=$(unpack lame) || return 1
  (cd "$d" && ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --disable-frontend --disable-gtktest --disable-analyzer-hooks >/dev/null \
    && make -C mpglib -j"$jobs" >/dev/null && make -C libmp3lame -j"$jobs" >/dev/null \
    && make -C libmp3lame install >/dev/null && make -C include install >/dev/null)
}

# libsndfile with the codec libraries above: FLAC, Ogg Vorbis, Opus, MP3 (reading through
# mpg123, writing through lame) besides its built-in formats. FLAC's headers declare DLL
# imports unless told the library is static.
build_libsndfile() {
  local d; d=$(unpack libsndfile) || return 1
  cmake_static "$d" "$d/build" -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
    -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON -DENABLE_CPACK=OFF -DBUILD_REGTEST=OFF \
    -DENABLE_PACKAGE_CONFIG=ON -DINSTALL_PKGCONFIG_MODULE=ON -DCMAKE_DISABLE_FIND_PACKAGE_Python=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_Speex=ON -DCMAKE_DISABLE_FIND_PACKAGE_SQLite3=ON \
    -DCMAKE_C_FLAGS="-O2 -DFLAC__NO_DLL"
  # A build without them would silently lose the formats: check what it found.
  grep -q '^#define HAVE_EXTERNAL_XIPH_LIBS 1' "$d/build/src/config.h" \
    || { echo "libsndfile did not find FLAC, Ogg, Vorbis and Opus" >&2; return 1; }
  grep -q '^#define HAVE_MPEG 1' "$d/build/src/config.h" || { echo "libsndfile did not find mpg123 and lame" >&2; return 1; }
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
# The licence of every library linked in, for the packages: Debian's copyright file of the
# source package, or the upstream licence where the Debian part is missing.
mkdir -p "$prefix/share/licenses"
for p in "${packages[@]}"; do
  dest=$prefix/share/licenses/$p.txt
  [ -s "$dest" ] && continue
  part=$(ls "$sources/${p}_"*.debian.tar.* 2>/dev/null | head -1 || true)
  if [ -n "$part" ]; then
    tar -xOf "$part" debian/copyright >"$dest" || die "no debian/copyright in $part"
  else
    tar -xOf "$(ls "$sources/${p}_"*.orig.tar.* | grep -v '\.asc$' | head -1)" --wildcards '*/COPYING' >"$dest" \
      || die "no licence file in the upstream source of $p"
  fi
done
# The JSON library is headers only: Debian's copy, beside the Windows libraries, so the
# cross build need not put the build machine's /usr/include on its include path.
[ -f /usr/include/nlohmann/json.hpp ] || die "/usr/include/nlohmann/json.hpp missing: apt-get install nlohmann-json3-dev"
rm -rf "$prefix/include/nlohmann" && cp -r /usr/include/nlohmann "$prefix/include/"
say "ready in $prefix"
