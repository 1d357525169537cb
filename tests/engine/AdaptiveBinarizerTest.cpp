// The local threshold against the rule it implements, worked out pixel by
// pixel from the window of blocks round each pixel's block.

#include "engine/AdaptiveBinarizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "common/Types.h"
#include "engine/LocalThreshold.h"
#include "engine/MidwayBinarizer.h"

namespace vornak {
namespace {

// One block's window: its sum, area and extreme levels.
struct TWindow {
  int64_t Sum = 0;
  int64_t Area = 0;
  int64_t Darkest = 255;
  int64_t Lightest = 0;

  // level < mean - P / 100 (mean - lift), lift the darkest level above
  // black, and level <= mean - contrast, exactly.
  bool Dark(int64_t level) const {
    const int64_t lift = std::max<int64_t>(0, Darkest - TLocalThreshold::kBlack);
    const bool share = 100 * Area * level < Sum * (100 - TLocalThreshold::kPercent) +
                                                TLocalThreshold::kPercent * lift * Area;
    const bool contrast = level <= Sum / Area - TLocalThreshold::kMinContrast;
    return share && contrast;
  }
  // Mostly paper (the mean in the top third between darkest and lightest),
  // and its midway level dark by the rule above: the threshold is lowered
  // to that level.
  bool Lowered() const {
    return 3 * (Sum / Area - Darkest) >= 2 * (Lightest - Darkest) && Dark(Midway());
  }
  int64_t Midway() const { return (Darkest + Lightest + 1) / 2; }
};

// Every block's window, block row after block row.
std::vector<TWindow> Windows(const TPlaneGrey& grey, int32_t& columns) {
  const int32_t width = grey.Width(), height = grey.Height();
  const int32_t block = TLocalThreshold::BlockSize(width, height);
  const int32_t reach = TLocalThreshold::kWindowBlocks;
  columns = (width + block - 1) / block;
  std::vector<TWindow> windows;
  for (int32_t by = 0; by * block < height; ++by)
    for (int32_t bx = 0; bx * block < width; ++bx) {
      const int32_t x0 = std::max(0, (bx - reach) * block);
      const int32_t x1 = std::min(width, (bx + reach + 1) * block);
      const int32_t y0 = std::max(0, (by - reach) * block);
      const int32_t y1 = std::min(height, (by + reach + 1) * block);
      TWindow w;
      for (int32_t v = y0; v < y1; ++v)
        for (int32_t u = x0; u < x1; ++u) {
          w.Sum += grey(u, v);
          w.Darkest = std::min<int64_t>(w.Darkest, grey(u, v));
          w.Lightest = std::max<int64_t>(w.Lightest, grey(u, v));
        }
      w.Area = static_cast<int64_t>(x1 - x0) * (y1 - y0);
      windows.push_back(w);
    }
  return windows;
}

// The plain plane, or the midway one: below the midway level in a lowered
// block, by the plain rule in a block next to one, light elsewhere.
TPlaneBoolean ByTheRule(const TPlaneGrey& grey, bool midway) {
  const int32_t width = grey.Width(), height = grey.Height();
  const int32_t block = TLocalThreshold::BlockSize(width, height);
  int32_t columns = 0;
  const std::vector<TWindow> windows = Windows(grey, columns);
  const int32_t rows = static_cast<int32_t>(windows.size()) / std::max(1, columns);
  const auto lowered = [&](int32_t bx, int32_t by) {
    return bx >= 0 && by >= 0 && bx < columns && by < rows &&
           windows[static_cast<size_t>(by * columns + bx)].Lowered();
  };
  TPlaneBoolean result(width, height, 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const int32_t bx = x / block, by = y / block;
      const TWindow& w = windows[static_cast<size_t>(by * columns + bx)];
      bool near = !midway;
      for (int32_t dy = -1; dy <= 1 && !near; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) near = near || lowered(bx + dx, by + dy);
      if (midway && lowered(bx, by))
        result(x, y) = grey(x, y) < w.Midway() ? 1 : 0;
      else if (near)
        result(x, y) = w.Dark(grey(x, y)) ? 1 : 0;
    }
  return result;
}

TPlaneBoolean PlainThreshold(const TPlaneGrey& grey) { return ByTheRule(grey, false); }

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

// Paper with a few small dark marks, blurred grey between some of them:
// windows mostly of paper, whose thresholds come down to their midway
// level; and flat or evenly mixed pictures, where none does.
TPlaneGrey Paper(std::mt19937& random, int32_t width, int32_t height) {
  TPlaneGrey grey(width, height);
  const int32_t paper = 200 + static_cast<int32_t>(random() % 40);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      grey(x, y) = static_cast<uint8_t>(paper - static_cast<int32_t>(random() % 9));
  for (int32_t mark = 0; mark < 1 + static_cast<int32_t>(random() % 6); ++mark) {
    const int32_t x0 = static_cast<int32_t>(random() % static_cast<uint32_t>(width));
    const int32_t y0 = static_cast<int32_t>(random() % static_cast<uint32_t>(height));
    const int32_t side = 3 + static_cast<int32_t>(random() % 12);
    const auto ink = static_cast<uint8_t>(20 + random() % 60);
    const auto grey2 = static_cast<uint8_t>(120 + random() % 70);
    for (int32_t y = y0; y < std::min(height, y0 + side); ++y)
      for (int32_t x = x0; x < std::min(width, x0 + side); ++x)
        grey(x, y) = (x - x0 + y - y0) % 3 == 0 ? grey2 : ink;
  }
  return grey;
}

TEST(AdaptiveBinarizerTest, MidwayPlaneMatchesItsRuleOnEveryPixel) {
  std::mt19937 random(44);
  TLocalThreshold shared;
  TMidwayBinarizer midway(shared);
  EXPECT_STREQ(midway.Name(), "adaptive-midway");
  int32_t lowered = 0;
  for (int32_t round = 0; round < 36; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 320);
    const int32_t height = 1 + static_cast<int32_t>(random() % 240);
    const TPlaneGrey grey =
        round % 3 == 2 ? Picture(random, width, height) : Paper(random, width, height);
    shared.Forget();
    TPlaneBoolean plane(2, 2, 1);
    midway.Binarize(grey, {}, plane);
    const TPlaneBoolean expected = ByTheRule(grey, true);
    ASSERT_EQ(plane, expected) << width << " x " << height << " round " << round;
    // Blank when no block was lowered: then the plane is all light.
    const bool any = std::any_of(expected.Data().begin(), expected.Data().end(),
                                 [](uint8_t v) { return v != 0; });
    EXPECT_TRUE(!midway.Blank() || !any);
    lowered += midway.Blank() ? 0 : 1;
  }
  // The rule was put to the test: thresholds came down in most pictures.
  EXPECT_GT(lowered, 18);
}

// Where paper fills the window, a small finder's blurred light ring stays
// light on the midway plane, while the plain threshold closes it.
TEST(AdaptiveBinarizerTest, MidwayPlaneKeepsABlurredRingLight) {
  TPlaneGrey grey(900, 600, 232);
  // A finder of 3-pixel modules: core and outer ring dark, the light ring
  // between them left at the grey blur leaves.
  const int32_t x0 = 400, y0 = 300, module = 3;
  for (int32_t j = 0; j < 7; ++j)
    for (int32_t i = 0; i < 7; ++i) {
      const int32_t ring = std::max(std::abs(i - 3), std::abs(j - 3));
      const uint8_t level = ring == 2 ? 175 : 40;
      for (int32_t y = 0; y < module; ++y)
        for (int32_t x = 0; x < module; ++x) grey(x0 + i * module + x, y0 + j * module + y) = level;
    }
  TLocalThreshold shared;
  TAdaptiveBinarizer plain(TAdaptiveBinarizer::TPolarity::Plain, shared);
  TMidwayBinarizer midway(shared);
  TPlaneBoolean usual, lowered;
  plain.Binarize(grey, {}, usual);
  midway.Binarize(grey, {}, lowered);
  const int32_t ringX = x0 + module + 1, ringY = y0 + 3 * module + 1;
  const int32_t coreX = x0 + 3 * module + 1, coreY = y0 + 3 * module + 1;
  EXPECT_EQ(usual(ringX, ringY), 1);
  EXPECT_EQ(lowered(ringX, ringY), 0);
  EXPECT_EQ(lowered(coreX, coreY), 1);
  EXPECT_EQ(lowered(x0 + 1, y0 + 1), 1);
  EXPECT_FALSE(midway.Blank());
  // A flat picture lowers nothing.
  shared.Forget();
  midway.Binarize(TPlaneGrey(300, 200, 128), {}, lowered);
  EXPECT_TRUE(midway.Blank());
  EXPECT_EQ(lowered, TPlaneBoolean(300, 200, 0));
}

}  // namespace
}  // namespace vornak
