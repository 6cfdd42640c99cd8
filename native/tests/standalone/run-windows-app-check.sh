#!/usr/bin/env bash
# Runs STROBE-95.exe's check under Wine on a virtual display, twice: with an ALSA default
# device that records what it plays to a file (Wine then shows one render and one capture
# endpoint), with no audio device at all, and at 144 DPI. Screenshots of the main window and of the
# settings window in Light and Dark are left in the folder given as the third argument.
set -euo pipefail
check_program=$1 app=$2 screenshots=${3:-}
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work/home" "$work/bare" "$work/shots"
cat > "$work/home/.asoundrc" <<ALSA
pcm.!default { type plug slave.pcm "rec" }
pcm.rec { type file slave.pcm "null" file "$work/out.raw" format "raw" }
ctl.!default { type hw card 0 }
ALSA
status=0
HOME="$work/home" xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  wine wineboot -i >/dev/null 2>&1
  wine "$0" "$(winepath -w "$1")" --devices "$(winepath -w "$2")" "$(winepath -w "$3")" 2>/dev/null
  status=$?
  wineserver -k >/dev/null 2>&1
  exit $status' "$check_program" "$app" "$work/out.raw" "$work/shots" | tr -d '\r' || status=1
HOME="$work/bare" xvfb-run -a sh -c '
  wine "$0" "$(winepath -w "$1")" --no-devices 2>/dev/null
  status=$?
  wineserver -k >/dev/null 2>&1
  exit $status' "$check_program" "$app" | tr -d '\r' || status=1
# Last, as it changes the prefix: the system at 150 %.
HOME="$work/bare" xvfb-run -a sh -c '
  wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  wineserver -w
  wine "$0" "$(winepath -w "$1")" --dpi 144 2>/dev/null
  status=$?
  wineserver -k >/dev/null 2>&1
  exit $status' "$check_program" "$app" | tr -d '\r' || status=1
if [ -n "$screenshots" ]; then
  mkdir -p "$screenshots"
  for shot in "$work"/shots/*.bmp; do
    [ -f "$shot" ] && python3 "$(dirname "$0")/bmp-to-png.py" "$shot" "$screenshots/$(basename "$shot" .bmp).png"
  done
fi
exit $status
