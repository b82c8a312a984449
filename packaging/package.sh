#!/usr/bin/env bash
# package.sh windows BUILD_DIR WINDOWS_PREFIX OUT_DIR [installer-only]
# package.sh linux   BUILD_DIR OUT_DIR
#
# Makes the packages a user downloads from a finished build tree, into OUT_DIR:
#   windows: TavrikQuenmark-<version>-win64-setup.exe (NSIS) and TavrikQuenmark-<version>-win64.zip
#   linux:   TavrikQuenmark-<version>-linux-x86_64.tar.gz
# The binaries are shipped stripped; their debug information goes to OUT_DIR/debug/<platform>/,
# each stripped file naming its debug file (.gnu_debuglink). The version is the one the build
# wrote into generated/QuenmarkVersion.h from CMakeLists.txt. Every file gets the commit's
# time and the archives list their entries sorted, so two runs from one commit give the
# same bytes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

die() { printf 'package: %s\n' "$*" >&2; exit 1; }
say() { printf '== package: %s\n' "$*" >&2; }

# The version the build wrote from CMakeLists.txt (QUENMARK_PACKAGE_VERSION overrides it:
# the installer test makes an "older" installer that way).
version_of() { # BUILD_DIR
  [ -n "${QUENMARK_PACKAGE_VERSION:-}" ] && { echo "$QUENMARK_PACKAGE_VERSION"; return; }
  local header=$1/generated/QuenmarkVersion.h
  [ -f "$header" ] || die "$header missing: configure the build first"
  sed -n 's/^#define QUENMARK_VERSION_TEXT "\(.*\)"$/\1/p' "$header"
}

# The time every packaged file carries: the commit's, or SOURCE_DATE_EPOCH when given.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}
export SOURCE_DATE_EPOCH=$epoch TZ=UTC LC_ALL=C

# split_debug OBJCOPY STRIP BINARY DEBUG_DIR: the debug information into DEBUG_DIR/NAME.debug,
# the binary stripped and linked to it.
split_debug() {
  local objcopy=$1 strip=$2 binary=$3 debug=$4 name
  name=$(basename "$binary")
  mkdir -p "$debug"
  "$objcopy" --only-keep-debug "$binary" "$debug/$name.debug"
  "$strip" --strip-all "$binary"
  (cd "$debug" && "$objcopy" --add-gnu-debuglink="$name.debug" "$binary")
}

# normalise DIR: fixed times and permissions, so archives do not depend on the run.
normalise() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  find "$1" -exec touch -h -d "@$epoch" {} +
}

# licences DIR LIST...: our licence, the font's, then the library licences given as
# NAME=FILE pairs, into DIR.
licences() {
  local dir=$1; shift
  mkdir -p "$dir"
  cp "$here/licenses/LICENSE.txt" "$dir/LICENSE.txt"
  cp "$root/resources/OFL.txt" "$dir/TitilliumWeb-OFL.txt"
  local pair
  for pair in "$@"; do
    [ -f "${pair#*=}" ] || die "licence of ${pair%%=*} not found: ${pair#*=}"
    cp "${pair#*=}" "$dir/${pair%%=*}.txt"
  done
}

windows() {
  local build=$1 prefix=$2 out=$3 only_installer=${4:-}
  local version; version=$(version_of "$build")
  local name=TavrikQuenmark-$version-win64
  local triplet=x86_64-w64-mingw32 stage=$out/.stage-win64
  local vst3=$build/vst3/TavrikQuenmark.vst3 aax=$build/aax/TavrikQuenmark.aaxplugin
  local tool=$build/tools/quenmark/quenmark.exe clap=$build/clap/TavrikQuenmark.clap
  [ -f "$vst3/Contents/x86_64-win/TavrikQuenmark.vst3" ] || die "$vst3 was not built"
  [ -f "$clap" ] || die "$clap was not built"
  [ -f "$aax/Contents/x64/TavrikQuenmark.aaxplugin" ] || die "$aax was not built"
  [ -f "$tool" ] || die "$tool was not built"
  command -v makensis >/dev/null || die "makensis not found: apt-get install nsis"

  rm -rf "$stage" && mkdir -p "$stage/$name" "$out"
  local files=$stage/$name
  cp -r "$vst3" "$aax" "$clap" "$tool" "$files/"
  local debug=$out/debug/win64
  rm -rf "$debug"
  for binary in "$files/TavrikQuenmark.vst3/Contents/x86_64-win/TavrikQuenmark.vst3" \
                "$files/TavrikQuenmark.aaxplugin/Contents/x64/TavrikQuenmark.aaxplugin" \
                "$files/TavrikQuenmark.clap" "$files/quenmark.exe"; do
    split_debug $triplet-objcopy $triplet-strip "$binary" "$debug"
  done
  # Everything linked in statically: the libraries build-deps.sh built (their Debian
  # copyright files), the JSON library, and the compiler's runtime (libstdc++, libgcc,
  # winpthreads and the mingw-w64 CRT start-up code).
  local list=() f
  for f in "$prefix"/share/licenses/*.txt; do list+=("$(basename "$f" .txt)=$f"); done
  [ ${#list[@]} -gt 0 ] || die "no library licences in $prefix/share/licenses: run cmake/windows/build-deps.sh"
  list+=(nlohmann-json=/usr/share/doc/nlohmann-json3-dev/copyright
         gcc-runtime=/usr/share/doc/gcc-mingw-w64-base/copyright
         mingw-w64=/usr/share/doc/mingw-w64-common/copyright)
  licences "$files/licenses" "${list[@]}"
  cp "$here/windows/INSTALL.txt" "$files/INSTALL.txt"
  cp "$root/CHANGELOG.md" "$files/CHANGELOG.md"
  normalise "$stage"

  say "$name-setup.exe"
  makensis -V2 -DVERSION="$version" -DSTAGE="$files" -DOUTFILE="$out/$name-setup.exe" \
    "$here/windows/TavrikQuenmark.nsi" >&2 || die "makensis failed"
  touch -d "@$epoch" "$out/$name-setup.exe"
  if [ "$only_installer" != installer-only ]; then
    say "$name.zip"
    rm -f "$out/$name.zip"
    (cd "$stage" && find "$name" -print | sort | zip -X -D -q -9 "$out/$name.zip" -@) || die "zip failed"
    touch -d "@$epoch" "$out/$name.zip"
  fi
  rm -rf "$stage"
}

linux() {
  local build=$1 out=$2
  local version; version=$(version_of "$build")
  local name=TavrikQuenmark-$version-linux-x86_64 stage=$out/.stage-linux
  local vst3=$build/vst3/TavrikQuenmark.vst3 tool=$build/tools/quenmark/quenmark
  local clap=$build/clap/TavrikQuenmark.clap
  [ -f "$vst3/Contents/x86_64-linux/TavrikQuenmark.so" ] || die "$vst3 was not built"
  [ -f "$clap" ] || die "$clap was not built"
  [ -x "$tool" ] || die "$tool was not built"
  local lv2=$build/lv2-path/TavrikQuenmark.lv2
  [ -f "$lv2/TavrikQuenmark.so" ] && [ -f "$lv2/manifest.ttl" ] || die "$lv2 was not built"

  rm -rf "$stage" && mkdir -p "$stage/$name" "$out"
  local files=$stage/$name
  cp -r "$vst3" "$lv2" "$clap" "$files/"
  cp "$tool" "$files/quenmark"
  local debug=$out/debug/linux-x86_64
  rm -rf "$debug"
  split_debug objcopy strip "$files/TavrikQuenmark.vst3/Contents/x86_64-linux/TavrikQuenmark.so" "$debug"
  split_debug objcopy strip "$files/TavrikQuenmark.clap" "$debug"
  split_debug objcopy strip "$files/quenmark" "$debug"
  split_debug objcopy strip "$files/TavrikQuenmark.lv2/TavrikQuenmark.so" "$debug/lv2"

  # The Debian packages of the shared libraries the binaries link (their own NEEDED
  # entries; apt brings what those need): their copyright files ship with the package,
  # their names go into INSTALL.txt.
  local packages binary
  packages=$(for binary in "$files/TavrikQuenmark.vst3/Contents/x86_64-linux/TavrikQuenmark.so" \
                           "$files/TavrikQuenmark.lv2/TavrikQuenmark.so" "$files/quenmark"; do
      ldd "$binary" | awk -v needed="$(readelf -d "$binary" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')" \
        'BEGIN {n = split(needed, list, "\n"); for (i = 1; i <= n; ++i) want[list[i]] = 1}
         $1 in want && $3 ~ /^\// {print $3}'
    done | sort -u | xargs -r realpath | xargs -r dpkg -S 2>/dev/null \
    | cut -d: -f1 | sort -u | grep -v -E '^(libc6|libgcc-s1|libstdc\+\+6)$' || true)
  [ -n "$packages" ] || die "could not find the Debian packages of the shared libraries"
  local list=(nlohmann-json=/usr/share/doc/nlohmann-json3-dev/copyright) p
  for p in $packages; do list+=("$p=/usr/share/doc/$p/copyright"); done
  licences "$files/licenses" "${list[@]}"
  sed "s/@PACKAGES@/$(echo $packages)/" "$here/linux/INSTALL.txt" >"$files/INSTALL.txt"
  cp "$root/CHANGELOG.md" "$files/CHANGELOG.md"
  normalise "$stage"
  chmod 0755 "$files/quenmark" "$files/TavrikQuenmark.vst3/Contents/x86_64-linux/TavrikQuenmark.so" \
    "$files/TavrikQuenmark.lv2/TavrikQuenmark.so" "$files/TavrikQuenmark.clap"

  say "$name.tar.gz"
  tar -C "$stage" --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner \
    --pax-option=exthdr.name=%d/PaxHeaders/%f,delete=atime,delete=ctime -cf - "$name" \
    | gzip -9 -n >"$out/$name.tar.gz"
  touch -d "@$epoch" "$out/$name.tar.gz"
  rm -rf "$stage"
}

case "${1:-}" in
  windows) shift; [ $# -ge 3 ] || die "usage: package.sh windows BUILD_DIR WINDOWS_PREFIX OUT_DIR [installer-only]"
           windows "$(realpath "$1")" "$(realpath "$2")" "$(mkdir -p "$3" && realpath "$3")" "${4:-}" ;;
  linux)   shift; [ $# -eq 2 ] || die "usage: package.sh linux BUILD_DIR OUT_DIR"
           linux "$(realpath "$1")" "$(mkdir -p "$2" && realpath "$2")" ;;
  *) die "usage: package.sh windows|linux ..." ;;
esac
