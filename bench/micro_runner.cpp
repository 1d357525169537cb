// Decode rates on rendered Micro QR pictures: symbols of M1..M4 from libzint
// and libqrencode, turned every 30 degrees, at three module sizes, upright
// or in perspective, sharp or blurred with noise. Per version: how many
// pictures decode to exactly the text, as Micro QR, how many fail and how
// many give a wrong text; beside zxing-cpp when it is installed. Then the
// same for rMQR symbols from libzint, eight sizes across the range at both
// levels (turned every 45 degrees, fewer views: the pictures are large).
//
//   bench_micro [--list]
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/PeerRead.h"
#include "engine/Vornak.h"
#include "symbol/RectTables.h"
#include "tests/support/Renderer.h"
#include "tests/support/ZintSymbol.h"

namespace {

using vornak::TBitmap;
using vornak::TSymbolKind;
using vornak::TVornak;
using vornak::test::TRenderOptions;
using vornak::test::ZintSymbol;

struct TTally {
  int Exact = 0;
  int Failed = 0;
  int Wrong = 0;
};

// The views of one symbol: turns, module sizes, perspective, blur.
std::vector<std::pair<std::string, TRenderOptions>> Views(int side, int turn = 30,
                                                          std::vector<double> modules = {3, 4, 6},
                                                          int slants = 3) {
  std::vector<std::pair<std::string, TRenderOptions>> views;
  for (int degrees = 0; degrees < 360; degrees += turn)
    for (double module : modules)
      for (int slant = 0; slant < slants; ++slant)
        for (int blur = 0; blur < 2; ++blur) {
          TRenderOptions o;
          o.ModuleSize = module;
          o.RotationDegrees = degrees + 7;
          o.BlurSigma = blur == 0 ? 0.0 : 0.45 * module;
          o.NoiseSigma = blur == 0 ? 0.0 : 10.0;
          if (slant > 0) {
            // The symbol's corners (before the turn) pulled in on one side.
            const double w = module * side, k = slant == 1 ? 0.08 : 0.18;
            const double c = 40 + w / 2;
            std::array<std::array<double, 2>, 4> q = {{{-w / 2, -w / 2},
                                                       {w / 2, -w / 2 + k * w},
                                                       {w / 2, w / 2 - k * w},
                                                       {-w / 2, w / 2}}};
            const double a = o.RotationDegrees * 3.14159265358979 / 180;
            o.UseCorners = true;
            o.Width = o.Height = static_cast<int32_t>(w + 80);
            for (size_t i = 0; i < 4; ++i)
              o.Corners[i] = {c + q[i][0] * std::cos(a) - q[i][1] * std::sin(a),
                              c + q[i][0] * std::sin(a) + q[i][1] * std::cos(a)};
          }
          views.push_back({std::to_string(degrees + 7) + "deg " + std::to_string(module) +
                               "px slant" + std::to_string(slant) + " blur" + std::to_string(blur),
                           o});
        }
  return views;
}

// rMQR: eight sizes across the range, levels M and H.
void RectRates(bool list) {
  std::printf("\n%-9s %7s | %6s %6s %6s\n", "rMQR", "pictures", "exact", "failed", "wrong");
  for (const int version : {1, 5, 6, 11, 16, 20, 26, 32})
    for (const int level : {1, 3}) {
      const vornak::rmqr::TSize& size = vornak::rmqr::SizeOf(version);
      const std::string text = size.Codewords < 30 ? "31415926" : "rMQR 2026";
      const ZintSymbol symbol = vornak::test::MakeRmqr(text, version, level);
      if (!symbol.Error.empty()) continue;
      TTally t;
      TVornak vornak;
      for (const auto& [name, options] : Views(symbol.Columns, 45, {3.0, 5.0}, 2)) {
        const bool decoded = vornak.Decode(vornak::test::RenderBitmap(symbol.Matrix, options));
        const bool exact = decoded && vornak.ResultText() == text &&
                           vornak.Kind() == TSymbolKind::kRect && vornak.Version() == version;
        if (exact) ++t.Exact;
        if (!decoded) ++t.Failed;
        if (decoded && !exact) ++t.Wrong;
        if (list)
          std::printf("R%dx%d-%s %-32s %s\n", size.Height, size.Width, level == 1 ? "M" : "H",
                      name.c_str(), exact ? "exact" : (decoded ? "WRONG" : "failed"));
      }
      char label[16];
      std::snprintf(label, sizeof label, "R%dx%d-%s", size.Height, size.Width,
                    level == 1 ? "M" : "H");
      std::printf("%-9s %7d | %6d %6d %6d\n", label, t.Exact + t.Failed + t.Wrong, t.Exact,
                  t.Failed, t.Wrong);
    }
}

}  // namespace

int main(int argc, char** argv) {
  const bool list = argc > 1 && std::strcmp(argv[1], "--list") == 0;
  static const char* const kTexts[] = {"31415", "MICRO7", "micro q", "Micro QR 2026!"};
  std::array<TTally, 4> ours{}, peer{};
  TVornak vornak;
#ifdef VORNAK_HAVE_ZXING
  ZXing::DecodeHints hints = vornak::bench::PeerHints();
  hints.setFormats(ZXing::BarcodeFormat::MicroQRCode);
#endif
  for (int source = 0; source < 2; ++source)
    for (int version = 1; version <= 4; ++version) {
      const std::string text = kTexts[version - 1];
      const ZintSymbol symbol = source == 0
                                    ? vornak::test::MakeMicroQr(text, version, version == 1 ? 0 : 1)
                                    : vornak::test::MakeQrencodeMicro(text, version, 0);
      if (!symbol.Error.empty()) {
        std::fprintf(stderr, "M%d: %s\n", version, symbol.Error.c_str());
        return 1;
      }
      for (const auto& [name, options] : Views(symbol.Columns)) {
        const TBitmap bitmap = vornak::test::RenderBitmap(symbol.Matrix, options);
        const bool decoded = vornak.Decode(bitmap);
        TTally& t = ours[static_cast<size_t>(version - 1)];
        const bool exact = decoded && vornak.ResultText() == text &&
                           vornak.Kind() == TSymbolKind::kMicro && vornak.Version() == version;
        if (exact) ++t.Exact;
        if (!decoded) ++t.Failed;
        if (decoded && !exact) ++t.Wrong;
        if (list)
          std::printf("%-8s M%d %-32s %s\n", source == 0 ? "zint" : "qrencode", version,
                      name.c_str(), exact ? "exact" : (decoded ? "WRONG" : "failed"));
#ifdef VORNAK_HAVE_ZXING
        const ZXing::Result r = vornak::bench::PeerRead(bitmap, hints);
        TTally& p = peer[static_cast<size_t>(version - 1)];
        if (!r.isValid())
          ++p.Failed;
        else if (r.text() == text)
          ++p.Exact;
        else
          ++p.Wrong;
#endif
      }
    }
  std::printf("%-8s %7s | %6s %6s %6s | %6s %6s %6s\n", "version", "pictures", "exact", "failed",
              "wrong", "zxing", "failed", "wrong");
  for (size_t v = 0; v < 4; ++v) {
    const TTally& t = ours[v];
    const TTally& p = peer[v];
    std::printf("M%-7zu %7d | %6d %6d %6d | %6d %6d %6d\n", v + 1, t.Exact + t.Failed + t.Wrong,
                t.Exact, t.Failed, t.Wrong, p.Exact, p.Failed, p.Wrong);
  }
  RectRates(list);
  return 0;
}
