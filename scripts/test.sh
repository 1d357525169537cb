#!/usr/bin/env bash
# Fresh Debian 12 to green: installs what is missing, builds everything and
# runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)
build=${VORNAK_BUILD_DIR:-build/test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAK_BUILD_TESTS=ON
cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$jobs"
