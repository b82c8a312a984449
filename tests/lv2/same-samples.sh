#!/usr/bin/env bash
# quenmark writes the same samples through the LV2 bundle as through the VST3 bundle, for
# Standard mode (analysis pass, then Normalize) and for Continuous mode. On a loaded
# machine either bundle may take a parameter change one block later (a block that ran
# while another thread held the plug-in's mutex), so files that differ must still read the
# same to quenmark's meter: integrated loudness and sample peak to 0.01 dB.
# quenmark analyze, which opens its six sessions on two threads, reads the same levels
# through either bundle, every time.
# Usage: same-samples.sh QUENMARK PROGRAMME_TOOL LV2_BUNDLE VST3_BUNDLE WORK_DIR
set -euo pipefail
quenmark=$1 programme=$2 lv2=$3 vst3=$4 work=$5
rm -rf "$work" && mkdir -p "$work"
"$programme" "$work/in.wav" 12 >/dev/null
run() { # name plugin args...
  local name=$1 plugin=$2; shift 2
  "$quenmark" normalize "$work/in.wav" "$work/$name.wav" "$@" --plugin "$plugin" >/dev/null
}
run standard-lv2 "$lv2" --measure "LUFS Int." --target -23
run standard-vst3 "$vst3" --measure "LUFS Int." --target -23
same() { # a b
  cmp -s "$1" "$2" && return 0
  local a b
  a=$("$quenmark" analyze "$1" | awk '/integrated loudness|sample peak/{print $3}')
  b=$("$quenmark" analyze "$2" | awk '/integrated loudness|sample peak/{print $3}')
  echo "$(basename "$1") and $(basename "$2") differ in bytes; levels: $a / $b"
  [ -n "$a" ] && [ "$a" = "$b" ]
}
same "$work/standard-lv2.wav" "$work/standard-vst3.wav" || { echo "FAIL: Standard mode differs"; exit 1; }
run continuous-lv2 "$lv2" --mode continuous --measure RMS --target -20
run continuous-vst3 "$vst3" --mode continuous --measure RMS --target -20
same "$work/continuous-lv2.wav" "$work/continuous-vst3.wav" || { echo "FAIL: Continuous mode differs"; exit 1; }
"$quenmark" analyze "$work/in.wav" --plugin "$vst3" >"$work/analyze-vst3.txt"
for i in 1 2 3 4 5 6 7 8; do
  "$quenmark" analyze "$work/in.wav" --plugin "$lv2" >"$work/analyze-lv2.txt" \
    || { echo "FAIL: analyze through the LV2 bundle failed (run $i)"; exit 1; }
  cmp -s "$work/analyze-lv2.txt" "$work/analyze-vst3.txt" \
    || { echo "FAIL: analyze reads other levels through the LV2 bundle:"; diff "$work/analyze-lv2.txt" "$work/analyze-vst3.txt"; exit 1; }
done
cmp -s "$work/standard-lv2.wav" "$work/in.wav" && { echo "FAIL: nothing was processed"; exit 1; }
echo "the LV2 and VST3 bundles wrote the same samples"
