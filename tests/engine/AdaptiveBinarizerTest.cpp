// The local threshold against the rule it implements, worked out pixel by
// pixel from the window of blocks round each pixel's block.

#include "engine/AdaptiveBinarizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "common/Types.h"
#include "engine/LocalThreshold.h"

namespace vornak {
namespace {

TPlaneBoolean PlainThreshold(const TPlaneGrey& grey) {
  const int32_t width = grey.Width(), height = grey.Height();
  const int32_t block = TLocalThreshold::BlockSize(width, height);
  const int32_t reach = TLocalThreshold::kWindowBlocks;
  TPlaneBoolean result(width, height, 0);
  // Every pixel of a block has the same window.
  for (int32_t by = 0; by * block < height; ++by)
    for (int32_t bx = 0; bx * block < width; ++bx) {
      const int32_t x0 = std::max(0, (bx - reach) * block);
      const int32_t x1 = std::min(width, (bx + reach + 1) * block);
      const int32_t y0 = std::max(0, (by - reach) * block);
      const int32_t y1 = std::min(height, (by + reach + 1) * block);
      int64_t sum = 0;
      int64_t darkest = 255;
      for (int32_t v = y0; v < y1; ++v)
        for (int32_t u = x0; u < x1; ++u) {
          sum += grey(u, v);
          darkest = std::min<int64_t>(darkest, grey(u, v));
        }
      const int64_t area = static_cast<int64_t>(x1 - x0) * (y1 - y0);
      const int64_t lift = std::max<int64_t>(0, darkest - TLocalThreshold::kBlack);
      for (int32_t y = by * block; y < std::min(height, (by + 1) * block); ++y)
        for (int32_t x = bx * block; x < std::min(width, (bx + 1) * block); ++x) {
          const int64_t level = grey(x, y);
          // level < mean - P / 100 (mean - lift), lift the darkest level
          // above black, and level <= mean - contrast, exactly.
          const bool share = 100 * area * level < sum * (100 - TLocalThreshold::kPercent) +
                                                      TLocalThreshold::kPercent * lift * area;
          const bool contrast = level <= sum / area - TLocalThreshold::kMinContrast;
          result(x, y) = share && contrast ? 1 : 0;
        }
    }
  return result;
}

// Smooth light with noise, dark marks and saturated patches, so that every
// comparison falls on both sides somewhere. Lifted: the lower rows squeezed
// towards white, as under glare, so that windows there hold no black.
TPlaneGrey Picture(std::mt19937& random, int32_t width, int32_t height, bool lifted = false) {
  TPlaneGrey grey(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      int32_t level = 60 + (x * 150) / width + static_cast<int32_t>(random() % 21) - 10;
      if ((x / 5 + y / 7) % 3 == 0) level /= 2;
      if (random() % 50 == 0) level = random() % 2 ? 0 : 255;
      level = std::clamp(level, 0, 255);
      if (lifted && 2 * y >= height) level = 90 + level * 165 / 255;
      grey(x, y) = static_cast<uint8_t>(level);
    }
  return grey;
}

TEST(AdaptiveBinarizerTest, MatchesTheWindowRuleOnEveryPixel) {
  std::mt19937 random(12);
  for (int32_t round = 0; round < 24; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 260);
    const int32_t height = 1 + static_cast<int32_t>(random() % 200);
    const TPlaneGrey grey = Picture(random, width, height, round % 2 == 1);
    TAdaptiveBinarizer adaptive;
    TPlaneBoolean plane;
    adaptive.Binarize(grey, {}, plane);
    ASSERT_EQ(plane, PlainThreshold(grey)) << width << " x " << height;
  }
}

// A large photograph's blocks stop growing: its window stays a small
// symbol's size.
TEST(AdaptiveBinarizerTest, LargePicturesKeepTheMostBlock) {
  EXPECT_EQ(TLocalThreshold::BlockSize(240, 240), 240 / TLocalThreshold::kBlockDivisor);
  EXPECT_EQ(TLocalThreshold::BlockSize(4000, 3000), TLocalThreshold::kMostBlock);
  EXPECT_EQ(TLocalThreshold::BlockSize(1, 5000), TLocalThreshold::kMinBlock);
  std::mt19937 random(31);
  const TPlaneGrey grey = Picture(random, 1300, 900, false);
  TAdaptiveBinarizer adaptive;
  TPlaneBoolean plane;
  adaptive.Binarize(grey, {}, plane);
  EXPECT_EQ(plane, PlainThreshold(grey));
}

TPlaneGrey Negated(const TPlaneGrey& grey) {
  TPlaneGrey negated(grey.Width(), grey.Height());
  for (size_t i = 0; i < grey.Data().size(); ++i)
    negated.Data()[i] = static_cast<uint8_t>(255 - grey.Data()[i]);
  return negated;
}

// The inverted plane made from the window sums of the plain one is the plane
// of the negated picture, pixel for pixel: on pictures of every extent, on
// flat and saturated ones (means on whole levels, thresholds out of range),
// and on ones that vary in fine steps (remainders on both sides).
TEST(AdaptiveBinarizerTest, NegatedPlaneFromTheSameSumsIsTheInvertedPlane) {
  using TPolarity = TAdaptiveBinarizer::TPolarity;
  std::mt19937 random(31);
  TLocalThreshold shared;
  TAdaptiveBinarizer plain(TPolarity::Plain, shared);
  TAdaptiveBinarizer inverted(TPolarity::Inverted, shared);
  EXPECT_STREQ(inverted.Name(), "adaptive-inverted");
  for (int32_t round = 0; round < 40; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 300);
    const int32_t height = 1 + static_cast<int32_t>(random() % 220);
    TPlaneGrey grey = Picture(random, width, height, round % 8 >= 4);
    if (round % 4 == 1) grey.Resize(width, height, static_cast<uint8_t>(random() % 2 ? 0 : 255));
    if (round % 4 == 2)
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          grey(x, y) = static_cast<uint8_t>(random() % 2 ? 118 + (x + y) % 19 : random() % 256);
    TPlaneBoolean expected;
    TAdaptiveBinarizer().Binarize(Negated(grey), {}, expected);
    // From sums the plain plane took, and from sums of its own.
    shared.Forget();
    TPlaneBoolean plane, negated;
    plain.Binarize(grey, {}, plane);
    inverted.Binarize(grey, {}, negated);
    ASSERT_EQ(negated, expected) << width << " x " << height << " round " << round;
    TAdaptiveBinarizer(TPolarity::Inverted).Binarize(grey, {}, negated);
    ASSERT_EQ(negated, expected) << width << " x " << height << " round " << round;
  }
}

// Sums are never those of another picture: a binarizer with a threshold of
// its own measures each picture, a shared threshold measures again after
// Forget or for other extents, and an empty picture gives an empty plane.
TEST(AdaptiveBinarizerTest, SumsAreThoseOfThePictureAtHand) {
  using TPolarity = TAdaptiveBinarizer::TPolarity;
  std::mt19937 random(5);
  const TPlaneGrey first = Picture(random, 90, 60);
  TPlaneGrey second = Picture(random, 90, 60);
  for (uint8_t& level : second.Data()) level = static_cast<uint8_t>(level / 3);
  const TPlaneGrey other = Picture(random, 60, 90);
  TPlaneBoolean result;

  TAdaptiveBinarizer own(TPolarity::Inverted);
  own.Binarize(first, {}, result);
  own.Binarize(second, {}, result);
  EXPECT_EQ(result, PlainThreshold(Negated(second)));

  TLocalThreshold shared;
  TAdaptiveBinarizer plain(TPolarity::Plain, shared);
  TAdaptiveBinarizer inverted(TPolarity::Inverted, shared);
  plain.Binarize(first, {}, result);
  EXPECT_EQ(result, PlainThreshold(first));
  shared.Forget();
  inverted.Binarize(second, {}, result);
  EXPECT_EQ(result, PlainThreshold(Negated(second)));
  plain.Binarize(other, {}, result);
  EXPECT_EQ(result, PlainThreshold(other));
  result = TPlaneBoolean(3, 3, 7);
  inverted.Binarize(TPlaneGrey(), {}, result);
  EXPECT_EQ(result, TPlaneBoolean());
}

}  // namespace
}  // namespace vornak
