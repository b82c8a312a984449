#!/usr/bin/env bash
# run.sh BUNDLE [REOPENS]: the plug-in in Ardour 7, headless (Debian's ardour package, the
# dummy audio backend); BUNDLE is TavrikQuenmark.vst3 or TavrikQuenmark.lv2, the format
# taken from its suffix. A session analyses 20 s of pink noise and normalizes it to
# -23 LUFS, is saved, then reopened and exported REOPENS times (6 by default); every
# export must measure as the one made before the save. A manual check, outside ./run test:
# Ardour is not installed there, and its headless export crashes now and then by itself.
set -euo pipefail
bundle=$(realpath "${1:?usage: run.sh TavrikQuenmark.vst3|TavrikQuenmark.lv2 [REOPENS]}")
case $bundle in
  *.vst3) format=VST3 ;;
  *.lv2) format=LV2 ;;
  *) echo "run.sh: $1 is neither a .vst3 nor a .lv2 bundle" >&2; exit 2 ;;
esac
reopens=${2:-6}
here=$(cd "$(dirname "$0")" && pwd)
quenmark=${QUENMARK:-$here/../../../build/tools/quenmark/quenmark}
command -v ardour7-lua >/dev/null || { echo "run.sh: apt-get install ardour" >&2; exit 2; }
[ -x "$quenmark" ] || { echo "run.sh: build quenmark first (./run demo)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A private home: Ardour's configuration (the dummy backend shown), its plug-in cache and
# the bundle, without touching the user's. LV2 bundles are found on a private LV2_PATH
# holding only this one; VST3 ones in ~/.vst3, scanned into Ardour's cache first.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$XDG_CONFIG_HOME/ardour7"
cat > "$XDG_CONFIG_HOME/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour><Config><Option name="hide-dummy-backend" value="0"/></Config></Ardour>
XML
if [ "$format" = LV2 ]; then
  export LV2_PATH=$work/lv2
  mkdir -p "$LV2_PATH"
  ln -s "$bundle" "$LV2_PATH/TavrikQuenmark.lv2"
else
  mkdir -p "$HOME/.vst3"
  ln -s "$bundle" "$HOME/.vst3/TavrikQuenmark.vst3"
  LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner -q -f "$HOME/.vst3/TavrikQuenmark.vst3"
fi

export FORMAT=$format SCRIPTS=$here SESSION_DIR=$work/session SESSION_NAME=reopen EXPORT_DIR=$work/export
# Ardour's whole output goes to $ARDOUR_LOG when set; the values shown and the scripts'
# errors are printed.
log=${ARDOUR_LOG:-/dev/null}
lua() { ardour7-lua "$here/$1" 2>&1 | tee -a "$log" | grep -E '^(analysed|reopened)|LuaException|assertion' || true; }
# Ardour's own crashes are retried: a new session, up to three times.
for attempt in 1 2 3; do
  rm -rf "$SESSION_DIR" "$EXPORT_DIR"
  lua create.lua
  lua analyse.lua
  [ -f "$EXPORT_DIR/saved.wav" ] && break
done
[ -f "$EXPORT_DIR/saved.wav" ] || { echo "run.sh: the export before the save failed three times" >&2; exit 1; }
for i in $(seq 1 "$reopens"); do
  EXPORT_NAME=reopened-$i lua reopen.lua
done
# quenmark's own integrated loudness of the export. One measure only: quenmark opens one
# plug-in session per measure, two at a time, and its LV2 loading is not safe on two
# threads at once (lilv crashes now and then).
loudness() { "$quenmark" analyze "$1" --measure "LUFS Int." --plugin "$bundle" | awk '/integrated loudness/ {print $3}'; }
saved=$(loudness "$EXPORT_DIR/saved.wav")
echo "saved: $saved LUFS"
status=0
for i in $(seq 1 "$reopens"); do
  file=$EXPORT_DIR/reopened-$i.wav
  if [ ! -f "$file" ]; then echo "reopen $i: no export (Ardour crashed)"; continue; fi
  level=$(loudness "$file")
  # The noise generator is not seeded: its loudness varies by about 0.01 LU a run.
  verdict=$(awk -v a="$level" -v b="$saved" 'BEGIN { d = a - b; print (d < 0.05 && d > -0.05) ? "as saved" : "DIFFERS" }')
  echo "reopen $i: $level LUFS, $verdict"
  [ "$verdict" = "as saved" ] || status=1
done
exit $status
