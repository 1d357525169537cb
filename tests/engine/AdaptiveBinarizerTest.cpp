// The local threshold against the rule it implements, worked out pixel by
// pixel from the window of blocks round each pixel's block.

#include "engine/AdaptiveBinarizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "common/Types.h"
#include "engine/GlobalBinarizer.h"
#include "engine/InvertedBinarizer.h"

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

// Smooth light with noise, dark marks and saturated patches, so that every
// comparison falls on both sides somewhere.
TPlaneGrey Picture(std::mt19937& random, int32_t width, int32_t height) {
  TPlaneGrey grey(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      int32_t level = 60 + (x * 150) / width + static_cast<int32_t>(random() % 21) - 10;
      if ((x / 5 + y / 7) % 3 == 0) level /= 2;
      if (random() % 50 == 0) level = random() % 2 ? 0 : 255;
      grey(x, y) = static_cast<uint8_t>(std::clamp(level, 0, 255));
    }
  return grey;
}

TEST(AdaptiveBinarizerTest, MatchesTheWindowRuleOnEveryPixel) {
  std::mt19937 random(12);
  for (int32_t round = 0; round < 24; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 260);
    const int32_t height = 1 + static_cast<int32_t>(random() % 200);
    const TPlaneGrey grey = Picture(random, width, height);
    TAdaptiveBinarizer adaptive;
    TPlaneBoolean plane;
    adaptive.Binarize(grey, plane);
    ASSERT_EQ(plane, PlainThreshold(grey)) << width << " x " << height;
  }
}

// The inverted plane made from the window sums of the plain one is the plane
// of the negated picture, pixel for pixel: on pictures of every extent, on
// flat and saturated ones (means on whole levels, thresholds out of range),
// and on ones that vary in fine steps (remainders on both sides).
TEST(AdaptiveBinarizerTest, NegatedPlaneFromTheSameSumsIsTheInvertedPlane) {
  std::mt19937 random(31);
  for (int32_t round = 0; round < 40; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 300);
    const int32_t height = 1 + static_cast<int32_t>(random() % 220);
    TPlaneGrey grey = Picture(random, width, height);
    if (round % 4 == 1) grey.Resize(width, height, static_cast<uint8_t>(random() % 2 ? 0 : 255));
    if (round % 4 == 2)
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          grey(x, y) = static_cast<uint8_t>(random() % 2 ? 118 + (x + y) % 19 : random() % 256);
    TAdaptiveBinarizer adaptive;
    TPlaneBoolean plane;
    adaptive.Binarize(grey, plane);
    TInvertedBinarizer inverted(std::make_unique<TAdaptiveBinarizer>());
    TPlaneBoolean expected;
    inverted.Binarize(grey, expected);
    TPlaneBoolean negated;
    ASSERT_TRUE(inverted.BinarizeAfter(adaptive, grey, negated));
    ASSERT_EQ(negated, expected) << width << " x " << height << " round " << round;
  }
}

// It declines what it cannot use: another kind of binarizer, extents other
// than the last picture's, an empty picture; then the result is untouched.
TEST(AdaptiveBinarizerTest, NegatedPlaneNeedsTheSumsOfTheSamePicture) {
  std::mt19937 random(5);
  const TPlaneGrey grey = Picture(random, 90, 60);
  TInvertedBinarizer inverted(std::make_unique<TAdaptiveBinarizer>());
  TPlaneBoolean result(3, 3, 7);
  TGlobalBinarizer global;
  global.Binarize(grey, result);
  result = TPlaneBoolean(3, 3, 7);
  EXPECT_FALSE(inverted.BinarizeAfter(global, grey, result));
  TAdaptiveBinarizer adaptive;
  EXPECT_FALSE(inverted.BinarizeAfter(adaptive, grey, result));  // nothing binarized yet
  adaptive.Binarize(Picture(random, 60, 90), result);
  result = TPlaneBoolean(3, 3, 7);
  EXPECT_FALSE(inverted.BinarizeAfter(adaptive, grey, result));
  adaptive.Binarize(TPlaneGrey(), result);
  EXPECT_FALSE(inverted.BinarizeAfter(adaptive, TPlaneGrey(), result));
  EXPECT_EQ(result, TPlaneBoolean());
  result = TPlaneBoolean(3, 3, 7);
  EXPECT_FALSE(inverted.BinarizeAfter(adaptive, grey, result));
  EXPECT_EQ(result, TPlaneBoolean(3, 3, 7));
  // An inverted binarizer over another kind cannot use a local threshold's sums.
  TInvertedBinarizer invertedGlobal(std::make_unique<TGlobalBinarizer>());
  adaptive.Binarize(grey, result);
  EXPECT_FALSE(invertedGlobal.BinarizeAfter(adaptive, grey, result));
}

}  // namespace
}  // namespace vornak
