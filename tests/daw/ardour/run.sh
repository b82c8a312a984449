#!/usr/bin/env bash
# run.sh BUNDLE [REOPENS]: the plug-in in Ardour 7, headless (Debian's ardour package, the
# dummy audio backend). A session analyses 20 s of pink noise and normalizes it to
# -23 LUFS, is saved, then reopened and exported REOPENS times (6 by default); every
# export must measure as the one made before the save. A manual check, outside ./run test:
# Ardour is not installed there, and its headless export crashes now and then by itself.
set -euo pipefail
bundle=$(realpath "${1:?usage: run.sh TavrikQuenmark.vst3 [REOPENS]}")
reopens=${2:-6}
here=$(cd "$(dirname "$0")" && pwd)
quenmark=${QUENMARK:-$here/../../../build/tools/quenmark/quenmark}
command -v ardour7-lua >/dev/null || { echo "run.sh: apt-get install ardour" >&2; exit 2; }
[ -x "$quenmark" ] || { echo "run.sh: build quenmark first (./run demo)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A private home: Ardour's configuration (the dummy backend shown), its plug-in cache and
# the bundle, without touching the user's.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME/.vst3" "$XDG_CONFIG_HOME/ardour7"
ln -s "$bundle" "$HOME/.vst3/TavrikQuenmark.vst3"
cat > "$XDG_CONFIG_HOME/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour><Config><Option name="hide-dummy-backend" value="0"/></Config></Ardour>
XML
LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner -q -f "$HOME/.vst3/TavrikQuenmark.vst3"

export SCRIPTS=$here SESSION_DIR=$work/session SESSION_NAME=reopen EXPORT_DIR=$work/export
lua() { ardour7-lua "$here/$1" 2>&1 | grep -E '^(analysed|reopened)' || true; }
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
loudness() { "$quenmark" analyze "$1" --plugin "$bundle" | awk '/integrated loudness/ {print $3}'; }
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
