#!/usr/bin/env bash
# Sets up a fresh machine, builds everything with warnings as errors and runs every test;
# then builds and runs the tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen

echo "== build and test (warnings as errors)"
cmake --preset ci
cmake --build --preset ci
ctest --preset ci

echo "== build and test (AddressSanitizer, UndefinedBehaviorSanitizer)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
