#!/usr/bin/env bash
# Builds what is not yet built and packs the release into build/dist:
#   STROBE-95-<version>-linux-x86_64.tar.gz   plugin, editor helper, strobe-95 with its desktop entry
#                                             and icon, install.sh, README, licences
#   STROBE-95-<version>-windows-x64.zip       plugin, STROBE-95.exe, README.txt, licences
#   SHA256SUMS
# The version is the CMake project's. The archives are reproducible: their files are in
# name order, owned by root, dated at the last commit, so two runs on one tree give the
# same bytes.
set -euo pipefail
source "$(dirname "$0")/build-trees.sh"

build_linux
build_windows
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_root/linux/CMakeCache.txt")
[ -n "$version" ] || { echo "package.sh: no project version in $build_root/linux" >&2; exit 1; }
epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)
fonts="$build_root/linux/native/generated/faceplate/fonts"
dist="$build_root/dist"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# put FOLDER SOURCE [NAME] MODE: copies one file into the staged folder.
put() {
  local folder=$1 source=$2 name=$3 mode=$4
  mkdir -p "$(dirname "$stage/$folder/$name")"
  cp "$source" "$stage/$folder/$name"
  chmod "$mode" "$stage/$folder/$name"
}
put_licences() {
  put "$1" "$root/LICENSE" LICENSE 644
  for font in Orbitron PressStart2P VT323; do put "$1" "$fonts/$font.LICENSE" "fonts/$font.LICENSE" 644; done
}

linux="STROBE-95-$version-linux-x86_64"
put "$linux" "$build_root/linux/STROBE-95.clap" STROBE-95.clap 755
put "$linux" "$build_root/linux/STROBE-95-editor" STROBE-95-editor 755
put "$linux" "$build_root/linux/strobe-95" strobe-95 755
put "$linux" "$root/native/src/standalone/linux/desktop/strobe-95.desktop" strobe-95.desktop 644
put "$linux" "$root/native/src/standalone/linux/desktop/strobe-95.svg" strobe-95.svg 644
put "$linux" "$root/scripts/release/install.sh" install.sh 755
put "$linux" "$root/README.md" README.md 644
put_licences "$linux"

windows="STROBE-95-$version-windows-x64"
put "$windows" "$build_root/windows/STROBE-95.clap" STROBE-95.clap 644
put "$windows" "$build_root/windows/STROBE-95.exe" STROBE-95.exe 755
sed "s/@VERSION@/$version/; s/\$/\r/" "$root/scripts/release/README.txt" > "$stage/README.txt"
put "$windows" "$stage/README.txt" README.txt 644
put_licences "$windows"

rm -rf "$dist"
mkdir -p "$dist"
find "$stage" -exec touch -h -d "@$epoch" {} +
(cd "$stage" && tar --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --format=gnu \
  -cf - "$linux" | gzip -9n > "$dist/$linux.tar.gz")
(cd "$stage" && find "$windows" -type f | LC_ALL=C sort | TZ=UTC zip -X -D -9 -q "$dist/$windows.zip" -@)
(cd "$dist" && sha256sum "$linux.tar.gz" "$windows.zip" > SHA256SUMS)
echo "packed in $dist:"
cat "$dist/SHA256SUMS"
