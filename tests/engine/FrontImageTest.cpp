#include "engine/FrontImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/Types.h"

namespace vornak {
namespace {

constexpr int32_t Rgb(int32_t red, int32_t green, int32_t blue) {
  return red | (green << 8) | (blue << 16);
}
constexpr int32_t Grey(int32_t value) { return Rgb(value, value, value); }

// A plane whose rows are given top to bottom as colour values.
TPlaneInteger MakePlane(const std::vector<std::vector<int32_t>>& rows) {
  const int32_t height = static_cast<int32_t>(rows.size());
  const int32_t width = height ? static_cast<int32_t>(rows[0].size()) : 0;
  TPlaneInteger plane(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) plane(x, y) = rows[y][x];
  return plane;
}

TEST(FrontImageTest, WorkedExample) {
  // Middle row 0, 0, 255, 255, 255: S = 765, T = 765 div 4 = 191; with the
  // default offset 7 a grey value of at most 183 is dark.
  const TPlaneInteger plane = MakePlane({
      {Grey(183), Grey(184), Rgb(0x80, 0x80, 0x80), Rgb(200, 100, 50), Grey(255)},
      {Grey(0), Grey(0), Grey(255), Grey(255), Grey(255)},
      {Grey(0), Grey(190), Grey(128), Grey(124), Grey(125)},
  });
  TFrontImage front;
  EXPECT_EQ(front.Resolver(), 7);
  TPlaneBoolean result;
  front.Binarize(plane, 5, 3, result);
  EXPECT_EQ(front.ComputeThreshold(), 191);
  EXPECT_EQ(front.Grey()(3, 0), 124);  // (6000 + 5900 + 550) div 100
  EXPECT_EQ(front.Grey()(2, 0), 128);
  const std::vector<std::vector<uint8_t>> expected = {
      {1, 0, 1, 1, 0},
      {1, 1, 0, 0, 0},
      {1, 0, 1, 1, 1},
  };
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(result(x, y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(result, front.Binary());
}

TEST(FrontImageTest, GreyWeightsTruncateAndIgnoreTopByte) {
  TPlaneInteger plane(4, 1);
  plane(0, 0) = Grey(77);        // equal channels keep their value
  plane(1, 0) = Rgb(255, 0, 0);  // 7650 div 100
  plane(2, 0) = Rgb(0, 0, 255);  // 2805 div 100
  plane(3, 0) = static_cast<int32_t>(0xFF000000u) | Rgb(1, 1, 1);
  TFrontImage front;
  TPlaneBoolean result;
  front.Binarize(plane, 4, 1, result);
  EXPECT_EQ(front.Grey()(0, 0), 77);
  EXPECT_EQ(front.Grey()(1, 0), 76);
  EXPECT_EQ(front.Grey()(2, 0), 28);
  EXPECT_EQ(front.Grey()(3, 0), 1);
  for (int32_t v = 0; v <= 255; ++v) {
    TPlaneInteger one(2, 1, Grey(v));
    front.Binarize(one, 2, 1, result);
    ASSERT_EQ(front.Grey()(0, 0), v);
  }
}

TEST(FrontImageTest, ThresholdExtremes) {
  TFrontImage front;
  TPlaneBoolean result;
  // A black middle row gives T = 0: nothing is dark.
  TPlaneInteger black(100, 3, Grey(0));
  front.Binarize(black, 100, 3, result);
  EXPECT_EQ(front.ComputeThreshold(), 0);
  for (uint8_t v : result.Data()) EXPECT_EQ(v, 0);

  // A white middle row of width 100 gives 25500 div 99 = 257: light greys
  // below 257 - 7 are dark, white is not.
  TPlaneInteger white(100, 3, Grey(255));
  white(0, 0) = Grey(249);
  white(1, 0) = Grey(250);
  front.Binarize(white, 100, 3, result);
  EXPECT_EQ(front.ComputeThreshold(), 257);
  EXPECT_EQ(result(0, 0), 1);
  EXPECT_EQ(result(1, 0), 0);
  EXPECT_EQ(result(5, 1), 0);
}

TEST(FrontImageTest, MiddleRowChoice) {
  // Height 1 takes row 0, heights 2 and 3 take row 1, height 4 takes row 2.
  for (int32_t height = 1; height <= 4; ++height) {
    TPlaneInteger plane(3, height, Grey(0));
    const int32_t middle = height / 2;
    for (int32_t x = 0; x < 3; ++x) plane(x, middle) = Grey(100);
    TFrontImage front;
    TPlaneBoolean result;
    front.Binarize(plane, 3, height, result);
    EXPECT_EQ(front.ComputeThreshold(), 150) << height;  // 300 div 2
  }
}

TEST(FrontImageTest, ResolverChangesOnlyClassification) {
  TPlaneInteger plane(3, 1);
  plane(0, 0) = Grey(0);
  plane(1, 0) = Grey(100);
  plane(2, 0) = Grey(200);  // T = 300 div 2 = 150
  TFrontImage front;
  TPlaneBoolean first;
  front.Binarize(plane, 3, 1, first);
  EXPECT_EQ(front.ComputeThreshold(), 150);
  EXPECT_EQ(first(1, 0), 1);  // 107 < 150
  front.SetResolver(50);      // 150 < 150 is false
  TPlaneBoolean second;
  front.Binarize(plane, 3, 1, second);
  EXPECT_EQ(front.ComputeThreshold(), 150);
  EXPECT_EQ(second(0, 0), 1);
  EXPECT_EQ(second(1, 0), 0);
  // The first result is the caller's own copy.
  EXPECT_EQ(first(1, 0), 1);
  front.SetResolver(49);  // 149 < 150
  front.Binarize(plane, 3, 1, second);
  EXPECT_EQ(second(1, 0), 1);
}

TEST(FrontImageTest, DegeneratePlanesHaveNoDarkPixel) {
  struct Case {
    int32_t width, height;
  };
  for (const Case c : {Case{0, 0}, Case{0, 5}, Case{1, 1}, Case{1, 7}, Case{5, 0}}) {
    TPlaneInteger plane(c.width, c.height, Grey(0));
    TFrontImage front;
    front.SetResolver(-20);  // even an offset that would darken black
    TPlaneBoolean result(3, 3, 1);
    front.Binarize(plane, c.width, c.height, result);
    EXPECT_EQ(result.Width(), c.width);
    EXPECT_EQ(result.Height(), c.height);
    for (uint8_t v : result.Data()) EXPECT_EQ(v, 0);
    EXPECT_EQ(front.ComputeThreshold(), 0);
  }
}

TEST(FrontImageTest, ExtentsBeyondThePlaneAreCut) {
  TPlaneInteger plane(4, 2, Grey(0));
  TFrontImage front;
  TPlaneBoolean result;
  front.Binarize(plane, 40, 20, result);
  EXPECT_EQ(result.Width(), 4);
  EXPECT_EQ(result.Height(), 2);
}

// Every colour weighs to (30 r + 59 g + 11 b) div 100, and a pixel is dark
// when grey + offset < threshold in exact arithmetic, whatever the offset;
// the picture's rows give the same planes as a colour plane.
class FrontImageOffsetTest : public testing::TestWithParam<int32_t> {};

TEST_P(FrontImageOffsetTest, GreyAndThresholdFollowTheRuleExactly) {
  std::mt19937 random(static_cast<uint32_t>(GetParam()) ^ 0x5eedU);
  const int32_t width = 37, height = 9;
  TPlaneInteger colours(width, height);
  TBitmap bitmap(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      // Corners of the colour cube now and then, where rounding is tightest.
      const uint32_t c = random() % 4 == 0 ? (random() % 2 ? 0xFFFFFFFFU : 0U) : random();
      colours(x, y) = static_cast<int32_t>(c);
      bitmap.SetPixel(x, y, c);
    }
  TFrontImage front, fromBitmap;
  front.SetResolver(GetParam());
  fromBitmap.SetResolver(GetParam());
  TPlaneBoolean result, bitmapResult;
  front.Binarize(colours, width, height, result);
  fromBitmap.Binarize(bitmap, bitmapResult);
  int64_t sum = 0;
  for (int32_t x = 0; x < width; ++x) {
    const auto c = static_cast<uint32_t>(colours(x, height / 2));
    sum += (30 * (c & 0xFF) + 59 * ((c >> 8) & 0xFF) + 11 * ((c >> 16) & 0xFF)) / 100;
  }
  const int64_t threshold = sum / (width - 1);
  ASSERT_EQ(front.ComputeThreshold(), threshold);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const auto c = static_cast<uint32_t>(colours(x, y));
      const int64_t grey =
          (30 * (c & 0xFF) + 59 * ((c >> 8) & 0xFF) + 11 * ((c >> 16) & 0xFF)) / 100;
      ASSERT_EQ(front.Grey()(x, y), grey);
      ASSERT_EQ(result(x, y), grey + GetParam() < threshold ? 1 : 0) << x << "," << y;
    }
  EXPECT_EQ(bitmapResult, result);
  EXPECT_EQ(fromBitmap.Grey(), front.Grey());
}

INSTANTIATE_TEST_SUITE_P(Offsets, FrontImageOffsetTest,
                         testing::Values(std::numeric_limits<int32_t>::min(), -300, -1, 0, 7, 120,
                                         255, 300, std::numeric_limits<int32_t>::max()));

TEST(FrontImageTest, GreyWeighsEveryLevelOfEachChannel) {
  // The weighted sum's division holds for every level of each channel alone
  // and of all three together.
  TPlaneInteger plane(256, 4);
  for (int32_t v = 0; v < 256; ++v) {
    plane(v, 0) = Rgb(v, 0, 0);
    plane(v, 1) = Rgb(0, v, 0);
    plane(v, 2) = Rgb(0, 0, v);
    plane(v, 3) = Rgb(v, 255 - v, v / 2);
  }
  TFrontImage front;
  TPlaneBoolean result;
  front.Binarize(plane, 256, 4, result);
  for (int32_t v = 0; v < 256; ++v) {
    EXPECT_EQ(front.Grey()(v, 0), 30 * v / 100);
    EXPECT_EQ(front.Grey()(v, 1), 59 * v / 100);
    EXPECT_EQ(front.Grey()(v, 2), 11 * v / 100);
    EXPECT_EQ(front.Grey()(v, 3), (30 * v + 59 * (255 - v) + 11 * (v / 2)) / 100);
  }
}

}  // namespace
}  // namespace vornak
