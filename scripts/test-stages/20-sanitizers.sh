#!/usr/bin/env bash
# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer; any report
# fails the test that triggered it.
set -euo pipefail
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"
scripts/with-desktop.sh ctest --preset asan -j "$(nproc)"
