#!/usr/bin/env bash
# Runs every Windows fuzz replay program under Wine, in one fresh prefix, over its
# target's seed inputs.  run-windows-replay.sh WINDOWS_FUZZ_DIR CORPUS_ROOT
set -euo pipefail
programs=$1
corpus=$2
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i >/dev/null 2>&1
status=0
for seeds in "$corpus"/*/; do
  target=$(basename "$seeds")
  program="$programs/strobe95_fuzz_$target.exe"
  [ -f "$program" ] || { echo "no replay program for $target"; status=1; continue; }
  if out=$(wine "$program" "$(winepath -w "$seeds")" 2>"$work/$target.log" | tr -d '\r'); then
    echo "$target: $out"
  else
    echo "$target: fault on the input below"; tail -n 5 "$work/$target.log" | tr -d '\r'; status=1
  fi
done
exit $status
