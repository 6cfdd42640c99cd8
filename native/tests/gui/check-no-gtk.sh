#!/usr/bin/env bash
# The Linux plugin must load where GTK and WebKitGTK are missing: it may neither link
# their libraries nor leave their symbols for the loader to find.
set -euo pipefail
plugin=$1
pattern='gtk|gdk|webkit|javascriptcore|soup|glib|gobject|gio-2|libX11'
if linked=$(ldd "$plugin" | grep -E "$pattern"); then
  echo "STROBE-95.clap links a GUI library:"; echo "$linked"; exit 1
fi
if symbols=$(nm -D --undefined-only "$plugin" | grep -E ' (gtk_|gdk_|webkit_|jsc_|soup_|g_|X[A-Z])'); then
  echo "STROBE-95.clap leaves GUI symbols to the loader:"; echo "$symbols"; exit 1
fi
echo "STROBE-95.clap links no GTK, WebKit or X11 library"
