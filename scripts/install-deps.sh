#!/usr/bin/env bash
# Installs, from Debian's packages, everything the builds and tests need on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache
  g++-mingw-w64-x86-64-posix   # the Windows build
  wine wine64                  # runs it here
  dpf-source                   # carries a copy of the CLAP headers
  nlohmann-json3-dev libfmt-dev
  googletest libgtest-dev libbenchmark-dev
  libsndfile1-dev sox          # the tools that write and inspect WAV files
  libjack-jackd2-dev jackd2 libasound2-dev  # the Linux program's audio and MIDI, and a server to test it on
  libwebkit2gtk-4.1-dev xvfb xauth libx11-dev zlib1g-dev  # the faceplate: its web view headers and X11 test host
  libgtk2.0-0 libgtk-4-1 libxtst-dev  # test hosts that carry their own GTK and type into the editor
  clang libclang-rt-14-dev   # the fuzz targets: libFuzzer and the sanitizers with it
  locales
  xdotool desktop-file-utils  # the Linux program's window driven as a user would, its desktop entry checked
  chromium woff2               # the faceplate's page tests and its TrueType fonts
  python3                      # turns the Wine checks' screenshots into PNG
  zip unzip                    # the Windows release archive
)
# The page tests' driver needs a Node with npm; the machine image may bring its own.
command -v npm >/dev/null || packages+=(nodejs npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The page tests' driver and the fonts, at the versions package-lock.json pins; no browser
# is downloaded, the tests drive Debian's Chromium.
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -f "$root/package-lock.json" ]; then
  (cd "$root" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund)
fi

# A decimal-comma locale, so the tests can show that our texts ignore the process locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  $sudo locale-gen >/dev/null
fi
