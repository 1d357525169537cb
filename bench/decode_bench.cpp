// End-to-end decode time of the component on in-memory pictures, beside
// zxing-cpp (QR Code only, default options) on the same pixels in the same
// run. After the usual table, prints the time ratio Vornak / zxing-cpp per
// picture and whether each decoder read the expected text.
#include <benchmark/benchmark.h>

#ifdef VORNAK_HAVE_ZXING
#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>
#endif

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
// The peer's grouping of finder candidates grows much faster than linearly:
// on the tiled page one decode may not end for many minutes. Each picture is
// first tried once in a child process with this budget.
constexpr int kPeerBudgetSeconds = 30;

ZXing::Result PeerDecode(const TBenchPicture& picture) {
  // TBitmap keeps red, green, blue and a spare byte per pixel, in that order in memory.
  const ZXing::ImageView view(reinterpret_cast<const uint8_t*>(picture.Bitmap.Row(0)),
                              picture.Bitmap.Width(), picture.Bitmap.Height(),
                              ZXing::ImageFormat::RGBX, picture.Bitmap.Width() * 4);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  return ZXing::ReadBarcode(view, hints);
}

// True when one peer decode of the picture ends within the budget.
bool PeerFinishes(const TBenchPicture& picture) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return true;  // cannot tell; just run it
  if (child == 0) {
    PeerDecode(picture);
    _exit(0);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kPeerBudgetSeconds);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status);
    usleep(20000);
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return false;
}

void BM_ZXing(benchmark::State& state, const TBenchPicture* picture) {
  // The framework calls this several times per picture; probe only once.
  static std::map<const TBenchPicture*, bool> finishes;
  if (finishes.find(picture) == finishes.end()) finishes[picture] = PeerFinishes(*picture);
  if (!finishes[picture]) {
    state.SkipWithError("one decode takes longer than the budget");
    for (auto _ : state) {
    }
    return;
  }
  ZXing::Result result;
  for (auto _ : state) {
    result = PeerDecode(*picture);
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
    double Seconds = 0;     // wall clock per decode
    double CpuSeconds = 0;  // CPU time per decode
    bool Correct = false;
    bool Skipped = false;
  };

  // Colours only on a terminal; a log gets plain text.
  TRatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      TEntry& entry = FEntries[run.benchmark_name()];
      if (run.error_occurred || run.iterations == 0) {
        entry.Skipped = true;
        continue;
      }
      entry.Seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      entry.CpuSeconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
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

  // CPU time is the figure to compare: the wall clock also counts other
  // programs sharing the machine.
  std::printf("\n%-20s %10s %10s %7s %10s %10s %7s  %-6s %-6s\n", "picture", "Vornak cpu",
              "zxing cpu", "ratio", "Vornak ms", "zxing ms", "ratio", "Vornak", "zxing");
  for (const TBenchPicture& picture : pictures) {
    const TRatioReporter::TEntry* ours = reporter.Find("Vornak/" + picture.Name);
    const TRatioReporter::TEntry* peer = reporter.Find("ZXing/" + picture.Name);
    if (ours == nullptr || ours->Skipped) continue;
    std::printf("%-20s %10.2f ", picture.Name.c_str(), ours->CpuSeconds * 1e3);
    if (peer == nullptr) {
      std::printf("%10s %7s %10.2f %10s %7s  %-6s %-6s\n", "-", "-", ours->Seconds * 1e3, "-", "-",
                  ours->Correct ? "ok" : "WRONG", "-");
    } else if (peer->Skipped) {
      std::printf("%10s %7s %10.2f %10s %7s  %-6s %-6s\n", ">budget", "<<1", ours->Seconds * 1e3,
                  ">budget", "<<1", ours->Correct ? "ok" : "WRONG", "-");
    } else {
      std::printf("%10.2f %7.2f %10.2f %10.2f %7.2f  %-6s %-6s\n", peer->CpuSeconds * 1e3,
                  ours->CpuSeconds / peer->CpuSeconds, ours->Seconds * 1e3, peer->Seconds * 1e3,
                  ours->Seconds / peer->Seconds, ours->Correct ? "ok" : "WRONG",
                  peer->Correct ? "ok" : "WRONG");
    }
  }
  std::printf(
      "(ratio = Vornak / zxing-cpp time per decode, in milliseconds; ok = the expected "
      "text, or nothing on a picture without a symbol; >budget = zxing-cpp did not "
      "finish one decode in %d s)\n",
#ifdef VORNAK_HAVE_ZXING
      kPeerBudgetSeconds
#else
      0
#endif
  );
  benchmark::Shutdown();
  return 0;
}
