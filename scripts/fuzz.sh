#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan) and runs each
# for SECONDS (default 60) from seeds of rendered symbols. The corpus grows in
# build/fuzz/corpus between runs; a crash, leak, hang or sanitizer report
# leaves its input in build/fuzz/findings and makes the script fail.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${VORNAK_FUZZ_BUILD_DIR:-build/fuzz}
targets=(data_block_reader decode_matrix vornak_decode bmp_loader jpeg_loader)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNAK_SANITIZE=ON -DVORNAK_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzzers

seeds="$build/seeds"
rm -rf "$seeds"
"$build/fuzz/fuzz_seeds" "$seeds"
mkdir -p "$build/findings"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  echo "== fuzz_$t for ${seconds}s"
  # -timeout: one input taking longer than this counts as a hang (the slowest
  # known inputs, in fuzz/slow, take under 10 s with the sanitizers).
  # -rss_limit_mb / -malloc_limit_mb: a small file must not claim gigabytes.
  if "$build/fuzz/fuzz_$t" "$corpus" "$seeds/$t" -max_total_time="$seconds" -timeout=30 \
    -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$t-" >"$build/findings/$t.log" 2>&1; then
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
