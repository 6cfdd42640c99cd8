#!/usr/bin/env bash
# Runs an X11 editor test program, with its arguments, on its own virtual display, large
# enough for the editor at twice its size.
set -euo pipefail
# Software rendering: a virtual display has no GPU for WebKit to share buffers with.
export WEBKIT_DISABLE_DMABUF_RENDERER=1 LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 2048x1792x24 -nolisten tcp" "$@"
