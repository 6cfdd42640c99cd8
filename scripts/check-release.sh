#!/usr/bin/env bash
# Packs the release twice and checks what a user downloads: the two packings are the
# same bytes and match SHA256SUMS; the unpacked Linux plugin loads and plays through the
# test host; install.sh puts every file where CLAP hosts and desktops look, for a user and
# for everyone, and --uninstall takes them all away; the unpacked Windows program lists
# devices under Wine and its plugin answers the probe exactly as the Linux one does.
set -euo pipefail
here=$(dirname "$0")
source "$here/build-trees.sh"
dist="$build_root/dist"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release: $*"; exit 1; }

"$here/package.sh" >/dev/null
mkdir "$work/first"
cp "$dist"/* "$work/first/"
"$here/package.sh" >/dev/null
for file in "$work"/first/*; do
  cmp -s "$file" "$dist/$(basename "$file")" || fail "$(basename "$file") differs between two packings"
done
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "the archives do not match SHA256SUMS"

linux_archive=$(ls "$dist"/STROBE-95-*-linux-x86_64.tar.gz)
windows_archive=$(ls "$dist"/STROBE-95-*-windows-x64.zip)
mkdir "$work/linux" "$work/windows"
tar -xzf "$linux_archive" -C "$work/linux"
unzip -q "$windows_archive" -d "$work/windows"
linux=$(ls -d "$work"/linux/STROBE-95-*)
windows=$(ls -d "$work"/windows/STROBE-95-*)
for file in STROBE-95.clap STROBE-95-editor strobe-95 strobe-95.desktop strobe-95.svg install.sh README.md LICENSE fonts/Orbitron.LICENSE \
            fonts/PressStart2P.LICENSE fonts/VT323.LICENSE; do
  [ -f "$linux/$file" ] || fail "the Linux archive lacks $file"
done
for file in STROBE-95.clap STROBE-95.exe README.txt LICENSE fonts/Orbitron.LICENSE; do
  [ -f "$windows/$file" ] || fail "the Windows archive lacks $file"
done
[ "$(grep -c $'\r$' "$windows/README.txt")" -eq "$(wc -l < "$windows/README.txt")" ] ||
  fail "README.txt does not end every line as Windows does"

# The unpacked plugin, loaded by path as a host loads it, plays the demo.
"$build_root/linux/native/tools/strobe95-render" --plugin "$linux/STROBE-95.clap" --preset "Rave Stab" \
  --float "$work/demo.wav" >/dev/null
[ "$(stat -c %s "$work/demo.wav")" -gt 100000 ] || fail "the unpacked plugin rendered next to nothing"
"$here/check-binaries.sh" "$linux/STROBE-95.clap" "$windows/STROBE-95.clap" >/dev/null ||
  fail "the unpacked plugins export, import or need more than they may"

# installed FOLDER...: every installable file is where it belongs below $1.
expect_installed() {
  local clap=$1 prefix=$2
  for file in "$clap/STROBE-95.clap" "$clap/STROBE-95-editor" "$prefix/bin/strobe-95" \
              "$prefix/share/applications/strobe-95.desktop" "$prefix/share/icons/hicolor/scalable/apps/strobe-95.svg" \
              "$prefix/share/doc/strobe-95/LICENSE" \
              "$prefix/share/doc/strobe-95/VT323.LICENSE"; do
    [ -f "$file" ] || fail "install.sh did not put $file"
  done
  [ -x "$clap/STROBE-95-editor" ] || fail "the editor helper is not executable once installed"
  "$prefix/bin/strobe-95" --help >/dev/null || fail "the installed strobe-95 does not run"
}
mkdir "$work/home"
HOME="$work/home" "$linux/install.sh" >/dev/null
expect_installed "$work/home/.clap" "$work/home/.local"
HOME="$work/home" "$linux/install.sh" >/dev/null || fail "a second install over the first fails"
HOME="$work/home" "$linux/install.sh" --uninstall >/dev/null
left=$(find "$work/home" -type f)
[ -z "$left" ] || fail "--uninstall left $left"
DESTDIR="$work/root" "$linux/install.sh" --system >/dev/null
expect_installed "$work/root/usr/lib/clap" "$work/root/usr/local"
DESTDIR="$work/root" "$linux/install.sh" --system --uninstall >/dev/null
left=$(find "$work/root" -type f)
[ -z "$left" ] || fail "--system --uninstall left $left"
if "$linux/install.sh" --bogus >/dev/null 2>&1; then fail "install.sh takes an unknown argument"; fi

# The Windows program and plugin, as unpacked, under Wine.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i >/dev/null 2>&1
listing=$(HOME="$work/home" wine "$windows/STROBE-95.exe" --list-audio-devices 2>/dev/null | tr -d '\r') ||
  fail "the unpacked STROBE-95.exe does not list devices"
grep -q "WASAPI" <<<"$listing" || fail "the unpacked STROBE-95.exe lists no audio API: $listing"
wineserver -k >/dev/null 2>&1 || true
"$here/compare-windows-probe.sh" "$build_root/linux/native/tests/strobe95_probe" "$linux/STROBE-95.clap" \
  "$build_root/windows/native/tests/strobe95_probe.exe" "$windows/STROBE-95.clap" >/dev/null ||
  fail "the unpacked Windows plugin answers the probe differently from the Linux one"
echo "release: $(basename "$linux_archive") and $(basename "$windows_archive") pack reproducibly, install, uninstall and play"
