#!/usr/bin/env bash
# Fresh Debian 12 to a running Vornak: installs what is missing, builds, then
# decodes the pictures given as arguments (or the bundled sample) and prints
# their text. With --gui it opens the window instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/setup.sh"

build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORNAK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

if [ "${1:-}" = "--gui" ]; then
  shift
  exec "$build/app/vornak" "$@"
fi

if [ -x "$build/cli/vornak-decode" ]; then
  if [ $# -eq 0 ]; then
    set -- "$root/samples/sample.jpg"
  fi
  exec "$build/cli/vornak-decode" "$@"
fi
echo "Built in $build."
