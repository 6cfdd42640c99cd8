#!/usr/bin/env bash
# Sets this machine up, builds the Linux and Windows plugins, installs the Linux one
# where CLAP hosts look for it (~/.clap) and renders the demo through it.
set -euo pipefail
here=$(dirname "$0")
"$here/install-deps.sh"
source "$here/build-trees.sh"
build_linux
build_windows
cmake --install "$build_root/linux"
echo "Installed $HOME/.clap/STROBE-95.clap"
echo "Windows plugin: $build_root/windows/STROBE-95.clap"
"$here/render-demo.sh"
