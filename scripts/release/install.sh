#!/bin/sh
# Installs STROBE-95 from the folder this script is in.
#   ./install.sh              for this user: the plugin in ~/.clap, the rest in ~/.local
#   ./install.sh --system     for everyone: /usr/lib/clap and /usr/local (as root)
#   ./install.sh --uninstall  removes what an install put there (with --system, the
#                             system-wide one)
# DESTDIR puts a --system install below another root, as packagers do.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
scope=user
action=install
for argument in "$@"; do
  case $argument in
    --system) scope=system ;;
    --uninstall) action=uninstall ;;
    -h|--help) sed -n '2,8s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "install.sh: unknown argument $argument (see --help)" >&2; exit 2 ;;
  esac
done

if [ "$scope" = user ]; then
  : "${HOME:?install.sh: HOME is not set}"
  clap="$HOME/.clap" prefix="$HOME/.local"
else
  clap="${DESTDIR:-}/usr/lib/clap" prefix="${DESTDIR:-}/usr/local"
fi

# Each file of a release and where it goes; a file this release lacks is skipped.
places() {
  cat <<PLACES
STROBE-95.clap $clap 755
STROBE-95-editor $clap 755
strobe-95 $prefix/bin 755
strobe-95.desktop $prefix/share/applications 644
strobe-95.svg $prefix/share/icons/hicolor/scalable/apps 644
LICENSE $prefix/share/doc/strobe-95 644
README.md $prefix/share/doc/strobe-95 644
fonts/Orbitron.LICENSE $prefix/share/doc/strobe-95 644
fonts/PressStart2P.LICENSE $prefix/share/doc/strobe-95 644
fonts/VT323.LICENSE $prefix/share/doc/strobe-95 644
PLACES
}

places | while read -r file folder mode; do
  target="$folder/$(basename "$file")"
  if [ "$action" = install ]; then
    [ -f "$here/$file" ] || continue
    mkdir -p "$folder"
    # Copied beside, then moved over: a host that has the old plugin loaded keeps it.
    cp "$here/$file" "$target.new"
    chmod "$mode" "$target.new"
    mv -f "$target.new" "$target"
    echo "installed $target"
  elif [ -e "$target" ]; then
    rm -f "$target"
    echo "removed $target"
    case $folder in */strobe-95) rmdir "$folder" 2>/dev/null || true ;; esac
  fi
done
