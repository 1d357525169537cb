#!/usr/bin/env bash
# Fresh Debian 12 to green: installs what is missing, builds everything and
# runs every test tier (unit first, then gui, then acceptance), then builds
# again under AddressSanitizer and UndefinedBehaviorSanitizer and runs the
# unit and gui tiers and a sampled share of the acceptance tier there, then
# runs each fuzz target for a while. Exits non-zero on any failure, after
# running every step.
#
# Environment:
#   VORNAK_BUILD_DIR       normal build (default build/test)
#   VORNAK_ASAN_BUILD_DIR  sanitizer build (default build/asan)
#   VORNAK_SANITIZE_TESTS  0 skips the sanitizer build and run
#   VORNAK_SANITIZE_STRIDE the sanitizer run takes every Nth acceptance test
#                          (default 3; 1 takes them all)
#   VORNAK_FUZZ_SECONDS    seconds per fuzz target (default 50; 0 skips fuzzing)
#   VORNAK_CORPUS          the photo corpora (default ../shared/corpus); an
#                          empty value skips the corpus tests
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
start=$SECONDS
step() { echo "== $1 ($((SECONDS - start))s)"; }

failed=()
# ctest for the tests of one tier (label) in build; extra ctest arguments follow.
tier() {
  local build=$1 label=$2
  shift 2
  step "$label tests ($build)"
  ctest --test-dir "$build" --output-on-failure -j "$jobs" -L "^$label\$" "$@" ||
    failed+=("$label tests in $build")
}
corpus=()
[ -n "${VORNAK_CORPUS+set}" ] && corpus=(-DVORNAK_CORPUS="$VORNAK_CORPUS")

# Line tables are all a failure's stack needs; full debug information
# makes both builds a sixth slower.
lines=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
step "build"
build=${VORNAK_BUILD_DIR:-build/test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}" -DVORNAK_BUILD_TESTS=ON \
  "${corpus[@]}"
cmake --build "$build" -j "$jobs"
tier "$build" unit
tier "$build" gui
tier "$build" acceptance

if [ "${VORNAK_SANITIZE_TESTS:-1}" != 0 ]; then
  step "sanitizer build"
  asan=${VORNAK_ASAN_BUILD_DIR:-build/asan}
  cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines[@]}" -DVORNAK_BUILD_TESTS=ON \
    -DVORNAK_SANITIZE=ON "${corpus[@]}"
  cmake --build "$asan" -j "$jobs"
  # Any report fails the test that caused it.
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  tier "$asan" unit
  tier "$asan" gui
  # The sweeps run several times slower here and exercise the same code
  # paths case after case: a fixed share of them is enough.
  tier "$asan" acceptance -I ",,${VORNAK_SANITIZE_STRIDE:-3}"
  unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
fi

fuzz_seconds=${VORNAK_FUZZ_SECONDS:-50}
if [ "$fuzz_seconds" != 0 ]; then
  step "fuzzing, ${fuzz_seconds}s per target"
  scripts/fuzz.sh "$fuzz_seconds" || failed+=("fuzzing")
fi
step "done"
if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
