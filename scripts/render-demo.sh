#!/usr/bin/env bash
# Renders the demo phrase through the built Linux plugin: one preset to
# build/demo/demo.wav, or with --all every preset to build/demo/presets/NAME.wav.
set -euo pipefail
source "$(dirname "$0")/build-trees.sh"
render="$build_root/linux/native/tools/strobe95-render"
plugin="$build_root/linux/STROBE-95.clap"
mkdir -p "$build_root/demo"

if [ "${1:-}" = "--all" ]; then
  mkdir -p "$build_root/demo/presets"
  "$render" --list-presets |
    while IFS= read -r preset; do
      "$render" --plugin "$plugin" --preset "$preset" "$build_root/demo/presets/$preset.wav"
    done
else
  "$render" --plugin "$plugin" --preset "${1:-Supersaw Lead}" "$build_root/demo/demo.wav"
fi
