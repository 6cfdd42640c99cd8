#!/usr/bin/env bash
# Runs the Windows audio and MIDI layers' check under Wine twice: with an ALSA default device that
# records what it plays to a file (Wine then shows one render and one capture endpoint),
# and with no audio device at all.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work/home"
cat > "$work/home/.asoundrc" <<ALSA
pcm.!default { type plug slave.pcm "rec" }
pcm.rec { type file slave.pcm "null" file "$work/out.raw" format "raw" }
ctl.!default { type hw card 0 }
ALSA
HOME="$work/home" wine wineboot -i >/dev/null 2>&1
recording=$(HOME="$work/home" winepath -w "$work/out.raw" 2>/dev/null | tr -d '\r')
status=0
HOME="$work/home" wine "$program" "$recording" 2>/dev/null | tr -d '\r' || status=1
wineserver -k >/dev/null 2>&1 || true
mkdir -p "$work/bare"
HOME="$work/bare" wine "$program" --no-devices 2>/dev/null | tr -d '\r' || status=1
exit $status
