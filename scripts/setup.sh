#!/usr/bin/env bash
# Sets this machine up, builds the Linux and Windows plugins and programs, installs the
# Linux plugin where CLAP hosts look for it (~/.clap) and the Linux program into
# ~/.local/bin, and renders the demo through the plugin.
set -euo pipefail
here=$(dirname "$0")
"$here/install-deps.sh"
source "$here/build-trees.sh"
build_linux
build_windows
cmake --install "$build_root/linux"
echo "Installed $HOME/.clap/STROBE-95.clap and $HOME/.local/bin/strobe-95"
echo "Windows plugin: $build_root/windows/STROBE-95.clap"
"$here/render-demo.sh"
