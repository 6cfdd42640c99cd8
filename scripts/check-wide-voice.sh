#!/usr/bin/env bash
# The voice's wide build must define no code that another file may define too: the linker
# keeps one copy of such code, and if it kept the wide one a processor without AVX2 would
# run it. Its functions live under their own namespace; outside it, only the one that
# makes its voices, and the shared interface's type information (data, not code).
# Usage: check-wide-voice.sh NM OBJECT...
set -euo pipefail
nm=$1
shift
found=0
for object in "$@"; do
  case $object in *VoiceWide.cpp.o | *VoiceWide.cpp.obj) ;; *) continue ;; esac
  found=1
  shared=$("$nm" -C --defined-only "$object" | awk '$2 ~ /^[TWVu]$/' | grep -v 'strobe95_wide::' |
    grep -v -e ' strobe95::gen::makeWideVoice()$' -e ' typeinfo for strobe95::faust::' \
      -e ' typeinfo name for strobe95::faust::' || true)
  if [ -n "$shared" ]; then
    echo "$object defines code outside its own namespace:" >&2
    echo "$shared" >&2
    exit 1
  fi
  echo "$object: nothing shared"
done
[ "$found" = 1 ] || { echo "no VoiceWide object among $#" >&2; exit 1; }
