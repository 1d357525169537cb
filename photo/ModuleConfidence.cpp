#include "photo/ModuleConfidence.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vornak {

namespace {

// Each module's level against the mean of the modules round it (reach
// either way), times their number so as to stay in integers (negative:
// darker), and that number; row by row.
struct TAgainstWindow {
  std::vector<int64_t> Distance;
  std::vector<int64_t> Area;
};

TAgainstWindow AgainstWindow(const TPlaneInteger& levels, int32_t reach) {
  const int32_t w = levels.Width(), h = levels.Height();
  TAgainstWindow result;
  result.Distance.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  result.Area.assign(result.Distance.size(), 1);
  // Window sums for the local threshold: the mean of the modules round a
  // module (masking keeps a symbol's modules about half dark).
  std::vector<int64_t> sums(static_cast<size_t>(w + 1) * static_cast<size_t>(h + 1), 0);
  auto at = [w](int32_t x, int32_t y) { return static_cast<size_t>(y) * (w + 1) + x; };
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      sums[at(x + 1, y + 1)] =
          levels(x, y) + sums[at(x, y + 1)] + sums[at(x + 1, y)] - sums[at(x, y)];
  for (int32_t y = 0; y < h; ++y) {
    const int32_t y0 = std::max(0, y - reach), y1 = std::min(h, y + reach + 1);
    for (int32_t x = 0; x < w; ++x) {
      const int32_t x0 = std::max(0, x - reach), x1 = std::min(w, x + reach + 1);
      const int64_t sum = sums[at(x1, y1)] - sums[at(x0, y1)] - sums[at(x1, y0)] + sums[at(x0, y0)];
      const int64_t area = static_cast<int64_t>(x1 - x0) * (y1 - y0);
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
      result.Distance[i] = static_cast<int64_t>(levels(x, y)) * area - sum;
      result.Area[i] = area;
    }
  }
  return result;
}

}  // namespace

void TModuleConfidence::Rate(const TPlaneInteger& levels, const TPlaneBoolean& bits,
                             TPlaneConfidence& confidence) {
  const int32_t w = levels.Width(), h = levels.Height();
  confidence.Resize(w, h, 0);
  if (w < 1 || h < 1 || bits.Width() != w || bits.Height() != h) return;
  // The symbol's contrast: between the levels a tenth of the modules are
  // darker, and a tenth lighter, than.
  std::vector<int32_t> sorted(levels.Data().begin(), levels.Data().end());
  const size_t n = sorted.size();
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n / 10),
                   sorted.end());
  const int32_t dark = sorted[n / 10];
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n - 1 - n / 10),
                   sorted.end());
  const int32_t light = sorted[n - 1 - n / 10];
  const int32_t half = std::max(1, (light - dark) / 2);
  const TAgainstWindow measured = AgainstWindow(levels, kReach);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
      const int64_t distance = measured.Distance[i];
      const bool greyDark = distance < 0;
      if (greyDark != (bits(x, y) != 0)) continue;  // stays 0: not known
      const int64_t scaled =
          (distance < 0 ? -distance : distance) * 255 / (measured.Area[i] * half);
      confidence(x, y) = static_cast<uint8_t>(std::min<int64_t>(255, scaled));
    }
}

bool TModuleConfidence::Decide(const TPlaneInteger& levels, const TPlaneBoolean& read,
                               TPlaneBoolean& bits) {
  const int32_t w = levels.Width(), h = levels.Height();
  bits.Resize(w, h, 0);
  if (w < 1 || h < 1 || read.Width() != w || read.Height() != h) return false;
  const TAgainstWindow measured = AgainstWindow(levels, kReach);
  bool differs = false;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
      const bool dark = measured.Distance[i] < 0;
      bits(x, y) = dark ? 1 : 0;
      differs = differs || dark != (read(x, y) != 0);
    }
  return differs;
}

}  // namespace vornak
