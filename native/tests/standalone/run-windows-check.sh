#!/usr/bin/env bash
# Runs a Windows test program under Wine in a fresh prefix.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i >/dev/null 2>&1
wine "$program" 2>/dev/null | tr -d '\r'
