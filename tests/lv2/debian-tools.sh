#!/usr/bin/env bash
# Debian's LV2 tools on the built bundle: lv2ls lists it, lv2info shows every port with
# its range and the preset, the Turtle validator finds nothing, and lv2apply renders a
# programme through it in Continuous mode to the target, as measured by quenmark.
# Usage: debian-tools.sh BUNDLE QUENMARK PROGRAMME_TOOL WORK_DIR VST3_BUNDLE
set -euo pipefail
bundle=$1 quenmark=$2 programme=$3 work=$4 vst3=$5
uri=https://tavrik.example/lv2/quenmark
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work"
export LV2_PATH=$(cd "$(dirname "$bundle")" && pwd)

lv2ls | grep -qx "$uri" || fail "lv2ls does not list $uri"

info=$(lv2info "$uri")
expect_port() { # symbol minimum maximum default
  local block
  block=$(awk -v s="$1" '/^\tPort [0-9]+:/{p=""} {p=p $0 "\n"} /Symbol:/ && $2==s {found=1} found && /^$/{print p; exit}' <<<"$info")
  [ -n "$block" ] || fail "lv2info shows no port $1"
  grep -q "Minimum: *$2" <<<"$block" || fail "port $1: minimum is not $2"
  grep -q "Maximum: *$3" <<<"$block" || fail "port $1: maximum is not $3"
  grep -q "Default: *$4" <<<"$block" || fail "port $1: default is not $4"
}
expect_port gain -60.000000 60.000000 0.000000
expect_port measure 0.000000 5.000000 0.000000
expect_port target_value -60.000000 30.000000 -12.000000
expect_port mode 0.000000 1.000000 0.000000
expect_port analyze 0.000000 1.000000 1.000000
expect_port normalize 0.000000 1.000000 1.000000
expect_port group 0.000000 8.000000 0.000000
expect_port gate -90.000000 0.000000 -60.000000
expect_port enabled 0.000000 1.000000 1.000000
grep -q 'Designation: http://lv2plug.in/ns/lv2core#enabled' <<<"$info" || fail "no lv2:enabled port"
grep -q '"LUFS Shrt."' <<<"$info" || fail "the measure's texts are missing"
grep -q 'Default$' <<<"$info" || fail "the factory preset is missing"
[ "$(grep -c '^	Port ' <<<"$info")" -eq 17 ] || fail "lv2info does not show 17 ports"
grep -q "ui#X11UI" <<<"$info" || fail "lv2info shows no X11 UI"

if command -v lv2_validate >/dev/null && command -v sord_validate >/dev/null; then
  report=$(lv2_validate "$bundle"/*.ttl 2>&1 | grep -v '^Skipping') || true
  grep -q 'Found 0 errors' <<<"$report" || { echo "$report" >&2; fail "lv2_validate reports errors"; }
  grep -q '^warning' <<<"$report" && { echo "$report" >&2; fail "lv2_validate reports warnings"; }
fi

# Continuous mode follows the programme's level, so a programme with quiet passages ends
# above the target; the VST3 bundle, run by quenmark on the same programme with the same
# settings, is the reference.
"$programme" "$work/in.wav" 20 >/dev/null
lv2apply -i "$work/in.wav" -o "$work/out.wav" -c mode 1 -c measure 5 -c target_value -20 "$uri"
"$quenmark" normalize "$work/in.wav" "$work/vst3.wav" --mode continuous --measure "LUFS Shrt." --target -20 \
  --plugin "$vst3" >/dev/null
shortterm() { "$quenmark" analyze "$1" | awk '/short-term maximum/{print $3}'; }
integrated() { "$quenmark" analyze "$1" | awk '/integrated loudness/{print $3}'; }
lv2=$(integrated "$work/out.wav") ref=$(integrated "$work/vst3.wav") input=$(integrated "$work/in.wav")
echo "Continuous mode to -20 LUFS short-term: integrated $input LUFS in, $lv2 through lv2apply, $ref through the VST3 bundle"
awk -v a="$lv2" -v b="$ref" -v i="$input" 'BEGIN{d=a-b; if (d<0) d=-d; exit !(d < 0.5 && a - i > 3)}' \
  || fail "the LV2 rendering ($lv2 LUFS) is not the VST3 one ($ref LUFS)"
echo "all LV2 tool checks passed"
