#!/usr/bin/env bash
# linux-package-test.sh BUILD_DIR WORK_DIR: the Linux archive of this build tree.
set -euo pipefail
build=${1:?usage: linux-package-test.sh BUILD_DIR WORK_DIR}
work=${2:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
failures=0
fail() { printf 'FAILED: %s\n' "$*" >&2; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then printf 'ok: %s\n' "$what"; else fail "$what"; fi; }
has_debug_info() { [[ $(readelf -S "$1") == *.debug_info* ]]; }

rm -rf "$work" && mkdir -p "$work"
"$root/packaging/package.sh" linux "$build" "$work/first"
"$root/packaging/package.sh" linux "$build" "$work/second"
archive=$(ls "$work/first/"*.tar.gz)
name=$(basename "$archive" .tar.gz)
check "two runs give the same archive" cmp "$archive" "$work/second/$name.tar.gz"

home=$work/home
mkdir -p "$home/.vst3"
tar -xzf "$archive" -C "$work"
files=$work/$name
module=$files/TavrikQuenmark.vst3/Contents/x86_64-linux/TavrikQuenmark.so
check "the bundle is in the archive" test -f "$module"
check "the module info is in the archive" test -f "$files/TavrikQuenmark.vst3/Contents/Resources/moduleinfo.json"
for licence in LICENSE.txt TitilliumWeb-OFL.txt nlohmann-json.txt libcairo2.txt libsndfile1.txt; do
  check "licence $licence is in the archive" test -s "$files/licenses/$licence"
done
check "the changelog is in the archive" test -s "$files/CHANGELOG.md"
check "the install text names ~/.vst3 and /usr/lib/vst3" grep -q '/usr/lib/vst3' "$files/INSTALL.txt"
check "the LV2 bundle is in the archive" test -f "$files/TavrikQuenmark.lv2/manifest.ttl"
check "the install text names ~/.lv2" grep -q '~/.lv2' "$files/INSTALL.txt"
check "the LV2 module's debug information is kept" has_debug_info "$work/first/debug/linux-x86_64/lv2/TavrikQuenmark.so.debug"
check "the install text names the library packages" grep -q 'apt-get install .*libcairo2' "$files/INSTALL.txt"
check "the module is stripped" bash -c "! readelf -S '$module' | grep -q '\.debug_info'"
check "quenmark is stripped" bash -c "! readelf -S '$files/quenmark' | grep -q '\.debug_info'"
check "the module's debug information is kept beside the packages" has_debug_info "$work/first/debug/linux-x86_64/TavrikQuenmark.so.debug"
check "the module names its debug file" bash -c "readelf --string-dump=.gnu_debuglink '$module' | grep -q TavrikQuenmark.so.debug"

echo "== our host loads the bundle from ~/.vst3"
cp -r "$files/TavrikQuenmark.vst3" "$home/.vst3/"
info=$(HOME=$home "$files/quenmark" info --plugin "$home/.vst3/TavrikQuenmark.vst3" 2>&1) || true
check "quenmark info lists the plug-in's parameters" grep -q "Target Value" <<<"$info"

echo "== one version everywhere"
version=${name#TavrikQuenmark-}
version=${version%-linux-x86_64}
check "quenmark --version says $version" grep -q "^quenmark $version " <<<"$("$files/quenmark" --version)"
check "the module info says $version" grep -q "\"Version\": \"$version\"" "$files/TavrikQuenmark.vst3/Contents/Resources/moduleinfo.json"
check "the version is the one in CMakeLists.txt" grep -q "project(TavrikQuenmark VERSION $version " "$root/CMakeLists.txt"

[ $failures -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "all package checks passed"
