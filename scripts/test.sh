#!/usr/bin/env bash
# Sets up a fresh machine, builds everything with warnings as errors and runs every test;
# then builds and runs the tests once more under AddressSanitizer and UndefinedBehaviorSanitizer;
# runs the concurrency test under ThreadSanitizer; and fuzzes every entry point that takes outside
# data for a minute each (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen

echo "== build and test (warnings as errors), the Python module included"
# Debian's /usr/bin/python3 has the Python packages from setup.sh; a python3 first on PATH (pyenv)
# may not. Asking for the module makes a missing piece fail here instead of skipping its tests.
cmake --preset ci -DPDF417_BUILD_PYTHON=ON -DPython3_EXECUTABLE=/usr/bin/python3
cmake --build --preset ci
ctest --preset ci 2>&1 | tee build/ci-ctest.log

echo "== build and test (AddressSanitizer, UndefinedBehaviorSanitizer)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --preset asan
cmake --build --preset asan
ctest --preset asan 2>&1 | tee build/asan-ctest.log

echo "== concurrency test (ThreadSanitizer)"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan

echo "== fuzzing (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)"
# On CI the fuzzers replay their corpus and search a little (25 seconds each) to keep the whole
# run short; by hand each gets a minute (FUZZ_SECONDS overrides both).
if [ "${CI:-}" = true ]; then
  export FUZZ_SECONDS="${FUZZ_SECONDS:-25}"
fi
bash scripts/fuzz.sh

# One closing line for all test runs above.
total=0
for log in build/ci-ctest.log build/asan-ctest.log; do
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
  total=$((total + ${n:-0}))
done
echo "all test runs: $total passed, 0 failed"
