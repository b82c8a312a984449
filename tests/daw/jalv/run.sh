#!/usr/bin/env bash
# run.sh BUNDLE: the LV2 plug-in in jalv (Debian's jalv), a JACK host, on a private JACK
# server with the dummy driver. A sine of -13.98 dBFS plays into it while the JACK
# transport rolls (Standard mode, "dBFS" to -12); the transport stops, and what the
# plug-in plays then is recorded and must peak at the target. With SHOW_UI=1 the
# editor opens in jalv.gtk3 on an X server of its own and a picture of it is written to
# jalv-editor.png. A manual check, outside ./run test (apt-get install jalv jackd2 xvfb
# x11-apps netpbm).
set -euo pipefail
bundle=$(realpath "${1:?usage: run.sh TavrikQuenmark.lv2}")
here=$(cd "$(dirname "$0")" && pwd)
quenmark=${QUENMARK:-$here/../../../build/tools/quenmark/quenmark}
uri=https://tavrik.example/lv2/quenmark
for tool in jalv jackd jack_simple_client jack_transport jack_rec; do
  command -v $tool >/dev/null || { echo "run.sh: apt-get install jalv jackd2" >&2; exit 2; }
done
[ -x "$quenmark" ] || { echo "run.sh: build quenmark first (./run demo)" >&2; exit 2; }

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
# A server of our own name, so a user's JACK server is left alone.
export JACK_DEFAULT_SERVER=quenmark-$$ LV2_PATH=$(dirname "$bundle")
jackd -r -d dummy -r 48000 -p 1024 >"$work/jackd.log" 2>&1 & pids+=($!)
jack_wait -w -t 10 >/dev/null 2>&1
mkfifo "$work/commands"
sleep 600 >"$work/commands" & pids+=($!) # keeps jalv's input open
stdbuf -oL jalv -p -n qm "$uri" <"$work/commands" >"$work/jalv.log" 2>&1 & pids+=($!)
jack_simple_client >/dev/null 2>&1 & pids+=($!) # a sine of amplitude 0.2
for _ in $(seq 50); do jack_lsp 2>/dev/null | grep -q qm:in_r && break; sleep 0.1; done
jack_connect jack_simple_client:output1 qm:in_l
jack_connect jack_simple_client:output2 qm:in_r

jack_transport <<<play >/dev/null 2>&1
sleep 4
jack_transport <<<stop >/dev/null 2>&1
sleep 1
echo monitors >"$work/commands"
sleep 0.5
jack_rec -f "$work/out.wav" -d 2 qm:out_l qm:out_r >/dev/null 2>&1
grep -E '^(> )?(level|applied_gain) = ' "$work/jalv.log" | tail -2
peak=$("$quenmark" analyze "$work/out.wav" | awk '/sample peak/{print $3}')
echo "recorded after the stop: sample peak $peak dBFS"
[ "$peak" = "-12.00" ] || { echo "FAIL: the output is not at the target (-12.00 dBFS)"; exit 1; }

if [ "${SHOW_UI:-0}" = 1 ]; then
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -1 "$work/display")
  jalv.gtk3 "$uri" >"$work/gtk.log" 2>&1 & pids+=($!)
  sleep 4
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmcut -left 0 -top 0 -width 300 -height 305 | pnmtopng >jalv-editor.png
  echo "the editor in jalv.gtk3: jalv-editor.png"
fi
echo "jalv: the plug-in analysed while the transport rolled and plays at the target"
