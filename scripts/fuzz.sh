#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for FUZZ_SECONDS (20 by default), starting from the seeds in
# native/fuzz/corpus. New inputs collect under build/fuzz/corpus, not in the repository;
# a crash leaves its input under build/fuzz/findings and fails the run. Each target ends
# with a line of what it ran: inputs, inputs a second, edges and features covered.
#   scripts/fuzz.sh [--jobs N] [target...]
#   targets: state_text value_text process bindings settings state_file midi_input smf
# --jobs N fuzzes each target with N processes sharing one corpus (libFuzzer's fork mode),
# for long campaigns: FUZZ_SECONDS=3600 scripts/fuzz.sh --jobs 2 process
set -euo pipefail
source "$(dirname "$0")/build-trees.sh"

all_targets=(state_text value_text process bindings settings state_file midi_input smf)
seconds=${FUZZ_SECONDS:-20}
jobs=1
targets=()
while [ $# -gt 0 ]; do
  case $1 in
    --jobs) jobs=${2:?--jobs takes a number}; shift 2 ;;
    --jobs=*) jobs=${1#--jobs=}; shift ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
[[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: --jobs takes a positive number, not $jobs" >&2; exit 2; }

configure_once "$build_root/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DSTROBE95_FUZZ=ON -DSTROBE95_TESTS=OFF
cmake --build "$build_root/fuzz" --target "${targets[@]/#/strobe95_fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build_root/fuzz/findings"
for target in "${targets[@]}"; do
  corpus="$build_root/fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzzing $target for ${seconds} s with $jobs job(s)"
  log="$build_root/fuzz/$target.log"
  options=(-max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build_root/fuzz/findings/$target-")
  [ "$jobs" -eq 1 ] || options+=(-fork="$jobs")
  status=0
  # Fork mode's workers write their logs into the working folder.
  (cd "$build_root/fuzz" && "$build_root/fuzz/native/fuzz/strobe95_fuzz_$target" "$corpus" \
    "$root/native/fuzz/corpus/$target" "${options[@]}") >"$log" 2>&1 || status=$?
  # The fuzzer's own status decides; the lines shown are only what says why.
  grep -E '^(==[0-9]+==|SUMMARY|.*(ERROR|abort|Assertion|runtime error|outside|does not|differs|changes|survive|output frame|failed|refused))' "$log" | head -n 20 || true
  summary=$(grep -E '^#[0-9]+:?[[:space:]].*cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 |
    sed -E 's/^#([0-9]+):?[[:space:]].*cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*/\1 \2 \3 \4/') || true
  read -r runs edges features kept <<<"${summary:-0 0 0 0}"
  echo "$target: $runs inputs in $seconds s ($((runs / seconds)) a second), $edges edges, $features features, corpus of $kept"
  [ "$status" -eq 0 ] || { echo "fuzzing $target found a fault (status $status): see $log and $build_root/fuzz/findings"; exit 1; }
done
