#!/usr/bin/env bash
# Runs the Windows editor test under Wine, in a fresh prefix, on a virtual display.
set -euo pipefail
test_program=$1 windows_plugin=$2
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb-run -a sh -c 'wine wineboot -i >/dev/null 2>&1; wine "$0" "$(winepath -w "$1")" 2>/dev/null' \
  "$test_program" "$windows_plugin" | tr -d '\r'
