#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan) and runs each
# of them. A crash, leak, hang or sanitizer report leaves its input in
# build/fuzz/findings and makes the script fail.
#
#   scripts/fuzz.sh [SECONDS]         SECONDS per target (default 60). Every run
#                                     starts from the committed seeds in
#                                     fuzz/corpus/<target> with a fixed -seed
#                                     and writes new inputs to a temporary
#                                     folder, dropped afterwards: the result
#                                     does not depend on earlier runs.
#   scripts/fuzz.sh --long [SECONDS]  for local runs (default 600 per target):
#                                     a random seed, and new inputs kept in
#                                     build/fuzz/corpus/<target> for the next
#                                     long run.
#   scripts/fuzz.sh --write-seeds     rewrites fuzz/corpus with fuzz_seeds; run
#                                     it after changing an input format in
#                                     fuzz/FuzzInput.h or the seed symbols, and
#                                     commit the result.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=default
case "${1:-}" in
  --long) mode=long; shift ;;
  --write-seeds) mode=seeds; shift ;;
esac
if [ "$mode" = long ]; then seconds=${1:-600}; else seconds=${1:-60}; fi

build=${VORNAK_FUZZ_BUILD_DIR:-build/fuzz}
targets=(data_block_reader decode_matrix vornak_decode bmp_loader jpeg_loader)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNAK_SANITIZE=ON -DVORNAK_BUILD_FUZZ=ON >/dev/null

seeds=fuzz/corpus
if [ "$mode" = seeds ]; then
  cmake --build "$build" -j "$(nproc)" --target fuzz_seeds
  rm -rf "$seeds"
  "$build/fuzz/fuzz_seeds" "$seeds"
  echo "Seeds written to $seeds."
  exit 0
fi
cmake --build "$build" -j "$(nproc)" --target fuzzers

mkdir -p "$build/findings"
if [ "$mode" = long ]; then
  work="$build/corpus"
  seed_option=()
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/vornak-fuzz.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  seed_option=(-seed=1)
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for t in "${targets[@]}"; do
  mkdir -p "$work/$t"
  extra=()
  # A version 40 matrix takes up to fifty times as long as a version 1 one;
  # unless inputs are weighed by their time, the large ones take most of the
  # run.
  if [ "$t" = decode_matrix ]; then extra=(-entropic_scale_per_exec_time=1); fi
  echo "== fuzz_$t for ${seconds}s"
  # New inputs go to the first folder; the committed seeds are only read.
  # -timeout: one input taking longer than this counts as a hang (the slowest
  # known inputs, in fuzz/slow, take under 10 s with the sanitizers).
  # -rss_limit_mb / -malloc_limit_mb: a small file must not claim gigabytes.
  if "$build/fuzz/fuzz_$t" "$work/$t" "$seeds/$t" "${seed_option[@]}" "${extra[@]}" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$t-" >"$build/findings/$t.log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$build/findings/$t.log" |
      tr '\n' ' '
    echo
  else
    echo "fuzz_$t FAILED; log: $build/findings/$t.log"
    grep -E 'ERROR|SUMMARY|Test unit written' "$build/findings/$t.log" | head -5 || true
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz findings in: ${failed[*]}"
  exit 1
fi
echo "No fuzz findings."
