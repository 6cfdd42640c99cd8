#!/usr/bin/env bash
# strobe-95's window on a virtual display and a JACK server of its own, driven as a user
# drives it with mouse and keyboard (xdotool): the faceplate shows (a screenshot is kept),
# typing A on it sounds on out_1, the menu's Save state..., Load state..., Reset state and
# Restore last session do what they say through GTK's file choosers, and the window's
# close button ends the program with its place kept.
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

menu 1; choose "Save state" "$work/defaults.clapstate"; saved "$work/defaults.clapstate"
head -n 1 "$work/defaults.clapstate" | grep -q "^STROBE-95 " || fail "the saved state is no state"
printf 'STROBE-95 0.5.1\npreset Acid Line\nedited 1\ncutoff 500\n' > "$work/acid.clapstate"
menu 2; choose "Load state" "$work/acid.clapstate"
sleep 0.5
"$shoot" STROBE-95 "$screenshots/linux-window-loaded.png" >/dev/null || true
menu 1; choose "Save state" "$work/loaded.clapstate"; saved "$work/loaded.clapstate"
grep -qx "cutoff 500" "$work/loaded.clapstate" && grep -qx "preset Acid Line" "$work/loaded.clapstate" ||
  fail "Load state... did not load: $(head -n 4 "$work/loaded.clapstate")"
menu 3
sleep 0.5
menu 1; choose "Save state" "$work/reset.clapstate"; saved "$work/reset.clapstate"
cmp -s "$work/reset.clapstate" "$work/defaults.clapstate" || fail "Reset state did not bring the defaults back"
menu 4
for _ in $(seq 50); do grep -qx "pluginStatePersistence=none" "$folder/standalone-settings.conf" 2>/dev/null && break; sleep 0.1; done
grep -qx "pluginStatePersistence=none" "$folder/standalone-settings.conf" || fail "Restore last session did not turn off"

# The close button, at the header bar's right end, ends the program. A check item's menu
# stays open until Escape, and a click while it slides shut only dismisses it: as a user
# would, click again when the first did nothing. Ending takes the web view down and the
# session to disk, slowly under the sanitizers.
xdotool key Escape
sleep 1
status=0
for _ in 1 2; do
  xdotool mousemove $((X + WIDTH - 27)) $((Y + 27)) click 1
  for _ in $(seq 200); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$program_pid" 2>/dev/null || break
done
if kill -0 "$program_pid" 2>/dev/null; then
  "$shoot" STROBE-95 "$screenshots/linux-window-not-closed.png" >/dev/null 2>&1 || true
  fail "the close button did not end the program"
fi
wait "$program_pid" || status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "closing the window ended the program with status $status"
grep -Eq "^windowWidth=[1-9][0-9]+$" "$folder/standalone-settings.conf" || fail "the window's place was not kept: $(grep ^window "$folder/standalone-settings.conf")"
echo "linux window: faceplate shown (${shown##* } varied), A heard (peak $peak), save, load, reset, restore and close work"
