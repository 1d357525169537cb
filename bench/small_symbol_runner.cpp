// Decode rate on small symbols in large photographs: symbols of versions 2,
// 4 and 6 at 2 to 4 pixels a module, turned 17 degrees, off the middle of a
// 640 x 480, 1600 x 1200 or 4000 x 3000 picture, softened by a blur of a
// sixth or of two fifths of a module, with noise; Vornak beside zxing-cpp,
// every picture listed with the pass that read it.
//
//   bench_small

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/Vornak.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

#ifdef VORNAK_HAVE_ZXING
#include "bench/PeerRead.h"
#endif

int main() {
  using namespace vornak;
  const std::string text = "HTTPS://EX.COM/P/12345";
  int32_t total = 0, ours = 0, wrong = 0, theirs = 0;
#ifdef VORNAK_HAVE_ZXING
  const ZXing::DecodeHints hints = bench::PeerHints();
#endif
  for (const int32_t version : {2, 4, 6})
    for (const double module : {2.0, 2.5, 3.0, 4.0})
      for (const int32_t width : {640, 1600, 4000})
        for (const double blur : {1.0 / 6, 0.4}) {
          const test::ReferenceSymbol symbol = test::Make(text, version, 1, 2);
          const test::TRenderOptions o = test::SmallInLargePhoto(module, width, blur * module);
          const TBitmap bitmap = test::RenderBitmap(symbol.Matrix, o);
          TVornak component;
          component.SetWarp(6);
          const auto start = std::chrono::steady_clock::now();
          const bool read = component.Decode(bitmap);
          const double ms =
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count();
          const bool exact = read && component.ResultText() == text;
          ++total;
          ours += exact ? 1 : 0;
          wrong += read && !exact ? 1 : 0;
          bool peer = false;
#ifdef VORNAK_HAVE_ZXING
          const ZXing::Result result = bench::PeerRead(bitmap, hints);
          peer = result.isValid() && result.text() == text;
          theirs += peer ? 1 : 0;
#endif
          std::printf(
              "v%d %.1f px/module %4d x %4d blur %.2f px: Vornak %-6s zxing %-6s %7.1f ms %s\n",
              version, module, o.Width, o.Height, o.BlurSigma,
              exact  ? "exact"
              : read ? "WRONG"
                     : "failed",
              peer ? "exact" : "failed", ms,
              read ? component.Pass().c_str() : component.ErrorText().c_str());
        }
  std::printf("small symbols in large photographs: Vornak %d of %d (%d wrong), zxing-cpp %d\n",
              ours, total, wrong, theirs);
  return 0;
}
