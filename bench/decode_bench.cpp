// End-to-end decode time of the component on in-memory pictures, beside
// zxing-cpp (QR Code only, default options) on the same pixels in the same
// run. Each picture is timed three ways: the classic pipeline alone, the
// whole chain (the default: classic, then the photograph passes when it
// fails), and each photograph pass alone on the grey plane the component
// makes. After the usual table, prints per picture the classic and total
// times, the ratio total / zxing-cpp and, on pictures without a symbol
// (where every pass runs), the ratio total / classic, flagged above 4; then
// the time of each pass alone.
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
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchPictures.h"
#include "common/Types.h"
#include "engine/DecodeTrace.h"
#include "engine/Decorder.h"
#include "engine/FrontImage.h"
#include "engine/PassChain.h"
#include "engine/Vornak.h"
#include "fuzz/FuzzInput.h"

namespace {

using vornak::bench::TBenchPicture;

// The window's and the command line's tuning values.
constexpr int32_t kWarp = 6;
constexpr int32_t kResolver = 7;
constexpr int32_t kForceVersion = 0;

// A picture without a symbol runs every pass; the chain may cost at most this
// many times the classic pipeline there.
constexpr double kNoSymbolBound = 4.0;

void Configure(vornak::TVornak& component) {
  component.SetWarp(kWarp);
  component.SetResolver(kResolver);
  component.SetForceVersion(kForceVersion);
}

// A fuzz input that was slow for its size (fuzz/slow/), as the decode fuzz
// target turns its bytes into a bitmap; empty Name when it cannot be read
// or asks for other settings than the ones timed here.
TBenchPicture FuzzPicture(const std::string& file, const std::string& name) {
  namespace fz = vornak::fuzz;
  TBenchPicture picture;
  std::ifstream in(std::string(VORNAK_SOURCE_DIR) + "/fuzz/slow/" + file, std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (data.size() < 5 || fz::BitmapWarp(data[3]) != kWarp ||
      fz::BitmapResolver(data[3]) != kResolver ||
      fz::BitmapForceVersion(data[2], data[4]) != kForceVersion)
    return picture;
  const int32_t width = fz::BitmapSide(data[0]);
  const int32_t height = fz::BitmapSide(data[1]);
  const size_t step = fz::BitmapColour(data[2]) ? 3 : 1;
  picture.Bitmap = vornak::TBitmap(width, height, 0xFFFFFF);
  size_t at = 5;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width && at + step <= data.size(); ++x, at += step)
      picture.Bitmap.SetPixel(x, y,
                              step == 3 ? vornak::TBitmap::Rgb(data[at], data[at + 1], data[at + 2])
                                        : vornak::TBitmap::Rgb(data[at], data[at], data[at]));
  picture.Name = name;
  return picture;
}

bool Matches(const TBenchPicture& picture, bool decoded, const std::string& text) {
  return picture.Expected.empty() ? !decoded : decoded && text == picture.Expected;
}

// The component as the window and the command line use it; classic = true
// is vornak-decode --classic.
void BM_Vornak(benchmark::State& state, const TBenchPicture* picture, bool classic) {
  vornak::TVornak component;
  Configure(component);
  component.SetClassic(classic);
  // One decode outside the timing: the large pictures run a single timed
  // iteration, which would otherwise also pay for the first allocation of
  // every plane.
  bool decoded = component.Decode(picture->Bitmap);
  for (auto _ : state) {
    decoded = component.Decode(picture->Bitmap);
    benchmark::DoNotOptimize(decoded);
  }
  state.counters["correct"] = Matches(*picture, decoded, component.ResultText()) ? 1 : 0;
  state.SetLabel(decoded ? component.Pass() : component.ErrorText());
}

// One photograph pass alone. The component keeps its chain to itself, so
// this does what it does after a failed classic decode: the front image
// makes the grey plane and the global plane with the same resolver, and a
// chain restricted to the one pass runs on them with the same settings and
// a trace. Making the grey plane is the classic pipeline's work and is not
// timed; building the pass's own plane and its finder search are.
void BM_Pass(benchmark::State& state, const TBenchPicture* picture, const std::string& name) {
  const vornak::TBitmap& bitmap = picture->Bitmap;
  const int32_t width = bitmap.Width();
  const int32_t height = bitmap.Height();
  vornak::TFrontImage front;
  front.SetResolver(kResolver);
  vornak::TPlaneBoolean global;
  {
    vornak::TPlaneInteger colours(width, height);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) colours(x, y) = static_cast<int32_t>(bitmap.Row(y)[x]);
    front.Binarize(colours, width, height, global);
  }
  vornak::TDecorder decorder;
  decorder.SetWarp(kWarp);
  decorder.SetForceVersion(kForceVersion);
  vornak::TDecodeTrace trace;
  vornak::TPassChain chain;
  chain.SetSettings(vornak::TDecodeSettings{kWarp, kResolver, kForceVersion});
  chain.SetTrace(&trace);
  chain.SetOnly(name);

  std::string text;
  const auto run = [&] {
    trace.Clear();
    text.clear();
    try {
      return chain.Run(front.Grey(), decorder, text, &global);
    } catch (...) {
      return false;
    }
  };
  bool decoded = run();  // untimed, as for the component
  for (auto _ : state) {
    decoded = run();
    benchmark::DoNotOptimize(decoded);
  }
  state.counters["correct"] = Matches(*picture, decoded, text) ? 1 : 0;
  state.counters["decoded"] = decoded ? 1 : 0;
  state.SetLabel(decoded ? "decoded" : "-");
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
  ZXing::Result result = PeerDecode(*picture);  // untimed, as for Vornak
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
    bool Decoded = false;  // a pass alone: it read the symbol
    bool Skipped = false;
    std::string Label;  // the component: the pass that decoded, or the error
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
      const auto decoded = run.counters.find("decoded");
      entry.Decoded = decoded != run.counters.end() && decoded->second.value > 0.5;
      entry.Label = run.report_label;
    }
  }

  const TEntry* Find(const std::string& name) const {
    const auto it = FEntries.find(name);
    return it == FEntries.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, TEntry> FEntries;
};

// Milliseconds of CPU time of an entry, or a mark when it is missing.
std::string Milliseconds(const TRatioReporter::TEntry* entry) {
  if (entry == nullptr) return "-";
  if (entry->Skipped) return ">budget";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", entry->CpuSeconds * 1e3);
  return text;
}

std::string Ratio(const TRatioReporter::TEntry* top, const TRatioReporter::TEntry* bottom) {
  if (top == nullptr || top->Skipped) return "-";
  if (bottom == nullptr) return "-";
  if (bottom->Skipped) return "<<1";
  if (bottom->CpuSeconds <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", top->CpuSeconds / bottom->CpuSeconds);
  return text;
}

void PrintSummary(const TRatioReporter& reporter, const std::vector<TBenchPicture>& pictures,
                  const std::vector<std::string>& passes) {
  // CPU time is the figure to compare: the wall clock also counts other
  // programs sharing the machine.
  std::printf("\nCPU time per decode, ms\n");
  std::printf("%-14s %9s %9s %9s %8s %8s %-9s %-6s %-6s  %s\n", "picture", "classic", "total",
              "zxing", "tot/zx", "tot/cls", "bound", "Vornak", "zxing",
              "total: pass that read, or error");
  for (const TBenchPicture& picture : pictures) {
    const TRatioReporter::TEntry* classic = reporter.Find("Classic/" + picture.Name);
    const TRatioReporter::TEntry* total = reporter.Find("Vornak/" + picture.Name);
    const TRatioReporter::TEntry* peer = reporter.Find("ZXing/" + picture.Name);
    if (total == nullptr || total->Skipped) continue;
    std::string bound = "-";
    if (picture.NoSymbol() && classic != nullptr && !classic->Skipped && classic->CpuSeconds > 0)
      bound = total->CpuSeconds / classic->CpuSeconds > kNoSymbolBound ? "OVER 4x" : "ok <=4x";
    std::printf("%-14s %9s %9s %9s %8s %8s %-9s %-6s %-6s  %s\n", picture.Name.c_str(),
                Milliseconds(classic).c_str(), Milliseconds(total).c_str(),
                Milliseconds(peer).c_str(), Ratio(total, peer).c_str(),
                Ratio(total, classic).c_str(), bound.c_str(), total->Correct ? "ok" : "WRONG",
                peer == nullptr || peer->Skipped ? "-"
                : peer->Correct                  ? "ok"
                                                 : "WRONG",
                total->Label.c_str());
  }
  std::printf(
      "(classic = the classic pipeline alone, total = the whole chain as the window and the "
      "command line run it, zxing = zxing-cpp; tot/zx and tot/cls = the ratios of those "
      "times; bound = on a picture without a symbol, whether the chain stays within %.0fx "
      "the classic time; ok = the expected text, or nothing on a picture without a symbol; "
      ">budget = zxing-cpp did not finish one decode in %d s)\n",
      kNoSymbolBound,
#ifdef VORNAK_HAVE_ZXING
      kPeerBudgetSeconds
#else
      0
#endif
  );

  std::printf("\nCPU time of each photograph pass alone, ms (* = the pass read the symbol)\n");
  std::printf("%-30s", "pass");
  for (const TBenchPicture& picture : pictures) std::printf(" %14s", picture.Name.c_str());
  std::printf("\n");
  std::vector<double> sums(pictures.size(), 0.0);
  std::vector<bool> measured(pictures.size(), false);
  for (const std::string& pass : passes) {
    std::printf("%-30s", pass.c_str());
    for (size_t i = 0; i < pictures.size(); ++i) {
      const TRatioReporter::TEntry* entry = reporter.Find("Pass/" + pictures[i].Name + "/" + pass);
      std::string cell = Milliseconds(entry);
      if (entry != nullptr && !entry->Skipped) {
        sums[i] += entry->CpuSeconds;
        measured[i] = true;
        if (entry->Decoded) cell += "*";
      }
      std::printf(" %14s", cell.c_str());
    }
    std::printf("\n");
  }
  std::printf("%-30s", "sum of the passes");
  for (size_t i = 0; i < pictures.size(); ++i) {
    if (measured[i])
      std::printf(" %14.2f", sums[i] * 1e3);
    else
      std::printf(" %14s", "-");
  }
  std::printf("\n%-30s", "total - classic");
  for (const TBenchPicture& picture : pictures) {
    const TRatioReporter::TEntry* classic = reporter.Find("Classic/" + picture.Name);
    const TRatioReporter::TEntry* total = reporter.Find("Vornak/" + picture.Name);
    if (classic == nullptr || total == nullptr || classic->Skipped || total->Skipped)
      std::printf(" %14s", "-");
    else
      std::printf(" %14.2f", (total->CpuSeconds - classic->CpuSeconds) * 1e3);
  }
  std::printf(
      "\n(each pass alone builds its own plane and finder search; in the chain passes on "
      "the same plane share them and the chain stops at the first pass that reads, so the "
      "sum of the passes is above what the chain adds to the classic time)\n");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::vector<TBenchPicture> pictures = vornak::bench::StandardPictures();
  for (const auto& [file, name] :
       {std::pair<const char*, const char*>{"vornak_decode-50x50-homography-refine", "fuzz-50x50"},
        {"vornak_decode-127x127-homography-refine", "fuzz-127x127"}}) {
    TBenchPicture picture = FuzzPicture(file, name);
    if (!picture.Name.empty()) pictures.push_back(std::move(picture));
  }
  std::vector<std::string> passes;
  {
    const vornak::TPassChain chain;
    for (int32_t i = 0; i < chain.PassCount(); ++i) passes.push_back(chain.PassName(i));
  }
  for (const TBenchPicture& picture : pictures) {
    benchmark::RegisterBenchmark(("Classic/" + picture.Name).c_str(), BM_Vornak, &picture, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Vornak/" + picture.Name).c_str(), BM_Vornak, &picture, false)
        ->Unit(benchmark::kMillisecond);
    for (const std::string& pass : passes)
      benchmark::RegisterBenchmark(("Pass/" + picture.Name + "/" + pass).c_str(), BM_Pass, &picture,
                                   pass)
          ->Unit(benchmark::kMillisecond);
#ifdef VORNAK_HAVE_ZXING
    benchmark::RegisterBenchmark(("ZXing/" + picture.Name).c_str(), BM_ZXing, &picture)
        ->Unit(benchmark::kMillisecond);
#endif
  }

  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter, pictures, passes);
  benchmark::Shutdown();
  return 0;
}
