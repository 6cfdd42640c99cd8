#!/bin/sh
# The renderer's default tail follows the sound: a long reverb ("Pad Wash") rings on past
# the old fixed 2.5 s and ends in 100 ms below -90 dBFS; a dry preset ends soon after its
# last note; --tail still sets the length exactly.
#   check-render-tail.sh RENDERER PLUGIN WORK_DIR
set -eu
render=$1 plugin=$2 dir=$3
mkdir -p "$dir"
seconds() { soxi -D "$1"; }
peak() { sox "$1" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}'; }
fail() { echo "FAIL: $*"; exit 1; }

"$render" --plugin "$plugin" --preset "Pad Wash" --float "$dir/pad.wav" >/dev/null
"$render" --plugin "$plugin" --preset "Init" --float "$dir/init.wav" >/dev/null
"$render" --plugin "$plugin" --preset "Pad Wash" --tail 1 --float "$dir/fixed.wav" >/dev/null
phrase=8  # the demo phrase's length at 120 bpm
pad=$(seconds "$dir/pad.wav") init=$(seconds "$dir/init.wav") fixed=$(seconds "$dir/fixed.wav")
echo "Pad Wash ${pad} s, Init ${init} s, Pad Wash with --tail 1: ${fixed} s"
awk "BEGIN { exit !($pad > $phrase + 2.5 && $pad < $phrase + 30) }" || fail "Pad Wash's tail is cut or endless"
awk "BEGIN { exit !($init > $phrase && $init < $phrase + 2.5) }" || fail "Init's tail is not short"
awk "BEGIN { exit !($fixed == $phrase + 1) }" || fail "--tail 1 did not give the phrase and one second"
sox "$dir/pad.wav" "$dir/pad-end.wav" trim "$(awk "BEGIN { print $pad - 0.1 }")"
sox "$dir/pad.wav" "$dir/pad-before.wav" trim "$(awk "BEGIN { print $pad - 2.1 }")" 2
last=$(peak "$dir/pad-end.wav") before=$(peak "$dir/pad-before.wav")
echo "peak of the last 100 ms: $last, of the 2 s before: $before"
awk "BEGIN { exit !($last < 0.0000317) }" || fail "the last 100 ms are not below -90 dBFS"
awk "BEGIN { exit !($before > 0.0000317) }" || fail "the tail was silent long before it ended"
