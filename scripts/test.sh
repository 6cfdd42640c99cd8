#!/usr/bin/env bash
# Builds both plugins and every test program, then runs the whole test suite: the Linux
# build, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, the tests
# that cross threads under ThreadSanitizer, the Windows build under Wine, the page in
# Chromium, the release archives, and each fuzz target for a bounded time.
set -euo pipefail
source "$(dirname "$0")/build-trees.sh"

build_linux
build_windows
build_sanitized
build_thread_sanitized

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build_root/linux" --output-on-failure
ctest --test-dir "$build_root/sanitize" --output-on-failure
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
"$build_root/tsan/native/tests/strobe95_unit_tests"
# The standalone host's render, MIDI output and main threads meet in these.
"$build_root/tsan/native/tests/strobe95_standalone_tests"
"$(dirname "$0")/web-test.sh"
# The release archives as a user downloads, unpacks and installs them.
"$(dirname "$0")/check-release.sh"
# Each fuzz target for 20 s.
"$(dirname "$0")/fuzz.sh"
