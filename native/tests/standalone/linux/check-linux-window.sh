#!/usr/bin/env bash
# strobe-95's window on a virtual display and a JACK server of its own, driven as a user
# drives it with mouse and keyboard (xdotool): the faceplate shows (a screenshot is kept),
# typing A on it sounds on out_1, the menu's Save state..., Load state..., Reset state and
# Restore last session do what they say through GTK's file choosers, the Audio/MIDI
# settings dialog tries a choice at once and OK, Cancel and Reset keep or bring back the
# stored one (screenshots light and dark), the window's close button ends the program
# with its place kept, and without WebKitGTK the window shows its note and still plays.
#   check-linux-window.sh PROGRAM SHOOT_WINDOW SCREENSHOT_DIR   (run under xvfb-run)
set -euo pipefail
program=$1 shoot=$2 screenshots=$3
work=$(mktemp -d)
server="strobe95-window-$$"
jack_pid="" program_pid=""
cleanup() {
  for pid in $program_pid $jack_pid; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "linux window: $*"; [ -f "$work/program.log" ] && sed 's/^/  | /' "$work/program.log" | tail -n 20; exit 1; }
# GTK keeps its file chooser's settings in memory: there is no session bus here.
export JACK_DEFAULT_SERVER=$server XDG_CONFIG_HOME="$work/config" HOME="$work/home" GSETTINGS_BACKEND=memory
mkdir -p "$HOME" "$screenshots"
folder="$XDG_CONFIG_HOME/clap-standalone-host/co.glowhaus.strobe95"
conf="$folder/standalone-settings.conf"
# ALSA's default device, for the dialog to switch to: a sink with no sound card behind it.
printf 'pcm.!default { type plug slave.pcm "null" }\n' > "$HOME/.asoundrc"

jackd --no-realtime -n "$server" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
jack_pid=$!
for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.05; done
"$program" >"$work/program.log" 2>&1 &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^STROBE-95$' | head -n 1) || fail "no window titled STROBE-95"
eval "$(xdotool getwindowgeometry --shell "$window")"

# The faceplate is drawn once the page has loaded: most of the window is no longer plain.
shown=""
for _ in $(seq 60); do
  shown=$("$shoot" STROBE-95 "$screenshots/linux-window.png" 2>/dev/null || true)
  awk -v s="${shown##* }" 'BEGIN { exit !(s > 0.5) }' && break
  sleep 0.25
done
awk -v s="${shown##* }" 'BEGIN { exit !(s > 0.5) }' || fail "the faceplate did not show (${shown:-no image})"

# A typed on the faceplate (the pointer on it gives it the keys) plays a note.
xdotool mousemove $((X + 200)) $((Y + 693)) click 1
timeout 10 jack_rec -f "$work/typed.wav" -d 1.5 STROBE-95:out_1 >/dev/null 2>&1 &
recorder=$!
sleep 0.3
xdotool keydown a
sleep 0.6
xdotool keyup a
wait "$recorder" || fail "jack_rec failed"
peak=$(sox "$work/typed.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
awk -v p="$peak" 'BEGIN { exit !(p > 0.01) }' || fail "typing A sounds at a peak of $peak on out_1"

# menu N: the Nth item of the header bar's menu, opened with F10 from the header bar.
menu() {
  xdotool mousemove $((X + 80)) $((Y + 20)) click 1
  sleep 0.3
  xdotool key F10
  sleep 0.7  # the menu's popover slides open
  for _ in $(seq 2 "$1"); do xdotool key Down; done
  xdotool key Return
}
# choose FILE: types a full path into the file chooser that opened.
choose() {
  timeout 10 xdotool search --sync --onlyvisible --name "$1" >/dev/null || fail "no \"$1\" chooser opened"
  sleep 0.3
  if [ "$1" = "Load state" ]; then xdotool key ctrl+l; else xdotool key ctrl+a; fi
  xdotool type --delay 10 "$2"
  sleep 0.5
  # The location entry's completion may take the first Return.
  for _ in 1 2; do
    xdotool key Return
    for _ in $(seq 25); do xdotool search --onlyvisible --name "$1" >/dev/null || return 0; sleep 0.1; done
  done
  "$shoot" "$1" "$screenshots/linux-chooser-stuck.png" >/dev/null 2>&1 || true
  fail "the \"$1\" chooser did not close"
}
saved() { for _ in $(seq 50); do [ -s "$1" ] && return 0; sleep 0.1; done; fail "nothing was saved to $1"; }

menu 2; choose "Save state" "$work/defaults.clapstate"; saved "$work/defaults.clapstate"
head -n 1 "$work/defaults.clapstate" | grep -q "^STROBE-95 " || fail "the saved state is no state"
printf 'STROBE-95 0.5.1\npreset Acid Line\nedited 1\ncutoff 500\n' > "$work/acid.clapstate"
menu 3; choose "Load state" "$work/acid.clapstate"
sleep 0.5
"$shoot" STROBE-95 "$screenshots/linux-window-loaded.png" >/dev/null || true
menu 2; choose "Save state" "$work/loaded.clapstate"; saved "$work/loaded.clapstate"
grep -qx "cutoff 500" "$work/loaded.clapstate" && grep -qx "preset Acid Line" "$work/loaded.clapstate" ||
  fail "Load state... did not load: $(head -n 4 "$work/loaded.clapstate")"
menu 4
sleep 0.5
menu 2; choose "Save state" "$work/reset.clapstate"; saved "$work/reset.clapstate"
cmp -s "$work/reset.clapstate" "$work/defaults.clapstate" || fail "Reset state did not bring the defaults back"
menu 5
for _ in $(seq 50); do grep -qx "pluginStatePersistence=none" "$conf" 2>/dev/null && break; sleep 0.1; done
grep -qx "pluginStatePersistence=none" "$conf" || fail "Restore last session did not turn off"
# A check item's menu stays open until Escape.
xdotool key Escape
sleep 0.5

# --- The Audio/MIDI settings dialog, from the keyboard: each list has its Alt key ---------
# settings: opens the dialog from the menu and gives it the pointer and the keys.
settings() {
  menu 1
  local dialog
  dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Audio/MIDI Settings$' | head -n 1) ||
    fail "the menu's Audio/MIDI Settings opened no dialog"
  read -r dx dy < <(xdotool getwindowgeometry --shell "$dialog" | awk -F= '/^X=/ {x = $2} /^Y=/ {y = $2} END {print x, y}')
  xdotool mousemove $((dx + 30)) $((dy + 30))
  xdotool windowfocus --sync "$dialog"  # no window manager gives it the keys here
  sleep 0.5
}
closed() { for _ in $(seq 50); do xdotool search --onlyvisible --name '^Audio/MIDI Settings$' >/dev/null || return 0; sleep 0.1; done; fail "$1 left the dialog open"; }
on_jack() { # on_jack yes|no WHY: waits until out_1 is (or is not) one of JACK's ports
  for _ in $(seq 50); do
    if jack_lsp | grep -q "^STROBE-95:out_1$"; then [ "$1" = yes ] && return 0; else [ "$1" = no ] && return 0; fi
    sleep 0.1
  done
  fail "$2"
}
# keys K...: each key in turn, with time for the dialog to follow (a slow build takes it).
keys() { for key in "$@"; do xdotool key "$key"; sleep 0.4; done; }
# settle TITLE FILE light|dark WHY: shoots the window until its background turns so (the
# whole process restyles, slowly under the sanitizers).
settle() {
  local shot="" lum=""
  for _ in $(seq 30); do
    shot=$("$shoot" "$1" "$2") || fail "\"$1\" could not be shot"
    read -r _ lum _ <<<"$shot"
    if [ "$3" = dark ]; then awk -v l="$lum" 'BEGIN { exit !(l < 0.1) }' && return 0
    else awk -v l="$lum" 'BEGIN { exit !(l > 0.5) }' && return 0; fi
    sleep 0.2
  done
  fail "$4 (background luminance $lum)"
}
stored() { grep -qx "$1" "$conf" || fail "$2: the settings hold $(grep -E "^${1%%=*}=" "$conf")"; }

settings
settle "Audio/MIDI Settings" "$screenshots/linux-settings-light.png" light "the dialog opened dark"
keys alt+r End  # Appearance: Dark, the last
settle "Audio/MIDI Settings" "$screenshots/linux-settings-dark.png" dark "Dark did not darken the dialog at once"
keys alt+a Down  # Audio API: JACK, then ALSA
on_jack no "choosing ALSA in the dialog did not take the audio off JACK at once"
stored "audioApiName=jack" "a choice only tried reached the settings"
keys alt+b End alt+c  # Buffer Size: the largest; then Cancel
closed "Cancel"
on_jack yes "Cancel did not bring the stored JACK output back"
stored "bufferSize=256" "Cancel kept a tried buffer size"
stored "screenAppearance=auto" "Cancel kept a tried appearance"
settle STROBE-95 "$work/after-cancel.png" light "Cancel did not bring the light appearance back"

settings
keys alt+a Down alt+o
closed "OK"
on_jack no "OK did not keep ALSA"
stored "audioApiName=alsa" "OK did not store the API"
stored "outputDeviceId=default" "OK did not store ALSA's device"
grep -v '^window' "$conf" > "$work/accepted.conf"

settings
keys alt+d alt+c  # Reset to System Default, then Cancel
closed "Cancel after Reset"
grep -v '^window' "$conf" | cmp -s - "$work/accepted.conf" || fail "Reset and Cancel changed the stored choice: $(diff "$work/accepted.conf" <(grep -v '^window' "$conf"))"

# The close button, at the header bar's right end, hides the window at once and ends the
# program. A click while a menu slides shut only dismisses it: as a user would, click
# again when the first did nothing. Ending takes the web view down and the session to
# disk, slowly under the sanitizers.
eval "$(xdotool getwindowgeometry --shell "$window")"
gone=""
for _ in 1 2 3; do
  xdotool mousemove $((X + WIDTH - 27)) $((Y + 27)) click 1
  for _ in $(seq 50); do xdotool search --onlyvisible --name '^STROBE-95$' >/dev/null || { gone=yes; break; }; sleep 0.1; done
  [ -n "$gone" ] && break
done
if [ -z "$gone" ]; then
  "$shoot" - "$screenshots/linux-window-not-closed.png" >/dev/null 2>&1 || true
  fail "the close button did not close the window"
fi
for _ in $(seq 600); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end within a minute of its window closing"
status=0
wait "$program_pid" || status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "closing the window ended the program with status $status"
grep -Eq "^windowWidth=[1-9][0-9]+$" "$folder/standalone-settings.conf" || fail "the window's place was not kept: $(grep ^window "$folder/standalone-settings.conf")"

# --- Without WebKitGTK: a library of that name that cannot load stands for a missing one.
mkdir -p "$work/no-webkit"
: > "$work/no-webkit/libwebkit2gtk-4.1.so.0"
printf 'audioApiName=jack\nscreenAppearance=dark\n' > "$conf"  # a stored appearance holds from the start
LD_LIBRARY_PATH="$work/no-webkit" "$program" >"$work/program.log" 2>&1 &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^STROBE-95$' | head -n 1) || fail "no window without WebKit"
sleep 1
settle STROBE-95 "$screenshots/linux-window-no-webkit.png" dark "the stored Dark appearance did not hold at the start"
bare=$("$shoot" STROBE-95 "$screenshots/linux-window-no-webkit.png")
width=${bare%%x*}
[ "$width" -lt 700 ] || fail "without WebKit the window is $width pixels wide, as if it held the faceplate"
on_jack yes "without WebKit the program has no JACK output"
timeout 10 jack_rec -f "$work/midi.wav" -d 1.5 STROBE-95:out_1 >/dev/null 2>&1 &
recorder=$!
jack_midiseq seq 24000 0 60 12000 >/dev/null 2>&1 &
sequencer=$!
for _ in $(seq 50); do
  jack_lsp -c | grep -A1 "^seq:out$" | grep -q "STROBE-95:midi_in" && break
  jack_connect seq:out STROBE-95:midi_in >/dev/null 2>&1 || true
  sleep 0.1
done
wait "$recorder" || fail "jack_rec failed"
kill "$sequencer" 2>/dev/null || true
midi_peak=$(sox "$work/midi.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
awk -v p="$midi_peak" 'BEGIN { exit !(p > 0.01) }' || fail "without WebKit a MIDI note peaks at $midi_peak on out_1"
kill -TERM "$program_pid"
status=0
wait "$program_pid" || status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "SIGTERM ended the program without WebKit with status $status"

echo "linux window: faceplate shown (${shown##* } varied), A heard (peak $peak), save, load, reset, restore, the settings dialog's OK, Cancel and Reset, light and dark, and close work; without WebKit a note shows and MIDI plays (peak $midi_peak)"
