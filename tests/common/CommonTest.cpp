#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <type_traits>

#include "common/Arith.h"
#include "common/Base.h"
#include "common/Types.h"

namespace vornak {
namespace {

struct RoundCase {
  long double value;
  long double expected;
};

void PrintTo(const RoundCase& c, std::ostream* os) {
  *os << static_cast<double>(c.value) << " -> " << static_cast<double>(c.expected);
}

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEvenTest, HalvesGoToEven) {
  EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().expected);
  EXPECT_EQ(RoundInt32(GetParam().value), static_cast<int32_t>(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, RoundHalfEvenTest,
                         ::testing::Values(RoundCase{0.5L, 0}, RoundCase{1.5L, 2},
                                           RoundCase{2.5L, 2}, RoundCase{-0.5L, 0},
                                           RoundCase{-1.5L, -2}, RoundCase{-2.5L, -2},
                                           RoundCase{2.4999999L, 2}, RoundCase{2.5000001L, 3},
                                           RoundCase{-7.75L, -8}));

// The quick rounding is nearbyintl's in the default mode, bit for bit:
// halves, values just either side of them, large and tiny magnitudes,
// signed zeros, infinities and NaN.
TEST(Arith, RoundHalfEvenIsTheLibraryRoundingBitForBit) {
  const auto same = [](long double v) {
    const long double got = RoundHalfEven(v), want = std::nearbyintl(v);
    if (std::isnan(want)) return std::isnan(got);
    return got == want && std::signbit(got) == std::signbit(want);
  };
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int32_t i = 0; i < 200000; ++i) {
    const int32_t scale = static_cast<int32_t>(random() % 70) - 4;
    const long double v = std::ldexp(static_cast<long double>(unit(random)), scale);
    ASSERT_TRUE(same(v)) << static_cast<double>(v);
    const long double half = std::floor(v) + 0.5L;
    ASSERT_TRUE(same(half)) << static_cast<double>(half);
    ASSERT_TRUE(same(std::nextafter(half, 0.0L)));
    ASSERT_TRUE(same(std::nextafter(half, half + 1)));
  }
  for (long double v :
       {0.0L, -0.0L, 0.49999999999999999997L, -0.3L, 0x1p62L + 0.5L, -0x1p62L - 0.5L, 0x1p63L - 1,
        0x1p63L, -0x1p63L, 0x1p64L, std::numeric_limits<long double>::denorm_min(),
        -std::numeric_limits<long double>::denorm_min(), std::numeric_limits<long double>::max(),
        std::numeric_limits<long double>::infinity(), -std::numeric_limits<long double>::infinity(),
        std::numeric_limits<long double>::quiet_NaN()})
    EXPECT_TRUE(same(v)) << static_cast<double>(v);
}

// The pixel of a continuous coordinate is its floor, clamped to +-1e9.
TEST(Arith, FloorToPixelIsTheClampedFloor) {
  std::mt19937_64 random(9);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int32_t i = 0; i < 100000; ++i) {
    const long double v =
        std::ldexp(static_cast<long double>(unit(random)), static_cast<int32_t>(random() % 36) - 4);
    const long double expected = std::clamp(std::floor(v), -1.0e9L, 1.0e9L);
    ASSERT_EQ(FloorToPixel(v), static_cast<int64_t>(expected)) << static_cast<double>(v);
  }
  EXPECT_EQ(FloorToPixel(-0.5L), -1);
  EXPECT_EQ(FloorToPixel(-0.0L), 0);
  EXPECT_EQ(FloorToPixel(2.999999999999999999L), 2);
  EXPECT_EQ(FloorToPixel(-1.0e9L - 0.5L), -1000000000);
  EXPECT_EQ(FloorToPixel(1.0e9L + 0.5L), 1000000000);
  EXPECT_EQ(FloorToPixel(std::numeric_limits<long double>::infinity()), 1000000000);
  EXPECT_EQ(FloorToPixel(-std::numeric_limits<long double>::infinity()), -1000000000);
  EXPECT_EQ(FloorToPixel(std::numeric_limits<long double>::quiet_NaN()), -1000000000);
  EXPECT_EQ(WholeToInt64(-4503599627370495.0L), -4503599627370495);
}

TEST(Arith, TruncGoesTowardZero) {
  EXPECT_EQ(TruncInt32(2.9L), 2);
  EXPECT_EQ(TruncInt32(-2.9L), -2);
  EXPECT_EQ(TruncInt32(-0.1L), 0);
}

TEST(Arith, OverflowIsProgramError) {
  EXPECT_FALSE(TryRoundInt32(3e9L).has_value());
  EXPECT_FALSE(TryRoundInt32(std::numeric_limits<long double>::infinity()).has_value());
  EXPECT_FALSE(TryRoundInt32(std::numeric_limits<long double>::quiet_NaN()).has_value());
  EXPECT_EQ(TryRoundInt32(2147483647.4L), 2147483647);
  EXPECT_FALSE(TryRoundInt32(2147483647.5L).has_value());
  try {
    RoundInt32(-1e12L);
    FAIL() << "no exception";
  } catch (const EMathError& e) {
    EXPECT_STREQ(e.what(), "Program Error");
  }
}

TEST(Base, ErrorCodeOutsideTableIsIgnored) {
  TBase base;
  EXPECT_EQ(base.ErrorCode(), 0);
  base.SetErrorCode(3);
  base.SetErrorCode(11);
  base.SetErrorCode(-1);
  EXPECT_EQ(base.ErrorCode(), 3);
  base.SetErrorCode(10);
  EXPECT_EQ(base.ErrorCode(), 10);
  base.SetErrorCode(0);
  EXPECT_EQ(base.ErrorCode(), 0);
}

TEST(Plane, IndexesColumnThenRowAndReadsOutsideSafely) {
  TPlaneInteger plane(3, 2, 0);
  plane(2, 1) = 7;
  EXPECT_EQ(plane.Row(1)[2], 7);
  EXPECT_EQ(plane.At(2, 1, -1), 7);
  EXPECT_EQ(plane.At(3, 1, -1), -1);
  EXPECT_EQ(plane.At(-1, 0, -1), -1);
  EXPECT_EQ(plane.At(0, 2, -1), -1);
  TPlaneBoolean empty(5, 0);
  EXPECT_TRUE(empty.Empty());
  EXPECT_FALSE(empty.Inside(0, 0));
}

// A grey picture handed where a two-level plane belongs would be read as
// almost all dark: the two must not convert into each other.
static_assert(!std::is_convertible_v<const TPlaneGrey&, const TPlaneBoolean&>);
static_assert(!std::is_convertible_v<const TPlaneBoolean&, const TPlaneGrey&>);

TEST(Bitmap, ColourLayoutIsRedLow) {
  TBitmap bitmap(2, 2);
  bitmap.SetPixel(1, 0, TBitmap::Rgb(200, 100, 50));
  EXPECT_EQ(bitmap.Pixel(1, 0), 0x3264C8u);
  EXPECT_EQ(bitmap.Pixel(0, 0), 0xFFFFFFu);
}

}  // namespace
}  // namespace vornak
