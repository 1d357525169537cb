// End-to-end decode time of the component on in-memory pictures, beside
// zxing-cpp (QR Code only, default options) on the same pixels in the same
// run. After the usual table, prints the time ratio Vornak / zxing-cpp per
// picture and whether each decoder read the expected text.
#include <benchmark/benchmark.h>

#ifdef VORNAK_HAVE_ZXING
#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>
#endif

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchPictures.h"
#include "common/Types.h"
#include "engine/Vornak.h"

namespace {

using vornak::bench::TBenchPicture;

// The window's and the command line's tuning values.
void Configure(vornak::TVornak& component) {
  component.SetWarp(6);
  component.SetResolver(7);
  component.SetForceVersion(0);
}

bool Matches(const TBenchPicture& picture, bool decoded, const std::string& text) {
  return picture.Expected.empty() ? !decoded : decoded && text == picture.Expected;
}

void BM_Vornak(benchmark::State& state, const TBenchPicture* picture) {
  vornak::TVornak component;
  Configure(component);
  bool decoded = false;
  for (auto _ : state) {
    decoded = component.Decode(picture->Bitmap);
    benchmark::DoNotOptimize(decoded);
  }
  state.counters["correct"] = Matches(*picture, decoded, component.ResultText()) ? 1 : 0;
  state.SetLabel(decoded ? "decoded" : component.ErrorText());
}

#ifdef VORNAK_HAVE_ZXING
void BM_ZXing(benchmark::State& state, const TBenchPicture* picture) {
  // TBitmap keeps red, green, blue and a spare byte per pixel, in that order in memory.
  const ZXing::ImageView view(reinterpret_cast<const uint8_t*>(picture->Bitmap.Row(0)),
                              picture->Bitmap.Width(), picture->Bitmap.Height(),
                              ZXing::ImageFormat::RGBX, picture->Bitmap.Width() * 4);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  ZXing::Result result;
  for (auto _ : state) {
    result = ZXing::ReadBarcode(view, hints);
    benchmark::DoNotOptimize(result);
  }
  const std::string text(result.bytes().begin(), result.bytes().end());
  state.counters["correct"] = Matches(*picture, result.isValid(), text) ? 1 : 0;
  state.SetLabel(result.isValid() ? "decoded" : "not found");
}
#endif

// Keeps the mean time and the correctness of each run for the summary.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  struct TEntry {
    double Seconds = 0;
    bool Correct = false;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      TEntry& entry = FEntries[run.benchmark_name()];
      entry.Seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      const auto correct = run.counters.find("correct");
      entry.Correct = correct != run.counters.end() && correct->second.value > 0.5;
    }
  }

  const TEntry* Find(const std::string& name) const {
    const auto it = FEntries.find(name);
    return it == FEntries.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, TEntry> FEntries;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const std::vector<TBenchPicture> pictures = vornak::bench::StandardPictures();
  for (const TBenchPicture& picture : pictures) {
    benchmark::RegisterBenchmark(("Vornak/" + picture.Name).c_str(), BM_Vornak, &picture)
        ->Unit(benchmark::kMillisecond);
#ifdef VORNAK_HAVE_ZXING
    benchmark::RegisterBenchmark(("ZXing/" + picture.Name).c_str(), BM_ZXing, &picture)
        ->Unit(benchmark::kMillisecond);
#endif
  }

  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-14s %12s %12s %8s  %-8s %-8s\n", "picture", "Vornak ms", "zxing ms", "ratio",
              "Vornak", "zxing");
  for (const TBenchPicture& picture : pictures) {
    const TRatioReporter::TEntry* ours = reporter.Find("Vornak/" + picture.Name);
    const TRatioReporter::TEntry* peer = reporter.Find("ZXing/" + picture.Name);
    if (ours == nullptr) continue;
    const char* verdictOurs = ours->Correct ? "ok" : "WRONG";
    if (peer == nullptr) {
      std::printf("%-14s %12.2f %12s %8s  %-8s %-8s\n", picture.Name.c_str(), ours->Seconds * 1e3,
                  "-", "-", verdictOurs, "-");
      continue;
    }
    std::printf("%-14s %12.2f %12.2f %8.2f  %-8s %-8s\n", picture.Name.c_str(), ours->Seconds * 1e3,
                peer->Seconds * 1e3, ours->Seconds / peer->Seconds, verdictOurs,
                peer->Correct ? "ok" : "WRONG");
  }
  std::printf(
      "(ratio = Vornak / zxing-cpp time; ok = the expected text, or nothing on a "
      "picture without a symbol)\n");
  benchmark::Shutdown();
  return 0;
}
