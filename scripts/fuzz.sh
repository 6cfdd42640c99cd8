#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for FUZZ_SECONDS (30 by default), starting from the seeds in
# native/fuzz/corpus. New inputs collect under build/fuzz/corpus, not in the repository;
# a crash leaves its input under build/fuzz/findings and fails the run.
#   scripts/fuzz.sh [target...]     targets: state_text value_text process
set -euo pipefail
source "$(dirname "$0")/build-trees.sh"

seconds=${FUZZ_SECONDS:-30}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(state_text value_text process)

configure_once "$build_root/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DSTROBE95_FUZZ=ON -DSTROBE95_TESTS=OFF
cmake --build "$build_root/fuzz" --target "${targets[@]/#/strobe95_fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build_root/fuzz/findings"
for target in "${targets[@]}"; do
  corpus="$build_root/fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzzing $target for ${seconds} s"
  log="$build_root/fuzz/$target.log"
  status=0
  "$build_root/fuzz/native/fuzz/strobe95_fuzz_$target" "$corpus" "$root/native/fuzz/corpus/$target" \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build_root/fuzz/findings/$target-" >"$log" 2>&1 || status=$?
  # The fuzzer's own status decides; the lines shown are only what says why.
  grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|.*(ERROR|abort|Assertion|runtime error|outside|does not|changes it|output frame|process failed))' "$log" || true
  [ "$status" -eq 0 ] || { echo "fuzzing $target found a fault (status $status): see $log and $build_root/fuzz/findings"; exit 1; }
done
