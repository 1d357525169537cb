#!/usr/bin/env bash
# Fresh Debian 12 to figures: installs what is missing, builds the benchmarks
# (Release) and prints
#   - finder-search time on a clean and on a finder-tiled picture,
#   - end-to-end decode time beside zxing-cpp per picture, with the ratio:
#     the classic pipeline alone, the whole chain and each photograph pass
#     alone, and on pictures without a symbol (blank, tiled, texture, 64 x 64
#     noise) the chain's time against the classic one, flagged above 4x,
#   - decode rates on each photo corpus per category, beside zxing-cpp,
#   - decode rates on the rendered hard photographs (labels round bottles,
#     wrinkled, creased, symbols off screens, and the same without a
#     symbol), beside zxing-cpp,
#   - peak resident memory of vornak-decode on a 4000 x 3000 JPEG,
#   - process time of vornak-decode on one small picture, start to exit,
#     beside zbarimg's on the same picture (target: not slower).
# Environment: VORNAK_BENCH_BUILD_DIR (default build/bench), VORNAK_CORPUS
# (default ../shared/corpus next to the repository: a corpus folder with
# manifest.tsv, or a folder of them; several separated by spaces).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/setup.sh

build=${VORNAK_BENCH_BUILD_DIR:-build/bench}
corpus=${VORNAK_CORPUS:-$root/../shared/corpus}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORNAK_BUILD_BENCH=ON \
  -DVORNAK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_locate bench_decode bench_corpus \
  bench_rendered bench_small bench_make_jpeg vornak-decode >/dev/null

echo "== Finder search"
"$build/bench/bench_locate"

echo
echo "== End-to-end decode, Vornak (classic, whole chain, each pass) beside zxing-cpp"
"$build/bench/bench_decode"

echo
echo "== Decode rates on $corpus"
# shellcheck disable=SC2086 # several folders are meant to split
"$build/bench/bench_corpus" $corpus || echo "(some pictures or folders could not be read)"

echo
echo "== Decode rates on rendered hard photographs"
"$build/bench/bench_rendered"

echo
echo "== Decode rates on small symbols in large photographs"
"$build/bench/bench_small" | tail -n 1

echo
echo "== Peak memory of vornak-decode on 4000 x 3000 JPEGs (target <= 16 bytes per pixel)"
peak() {  # name, file
  local log="$build/peak-$1.log" status=0
  /usr/bin/time -v "$build/cli/vornak-decode" "$2" >"$build/peak-$1.out" 2>"$log" || status=$?
  local kb wall
  kb=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$log")
  wall=$(sed -n 's/^[[:space:]]*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
  awk -v name="$1" -v kb="$kb" -v wall="$wall" -v status="$status" 'BEGIN {
    printf "%-28s peak RSS %7.1f MiB = %5.2f bytes per pixel, wall %s, exit status %d\n",
      name, kb / 1024, kb * 1024 / (4000 * 3000), wall, status
  }'
}
photo="$build/large-4000x3000.jpg"
blank="$build/blank-4000x3000.jpg"
[ -f "$photo" ] || "$build/bench/bench_make_jpeg" "$photo"
[ -f "$blank" ] || "$build/bench/bench_make_jpeg" --blank "$blank"
peak "photo, version 14" "$photo"
peak "blank, every pass fails" "$blank"

echo
echo "== Start to exit on one small picture: vornak-decode beside zbarimg (mean of 100 runs each)"
small="$build/small-symbol.png"
qrencode -s 4 -o "$small" "Vornak: one small picture"
# The two run in turn, so that a slower spell of the machine falls on both.
ours=0 theirs=0
have_zbar=$(command -v zbarimg || true)
for _ in $(seq 100); do
  start=$(date +%s%N)
  "$build/cli/vornak-decode" "$small" >/dev/null 2>&1 || true
  ours=$((ours + $(date +%s%N) - start))
  if [ -n "$have_zbar" ]; then
    start=$(date +%s%N)
    zbarimg -q --raw "$small" >/dev/null 2>&1 || true
    theirs=$((theirs + $(date +%s%N) - start))
  fi
done
awk -v ns="$ours" 'BEGIN { printf "vornak-decode  %6.2f ms per run\n", ns / 100 / 1e6 }'
if [ -n "$have_zbar" ]; then
  awk -v ns="$theirs" 'BEGIN { printf "zbarimg        %6.2f ms per run\n", ns / 100 / 1e6 }'
else
  echo "zbarimg is not installed"
fi
