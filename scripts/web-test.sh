#!/usr/bin/env bash
# Converts the faceplate's fonts to TrueType under build/web/fonts, then runs the page's
# tests in headless Chromium. Needs `chromium`, `woff2` and the npm packages (`npm ci`).
set -euo pipefail
cd "$(dirname "$0")/.."

[ -d node_modules/playwright-core ] || PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund

fonts=build/web/fonts
mkdir -p "$fonts"
convert_font() {  # npm package, WOFF2 file in it, served name
  local from="node_modules/$1/files/$2" to="$fonts/$3.ttf"
  if [ ! -s "$to" ] || [ "$from" -nt "$to" ]; then
    cp "$from" "$fonts/$3.woff2"
    woff2_decompress "$fonts/$3.woff2" >/dev/null
    rm "$fonts/$3.woff2"
  fi
  cp "node_modules/$1/LICENSE" "$fonts/$3-LICENSE.txt"
}
convert_font @fontsource-variable/orbitron orbitron-latin-wght-normal.woff2 Orbitron
convert_font @fontsource/press-start-2p press-start-2p-latin-400-normal.woff2 PressStart2P
convert_font @fontsource/vt323 vt323-latin-400-normal.woff2 VT323

[ "${1:-}" = "--fonts-only" ] && exit 0
node --test --test-concurrency=1 web/tests/*.test.mjs
