#!/usr/bin/env bash
# quenmark writes the same samples through the LV2 bundle as through the VST3 bundle, for
# Standard mode (analysis pass, then Normalize) and for Continuous mode. On a loaded
# machine either bundle may take a parameter change one block later (a block that ran
# while another thread held the plug-in's mutex), so files that differ must still read the
# same to quenmark's meter: integrated loudness and sample peak to 0.01 dB.
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
cmp -s "$work/standard-lv2.wav" "$work/in.wav" && { echo "FAIL: nothing was processed"; exit 1; }
echo "the LV2 and VST3 bundles wrote the same samples"
