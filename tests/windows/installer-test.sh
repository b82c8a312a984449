#!/usr/bin/env bash
# installer-test.sh BUILD_DIR WINDOWS_PREFIX WORK_DIR: the Windows installer made from this
# build tree, run silently in a fresh Wine prefix of its own:
#   - an install puts every file where it belongs, and our host (the installed quenmark.exe)
#     loads the installed VST3 from C:\Program Files\Common Files\VST3;
#   - the uninstaller removes every file and registry key the install added and nothing
#     else: a file the user put into the VST3 folder stays, the PATH is as it was;
#   - an install over an older one (in another folder) leaves one copy;
#   - an install without the AAX component installs no AAX.
set -euo pipefail
build=${1:?usage: installer-test.sh BUILD_DIR WINDOWS_PREFIX WORK_DIR}
libraries=${2:?}
work=${3:?}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
wine_run=$root/cmake/windows/wine-run.sh
failures=0

fail() { printf 'FAILED: %s\n' "$*" >&2; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then printf 'ok: %s\n' "$what"; else fail "$what"; fi; }

version=$(sed -n 's/^#define QUENMARK_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/QuenmarkVersion.h")
rm -rf "$work" && mkdir -p "$work"
"$root/packaging/package.sh" windows "$build" "$libraries" "$work/new" installer-only
QUENMARK_PACKAGE_VERSION=0.9.0 "$root/packaging/package.sh" windows "$build" "$libraries" "$work/old" installer-only
setup=$(ls "$work/new/"*-setup.exe)
old_setup=$(ls "$work/old/"*-setup.exe)

prefix=$work/wineprefix
drive=$prefix/drive_c
vst3_dir="$drive/Program Files/Common Files/VST3"
aax_dir="$drive/Program Files/Common Files/Avid/Audio/Plug-Ins"
tool_dir="$drive/Program Files/Tavrik/Quenmark"
wine() { "$wine_run" "$prefix" "$@"; }
# The uninstaller copies itself away and returns at once: wait for every programme of the
# prefix to end.
settle() { WINEPREFIX=$prefix /usr/lib/wine/wineserver -w; }
# The files of the prefix, without Wine's own folders, which any run may change.
files() { (cd "$drive" && find . -type f -not -path './windows/*' -not -path './users/*/Temp/*' \
  -not -path './users/*/AppData/*' -not -path './ProgramData/*' | sort); }
# Registry keys of the machine (HKLM), by name.
keys() { settle; grep -E '^\[' "$prefix/system.reg" | sed 's/ [0-9]*$//' | sort; }
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v {$1 = ""; $2 = ""; sub(/^ +/, ""); print}'; }
env_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TavrikQuenmark'

wine cmd /c exit 0 # makes the prefix
# Windows always has the key Add/Remove Programs reads; a fresh Wine prefix makes it on first use.
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /f >/dev/null
settle
files >"$work/files-before"
keys >"$work/keys-before"
path_before=$(reg_value "$env_key" Path)

echo "== install, silently, with the tool on PATH"
wine "$setup" /S /PATH
settle
check "the VST3 module is installed" test -f "$vst3_dir/TavrikQuenmark.vst3/Contents/x86_64-win/TavrikQuenmark.vst3"
check "the VST3 module info is installed" test -f "$vst3_dir/TavrikQuenmark.vst3/Contents/Resources/moduleinfo.json"
check "the AAX module is installed" test -f "$aax_dir/TavrikQuenmark.aaxplugin/Contents/x64/TavrikQuenmark.aaxplugin"
check "quenmark.exe is installed" test -f "$tool_dir/quenmark.exe"
check "the uninstaller is installed" test -f "$tool_dir/uninstall.exe"
check "the changelog is installed" test -s "$tool_dir/CHANGELOG.md"
for licence in LICENSE.txt TitilliumWeb-OFL.txt cairo.txt freetype.txt libsndfile.txt flac.txt lame.txt mpg123.txt; do
  check "licence $licence is installed" test -s "$tool_dir/licenses/$licence"
done
check "Add/Remove Programs lists it with its version" test "$(reg_value "$uninstall_key" DisplayVersion)" = "$version"
check "the tool's folder is on PATH" grep -qiF 'C:\Program Files\Tavrik\Quenmark' <<<"$(reg_value "$env_key" Path)"

echo "== our host loads the installed VST3"
info=$(wine "C:\\Program Files\\Tavrik\\Quenmark\\quenmark.exe" info \
  --plugin "C:\\Program Files\\Common Files\\VST3\\TavrikQuenmark.vst3" 2>&1 | tr -d '\r') || true
check "quenmark info lists the plug-in's parameters" grep -q "Target Value" <<<"$info"
[ $failures -eq 0 ] || printf '%s\n' "$info" >&2
check "quenmark --version names $version" grep -q "quenmark $version" \
  <<<"$(wine "C:\\Program Files\\Tavrik\\Quenmark\\quenmark.exe" --version 2>&1)"

echo "== uninstall, silently; a file of the user's in the VST3 folder stays"
echo "not ours" >"$vst3_dir/UsersOwn.vst3"
wine "C:\\Program Files\\Tavrik\\Quenmark\\uninstall.exe" /S
settle
check "the user's file is still there" test -f "$vst3_dir/UsersOwn.vst3"
rm "$vst3_dir/UsersOwn.vst3"
files >"$work/files-after"
keys >"$work/keys-after"
check "every file the install added is gone, and nothing else" diff -u "$work/files-before" "$work/files-after"
check "every registry key the install added is gone, and nothing else" diff -u "$work/keys-before" "$work/keys-after"
check "PATH is as it was" test "$(reg_value "$env_key" Path)" = "$path_before"

echo "== upgrade: an older version in another folder, then this one"
# /D= takes the rest of the command line unquoted: a folder without spaces.
wine "$old_setup" /S '/D=C:\OldPlace\Quenmark'
settle
check "the older version is installed" test -f "$drive/OldPlace/Quenmark/quenmark.exe"
wine "$setup" /S
settle
check "one quenmark.exe, where the older one was" \
  test "$(cd "$drive" && find . -name quenmark.exe)" = "./OldPlace/Quenmark/quenmark.exe"
check "one VST3 bundle" test "$(cd "$drive" && find . -name TavrikQuenmark.vst3 -type d | wc -l)" -eq 1
check "one entry in Add/Remove Programs, of this version" test "$(reg_value "$uninstall_key" DisplayVersion)" = "$version"
wine "C:\\OldPlace\\Quenmark\\uninstall.exe" /S
settle
check "the uninstall after the upgrade leaves the prefix as it was" \
  diff -u "$work/files-before" <(files)

echo "== install without AAX"
wine "$setup" /S /NOAAX
settle
check "the VST3 module is installed" test -f "$vst3_dir/TavrikQuenmark.vst3/Contents/x86_64-win/TavrikQuenmark.vst3"
check "no AAX is installed" test ! -e "$aax_dir/TavrikQuenmark.aaxplugin"
wine "C:\\Program Files\\Tavrik\\Quenmark\\uninstall.exe" /S
settle
files >"$work/files-after"
check "the uninstall leaves the prefix as it was" diff -u "$work/files-before" "$work/files-after"

WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
[ $failures -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "all installer checks passed"
