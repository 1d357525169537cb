// What finding every symbol costs: Decode and DecodeAll on the benchmark's
// pictures of one symbol (where DecodeAll may cost at most 1.3 times
// Decode), and DecodeAll on sheets of several symbols. After the table,
// prints per picture of one symbol the ratio DecodeAll / Decode, flagged
// above the bound (CPU time, the median when repeated).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchPictures.h"
#include "engine/Vornak.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Sheet.h"

namespace {

using vornak::bench::TBenchPicture;

constexpr double kOneSymbolBound = 1.3;

// A sheet of count symbols of versions 1..7 in a grid, a few turned.
TBenchPicture SheetPicture(int count) {
  const int columns = count <= 4 ? 2 : count <= 9 ? 3 : 4;
  const int rows = (count + columns - 1) / columns;
  constexpr int32_t kCell = 300;
  vornak::test::TSheet sheet(columns * kCell, rows * kCell);
  for (int i = 0; i < count; ++i) {
    const vornak::test::ReferenceSymbol symbol =
        vornak::test::Make("sheet symbol " + std::to_string(i), 1 + i % 7, 1, i % 8);
    vornak::test::TRenderOptions options;
    options.ModuleSize = std::min(4.0, 200.0 / (symbol.Side() + 8));
    options.RotationDegrees = 17.0 * i;
    int32_t w = 0, h = 0;
    vornak::test::TSheet::Size(symbol.Side(), options, w, h);
    sheet.Place(symbol.Matrix, options, (i % columns) * kCell + (kCell - w) / 2,
                (i / columns) * kCell + (kCell - h) / 2);
  }
  TBenchPicture picture;
  picture.Name = "sheet-" + std::to_string(count);
  picture.Expected = "sheet symbol 0";
  picture.Bitmap = sheet.Bitmap();
  return picture;
}

std::map<std::string, double>& Times() {
  static std::map<std::string, double> times;
  return times;
}

void Run(benchmark::State& state, const TBenchPicture& picture, bool all) {
  vornak::TVornak component;
  component.SetWarp(6);
  size_t symbols = 0;
  for (auto _ : state) {
    if (all) {
      symbols = component.DecodeAll(picture.Bitmap).size();
    } else {
      symbols = component.Decode(picture.Bitmap) ? 1 : 0;
    }
    benchmark::DoNotOptimize(symbols);
  }
  state.counters["symbols"] = static_cast<double>(symbols);
}

class TRecorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      // CPU time: the machine is shared, wall time counts the neighbours.
      if (run.run_type == Run::RT_Iteration ||
          (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
        Times()[run.run_name.function_name] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<TBenchPicture> pictures;
  for (TBenchPicture& picture : vornak::bench::StandardPictures())
    if (!picture.NoSymbol()) pictures.push_back(std::move(picture));
  const size_t single = pictures.size();
  for (const int count : {2, 6, 12}) pictures.push_back(SheetPicture(count));

  for (size_t i = 0; i < pictures.size(); ++i) {
    const TBenchPicture& picture = pictures[i];
    if (i < single)
      benchmark::RegisterBenchmark(("Decode/" + picture.Name).c_str(), [&picture](
                                                                           benchmark::State& s) {
        Run(s, picture, false);
      })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("DecodeAll/" + picture.Name).c_str(), [&picture](
                                                                            benchmark::State& s) {
      Run(s, picture, true);
    })->Unit(benchmark::kMillisecond);
  }
  TRecorder reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nOne symbol: DecodeAll / Decode (bound %.1f)\n", kOneSymbolBound);
  for (size_t i = 0; i < single; ++i) {
    const std::string& name = pictures[i].Name;
    const auto one = Times().find("Decode/" + name);
    const auto all = Times().find("DecodeAll/" + name);
    if (one == Times().end() || all == Times().end() || one->second <= 0) continue;
    const double ratio = all->second / one->second;
    std::printf("  %-20s %6.2f%s\n", name.c_str(), ratio, ratio > kOneSymbolBound ? "  OVER" : "");
  }
  benchmark::Shutdown();
  return 0;
}
