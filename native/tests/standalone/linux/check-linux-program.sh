#!/usr/bin/env bash
# strobe-95 on a JACK server of its own (the dummy driver, no sound card): its command
# line; as a sound module, its ports and connections, a MIDI client that appears later
# being taken in, notes from it heard on out_1, its settings and session kept in the XDG
# config home, a server that dies and comes back, and an end by SIGTERM or SIGINT with
# status 0.
set -euo pipefail
program=$1 jack_check=$2
work=$(mktemp -d)
server="strobe95-check-$$"
jack_pid="" program_pid="" other_pids=()
cleanup() {
  for pid in $program_pid "${other_pids[@]}" $jack_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "linux program: $*"; [ -f "$work/program.log" ] && sed 's/^/  | /' "$work/program.log"; exit 1; }
export JACK_DEFAULT_SERVER=$server XDG_CONFIG_HOME="$work/config" HOME="$work/home"
mkdir -p "$HOME"
folder="$XDG_CONFIG_HOME/clap-standalone-host/co.glowhaus.strobe95"

# --- The command line --------------------------------------------------------------
"$program" --help | grep -q -- "--no-window" || fail "--help does not name --no-window"
status=0; "$program" --loud >/dev/null 2>"$work/err" || status=$?
[ "$status" -eq 2 ] && [ "$(wc -l < "$work/err")" -eq 1 ] && grep -q -- "--loud" "$work/err" ||
  fail "an unknown argument gives status $status and: $(cat "$work/err")"
status=0; env -u DISPLAY -u WAYLAND_DISPLAY "$program" >/dev/null 2>"$work/err" || status=$?
[ "$status" -ne 0 ] && grep -q -- "--no-window" "$work/err" || fail "without a display it says: $(cat "$work/err")"
[ ! -e "$folder" ] || fail "a refused start wrote settings"

# --- ALSA, when no JACK server answers ---------------------------------------------
# The default device records into a file, as fast as it is written: a moment is enough.
cat > "$HOME/.asoundrc" <<ALSA
pcm.!default { type plug slave.pcm "rec" }
pcm.rec { type file slave.pcm "null" file "$work/alsa.raw" format "raw" }
ctl.!default { type hw card 0 }
ALSA
"$program" --list-audio-devices >"$work/listing" || fail "--list-audio-devices failed without JACK"
grep -q "audio api alsa (ALSA)" "$work/listing" && grep -q "id: default" "$work/listing" ||
  fail "the listing lacks ALSA's default device: $(cat "$work/listing")"
"$program" --no-window >"$work/program.log" 2>&1 &
program_pid=$!
for _ in $(seq 100); do [ -s "$work/alsa.raw" ] && break; sleep 0.02; done
kill -TERM "$program_pid"; status=0; wait "$program_pid" || status=$?; program_pid=""
[ "$status" -eq 0 ] || fail "SIGTERM ended the ALSA run with status $status"
[ -s "$work/alsa.raw" ] || fail "nothing reached ALSA's default device"
grep -qx "audioApiName=alsa" "$folder/standalone-settings.conf" || fail "a first launch without JACK did not take ALSA"
rm -rf "$XDG_CONFIG_HOME"
rm -f "$work/alsa.raw"

# --- A server of its own -----------------------------------------------------------
start_server() {
  jackd --no-realtime -n "$server" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
  jack_pid=$!
  for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && return; sleep 0.05; done
  fail "jackd did not answer"
}
start_server
"$program" --list-audio-devices >"$work/listing" || fail "--list-audio-devices failed"
grep -q "audio api jack (JACK)" "$work/listing" && grep -q "rates: 48000" "$work/listing" ||
  fail "the listing lacks the JACK server: $(cat "$work/listing")"

start_program() {
  "$program" --no-window >"$work/program.log" 2>&1 &
  program_pid=$!
  for _ in $(seq 100); do jack_lsp 2>/dev/null | grep -q "^STROBE-95:out_2$" && return; sleep 0.05; done
  fail "no STROBE-95:out_2 port appeared"
}
# stop SIGNAL: the program ends with status 0.
stop() {
  kill "-$1" "$program_pid"
  status=0; wait "$program_pid" || status=$?
  program_pid=""
  [ "$status" -eq 0 ] || fail "SIG$1 ended it with status $status"
}

start_program
connections=$(jack_lsp -c)
for pair in "STROBE-95:out_1 system:playback_1" "STROBE-95:out_2 system:playback_2"; do
  set -- $pair
  grep -A1 "^$1\$" <<<"$connections" | grep -q "^   $2\$" || fail "$1 is not connected to $2"
done
jack_lsp | grep -q "^STROBE-95:midi_in$" || fail "there is no STROBE-95:midi_in"

# A sequencer that starts after the program: every MIDI output is taken in.
jack_midiseq seq 24000 0 60 12000 >/dev/null 2>&1 &
sequencer=$!
other_pids+=($sequencer)
for _ in $(seq 100); do jack_lsp -c | grep -A1 "^seq:out$" | grep -q "STROBE-95:midi_in" && break; sleep 0.05; done
jack_lsp -c | grep -A1 "^seq:out$" | grep -q "STROBE-95:midi_in" || fail "a MIDI output that appeared later is not connected"
timeout 10 jack_rec -f "$work/heard.wav" -d 2 STROBE-95:out_1 >/dev/null 2>&1 || fail "jack_rec failed"
peak=$(sox "$work/heard.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
awk -v p="$peak" 'BEGIN { exit !(p > 0.01 && p <= 1.0) }' || fail "the notes sound at a peak of $peak on out_1"

# The same host in a program of the test's own, with a JACK client that plays A4 at a
# known frame and listens. The sequencer goes first: that host takes every MIDI output
# in, and its C4s would sound under the A4.
kill "$sequencer"; wait "$sequencer" 2>/dev/null || true
for _ in $(seq 100); do jack_lsp | grep -q "^seq:out$" || break; sleep 0.05; done
XDG_CONFIG_HOME="$work/check-config" "$jack_check" >"$work/jack-check.log" 2>&1 ||
  { sed 's/^/  | /' "$work/jack-check.log"; fail "the JACK check failed"; }
grep -E "sounds at|starts|allocated" "$work/jack-check.log" | sed 's/^ok: /  /'

stop TERM
grep -qx "audioApiName=jack" "$folder/standalone-settings.conf" || fail "the settings do not keep JACK"
for file in defaults.clapstate settings.clapstate; do
  head -c 10 "$folder/$file" | grep -q "STROBE-95 " || fail "$file was not kept"
done

# ALSA for audio while JACK's sequencer plays: its notes reach ALSA's default device.
jack_midiseq seq 24000 0 60 12000 >/dev/null 2>&1 &
other_pids+=($!)
alsa_config="$work/alsa-config/clap-standalone-host/co.glowhaus.strobe95"
mkdir -p "$alsa_config"
printf 'audioApiName=alsa\noutputDeviceId=default\naudioInputUsed=false\n' > "$alsa_config/standalone-settings.conf"
XDG_CONFIG_HOME="$work/alsa-config" "$program" --no-window >"$work/program.log" 2>&1 &
program_pid=$!
sleep 1.2
stop TERM
alsa_peak=$(python3 - "$work/alsa.raw" <<'PY'
import array, sys
peak = 0.0
with open(sys.argv[1], "rb") as raw:  # interleaved 32-bit floats, as the plug device passes them on
    while chunk := raw.read(1 << 22):
        samples = array.array("f", chunk[: len(chunk) // 4 * 4])
        peak = max([peak] + [abs(x) for x in samples[::5]])
print(peak)
PY
)
rm -f "$work/alsa.raw"
awk -v p="$alsa_peak" 'BEGIN { exit !(p > 0.01 && p <= 1.0) }' || fail "notes through ALSA peak at $alsa_peak"

# A second start reads what the first kept; the server dying under it is survived.
start_program
kill "$jack_pid"; wait "$jack_pid" 2>/dev/null || true; jack_pid=""
sleep 1
kill -0 "$program_pid" 2>/dev/null || fail "the program ended with the server"
for _ in $(seq 100); do grep -qi "jack" "$work/program.log" && break; sleep 0.05; done
grep -qi "jack" "$work/program.log" || fail "the lost server was not reported"
# The server back: the host's recovery reopens audio, and MIDI comes back with it.
start_server
for _ in $(seq 300); do
  ports=$(jack_lsp 2>/dev/null || true)
  grep -q "^STROBE-95:out_1$" <<<"$ports" && grep -q "^STROBE-95:midi_in$" <<<"$ports" && break
  sleep 0.05
done
grep -q "^STROBE-95:out_1$" <<<"$ports" && grep -q "^STROBE-95:midi_in$" <<<"$ports" ||
  fail "audio and MIDI did not come back with the server: $ports"
stop INT
echo "linux program: command line, ALSA without a server, ports, MIDI taken in, notes heard (peak $peak; through ALSA $alsa_peak), files kept, signals, a lost server survived and a returning one taken up"
