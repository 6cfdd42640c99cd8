#!/usr/bin/env bash
# Runs the probe on the Linux plugin and, under Wine, the Windows probe on the Windows
# plugin, and fails unless both reports are the same byte for byte.
set -euo pipefail
linux_probe=$1 linux_plugin=$2 windows_probe=$3 windows_plugin=$4

work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i >/dev/null 2>&1

"$linux_probe" "$linux_plugin" > "$work/linux.txt"
wine "$windows_probe" "$(winepath -w "$windows_plugin")" 2>/dev/null | tr -d '\r' > "$work/windows.txt"

if ! cmp -s "$work/linux.txt" "$work/windows.txt"; then
  echo "The Windows plugin answers differently from the Linux plugin:"
  diff "$work/linux.txt" "$work/windows.txt" | head -n 40
  exit 1
fi
echo "Windows and Linux plugins agree on $(wc -l < "$work/linux.txt") report lines"
