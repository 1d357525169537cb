#include <benchmark/benchmark.h>

#include <qrcodegen/qrcodegen.hpp>

#include <cstdint>
#include <stdexcept>

#include "common/Types.h"
#include "locate/FindPattern.h"
#include "locate/TimingPattern.h"
#include "tests/support/Renderer.h"

namespace {

using vornak::TFindPattern;
using vornak::TPlaneBoolean;

// A 4000 x 3000 page covered with finder-like marks (7 x 7 modules of 2
// pixels, 2 pixels apart): hundreds of thousands of candidate runs in both
// directions, the worst a textured photograph can offer the grouping.
const TPlaneBoolean& TiledPicture() {
  static const TPlaneBoolean picture = [] {
    TPlaneBoolean plane(4000, 3000, 0);
    const int32_t module = 2, pitch = 7 * module + 2;
    for (int32_t top = 1; top + 7 * module < plane.Height(); top += pitch)
      for (int32_t left = 1; left + 7 * module < plane.Width(); left += pitch)
        for (int32_t my = 0; my < 7; ++my)
          for (int32_t mx = 0; mx < 7; ++mx) {
            const bool dark = mx == 0 || my == 0 || mx == 6 || my == 6 ||
                              (mx >= 2 && mx <= 4 && my >= 2 && my <= 4);
            if (!dark) continue;
            for (int32_t j = 0; j < module; ++j)
              for (int32_t i = 0; i < module; ++i)
                plane(left + mx * module + i, top + my * module + j) = 1;
          }
    return plane;
  }();
  return picture;
}

// A page of one-pixel stripes crossing both ways (1:1:3:1:1 and a gap, every
// 8 pixels, exclusive-or of rows and columns): every row and every column is
// full of finder-like stretches.
const TPlaneBoolean& StripedPicture() {
  static const TPlaneBoolean picture = [] {
    TPlaneBoolean plane(4000, 3000, 0);
    auto stripe = [](int32_t v) {
      const int32_t m = v % 8;
      return m == 0 || m == 2 || m == 3 || m == 4 || m == 6;
    };
    for (int32_t y = 0; y < plane.Height(); ++y)
      for (int32_t x = 0; x < plane.Width(); ++x) plane(x, y) = stripe(x) != stripe(y) ? 1 : 0;
    return plane;
  }();
  return picture;
}

// A version-10 symbol, 17 pixels per module, in a clean 1600 x 1200 picture.
const TPlaneBoolean& CleanPicture() {
  static const TPlaneBoolean picture = [] {
    const auto segments = qrcodegen::QrSegment::makeSegments("https://example.org/vornak/bench");
    const qrcodegen::QrCode code = qrcodegen::QrCode::encodeSegments(
        segments, qrcodegen::QrCode::Ecc::MEDIUM, 10, 10, -1, false);
    TPlaneBoolean matrix(code.getSize(), code.getSize(), 0);
    for (int y = 0; y < code.getSize(); ++y)
      for (int x = 0; x < code.getSize(); ++x) matrix(x, y) = code.getModule(x, y) ? 1 : 0;
    vornak::test::TRenderOptions options;
    options.ModuleSize = 17;
    options.Width = 1600;
    options.Height = 1200;
    options.Supersample = 1;
    return vornak::test::RenderPlane(matrix, options);
  }();
  return picture;
}

void BM_FindTiled(benchmark::State& state) {
  const TPlaneBoolean& picture = TiledPicture();
  TFindPattern finder;
  for (auto _ : state) benchmark::DoNotOptimize(finder.Find(picture));
  state.counters["horz_runs"] = finder.HorzRuns().Count();
  state.counters["vert_runs"] = finder.VertRuns().Count();
  state.counters["candidates"] = finder.CenterDots().Count();
}
BENCHMARK(BM_FindTiled)->Unit(benchmark::kMillisecond);

void BM_FindStriped(benchmark::State& state) {
  const TPlaneBoolean& picture = StripedPicture();
  TFindPattern finder;
  for (auto _ : state) benchmark::DoNotOptimize(finder.Find(picture));
  state.counters["horz_runs"] = finder.HorzRuns().Count();
  state.counters["vert_runs"] = finder.VertRuns().Count();
  state.counters["candidates"] = finder.CenterDots().Count();
}
BENCHMARK(BM_FindStriped)->Unit(benchmark::kMillisecond);

void BM_FindClean(benchmark::State& state) {
  const TPlaneBoolean& picture = CleanPicture();
  TFindPattern finder;
  for (auto _ : state) {
    if (finder.Find(picture) != 0) throw std::runtime_error("symbol not found");
  }
  state.counters["horz_runs"] = finder.HorzRuns().Count();
  state.counters["candidates"] = finder.CenterDots().Count();
}
BENCHMARK(BM_FindClean)->Unit(benchmark::kMillisecond);

// The version search that follows on the clean picture.
void BM_VersionSearchClean(benchmark::State& state) {
  const TPlaneBoolean& picture = CleanPicture();
  TFindPattern finder;
  finder.Find(picture);
  for (auto _ : state) {
    vornak::TTimingPattern timing(finder.GetPattern(0), finder.GetPattern(1), finder.GetPattern(2));
    int32_t version = timing.EstimateVersion(picture, picture.Width(), picture.Height());
    while (version <= 14 &&
           !timing.CheckVersion(version, picture, picture.Width(), picture.Height()))
      ++version;
    benchmark::DoNotOptimize(version);
  }
}
BENCHMARK(BM_VersionSearchClean)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
