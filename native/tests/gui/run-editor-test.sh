#!/usr/bin/env bash
# Runs the X11 editor host on its own virtual display.
set -euo pipefail
host=$1 screenshot=$2
# Software rendering: a virtual display has no GPU for WebKit to share buffers with.
export WEBKIT_DISABLE_DMABUF_RENDERER=1 LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$host" "$screenshot"
