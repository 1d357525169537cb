#!/usr/bin/env bash
# Fresh Debian 12 to green: installs what is missing, builds everything and
# runs every test, then builds and runs every test again under AddressSanitizer
# and UndefinedBehaviorSanitizer, then runs each fuzz target for a while.
# Exits non-zero on any failure.
#
# Environment:
#   VORNAK_BUILD_DIR       normal build (default build/test)
#   VORNAK_ASAN_BUILD_DIR  sanitizer build (default build/asan)
#   VORNAK_SANITIZE_TESTS  0 skips the sanitizer build and run
#   VORNAK_FUZZ_SECONDS    seconds per fuzz target (default 60; 0 skips fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
start=$SECONDS
step() { echo "== $1 ($((SECONDS - start))s)"; }

step "build and test"
build=${VORNAK_BUILD_DIR:-build/test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAK_BUILD_TESTS=ON
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

if [ "${VORNAK_SANITIZE_TESTS:-1}" != 0 ]; then
  step "sanitizer build and test"
  asan=${VORNAK_ASAN_BUILD_DIR:-build/asan}
  cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAK_BUILD_TESTS=ON \
    -DVORNAK_SANITIZE=ON
  cmake --build "$asan" -j "$jobs"
  # Any report fails the test that caused it.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
    ctest --test-dir "$asan" --output-on-failure -j "$jobs"
fi

fuzz_seconds=${VORNAK_FUZZ_SECONDS:-60}
if [ "$fuzz_seconds" != 0 ]; then
  step "fuzzing, ${fuzz_seconds}s per target"
  scripts/fuzz.sh "$fuzz_seconds"
fi
step "done"
