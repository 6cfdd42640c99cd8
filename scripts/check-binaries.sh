#!/usr/bin/env bash
# A host finds exactly one symbol in either plugin, the Linux plugin, its editor helper
# and the Linux program (beside it) ask the system for no C++ runtime, and the Windows plugin needs no DLL that
# a plain Windows installation lacks.
set -euo pipefail
linux_plugin=$1 windows_plugin=${2:-}
helper="$(dirname "$linux_plugin")/STROBE-95-editor"
program="$(dirname "$linux_plugin")/strobe-95"  # the Linux program, where it is built
status=0

exports=$(nm -D --defined-only "$linux_plugin" | awk '{print $3}')
if [ "$exports" != "clap_entry" ]; then
  echo "Linux plugin exports more than clap_entry:"; echo "$exports"; status=1
fi
helper_exports=$(nm -D --defined-only "$helper" | awk '{print $3}')
if [ -n "$helper_exports" ]; then
  echo "the editor helper exports symbols:"; echo "$helper_exports" | head; status=1
fi
binaries=("$linux_plugin" "$helper")
[ -f "$program" ] && binaries+=("$program")
for binary in "${binaries[@]}"; do
  runtime=$(objdump -T "$binary" | grep -oE '(GLIBCXX|CXXABI)_[0-9.]+' | sort -uV || true)
  if [ -n "$runtime" ]; then
    echo "$(basename "$binary") needs the system's C++ runtime:"; echo "$runtime"; status=1
  fi
done

if [ -n "$windows_plugin" ]; then
  dump=$(x86_64-w64-mingw32-objdump -p "$windows_plugin")
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -o '^\s*\[ *[0-9]*\] .*' | sed 's/.*\] //')
  if [ "$exports" != "clap_entry" ]; then
    echo "Windows plugin exports more than clap_entry:"; echo "$exports"; status=1
  fi
  imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | sort -u)
  for dll in $imports; do
    case "$dll" in
      kernel32.dll|user32.dll|gdi32.dll|ole32.dll|oleaut32.dll|shell32.dll|advapi32.dll|msvcrt.dll|ws2_32.dll|version.dll|shlwapi.dll|dwmapi.dll|uxtheme.dll|comctl32.dll) ;;
      *) echo "Windows plugin imports a non-system DLL: $dll"; status=1 ;;
    esac
  done
fi
[ $status -eq 0 ] && echo "plugins export only clap_entry, need no system C++ runtime and import only system DLLs"
exit $status
