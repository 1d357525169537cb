// The local threshold against the rule it implements, worked out pixel by
// pixel from the window of blocks round each pixel's block.

#include "engine/AdaptiveBinarizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "common/Types.h"

namespace vornak {
namespace {

TPlaneBoolean PlainThreshold(const TPlaneGrey& grey) {
  const int32_t width = grey.Width(), height = grey.Height();
  const int32_t block = TAdaptiveBinarizer::BlockSize(width, height);
  const int32_t reach = TAdaptiveBinarizer::kWindowBlocks;
  TPlaneBoolean result(width, height, 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const int32_t bx = x / block, by = y / block;
      const int32_t x0 = std::max(0, (bx - reach) * block);
      const int32_t x1 = std::min(width, (bx + reach + 1) * block);
      const int32_t y0 = std::max(0, (by - reach) * block);
      const int32_t y1 = std::min(height, (by + reach + 1) * block);
      int64_t sum = 0;
      for (int32_t v = y0; v < y1; ++v)
        for (int32_t u = x0; u < x1; ++u) sum += grey(u, v);
      const int64_t area = static_cast<int64_t>(x1 - x0) * (y1 - y0);
      const int64_t level = grey(x, y);
      // level < mean (100 - P) / 100 and level <= mean - contrast, exactly.
      const bool share = 100 * area * level < sum * (100 - TAdaptiveBinarizer::kPercent);
      const bool contrast = level <= sum / area - TAdaptiveBinarizer::kMinContrast;
      result(x, y) = share && contrast ? 1 : 0;
    }
  return result;
}

TEST(AdaptiveBinarizerTest, MatchesTheWindowRuleOnEveryPixel) {
  std::mt19937 random(12);
  for (int32_t round = 0; round < 24; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 260);
    const int32_t height = 1 + static_cast<int32_t>(random() % 200);
    TPlaneGrey grey(width, height);
    // Smooth light with noise, dark marks and saturated patches, so that
    // every comparison falls on both sides somewhere.
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        int32_t level = 60 + (x * 150) / width + static_cast<int32_t>(random() % 21) - 10;
        if ((x / 5 + y / 7) % 3 == 0) level /= 2;
        if (random() % 50 == 0) level = random() % 2 ? 0 : 255;
        grey(x, y) = static_cast<uint8_t>(std::clamp(level, 0, 255));
      }
    TAdaptiveBinarizer adaptive;
    TPlaneBoolean plane;
    adaptive.Binarize(grey, plane);
    ASSERT_EQ(plane, PlainThreshold(grey)) << width << " x " << height;
  }
}

}  // namespace
}  // namespace vornak
