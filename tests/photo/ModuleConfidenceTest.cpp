#include "photo/ModuleConfidence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

// The grey levels a sampler reads off a symbol photographed under a glare
// spot: dark modules 40, light ones 210, everything within the spot's reach
// lifted by up to lift levels (clipped at 255), and every lone dark module
// (light on all four sides) blurred a third of the way to the light.
TPlaneInteger Levels(const TPlaneBoolean& matrix, int32_t spotX, int32_t spotY, double lift) {
  const int32_t n = matrix.Width();
  TPlaneInteger levels(n, n, 0);
  const auto dark = [&](int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < n && y < n && matrix(x, y) != 0;
  };
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      double level = dark(x, y) ? 40 : 210;
      const bool lone =
          dark(x, y) && !dark(x - 1, y) && !dark(x + 1, y) && !dark(x, y - 1) && !dark(x, y + 1);
      if (lone) level = 40 + (210 - 40) / 3.0;
      const double d = std::hypot(x - spotX, y - spotY);
      level += lift * std::exp(-d * d / 80);
      levels(x, y) = static_cast<int32_t>(std::min(255.0, level));
    }
  return levels;
}

// One fixed threshold over the whole symbol, as a plane thresholded over a
// wide area reads it.
TPlaneBoolean FixedThreshold(const TPlaneInteger& levels, int32_t threshold) {
  TPlaneBoolean bits(levels.Width(), levels.Height(), 0);
  for (int32_t y = 0; y < levels.Height(); ++y)
    for (int32_t x = 0; x < levels.Width(); ++x) bits(x, y) = levels(x, y) < threshold ? 1 : 0;
  return bits;
}

int32_t Differences(const TPlaneBoolean& a, const TPlaneBoolean& b) {
  int32_t count = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) count += (a(x, y) != 0) != (b(x, y) != 0) ? 1 : 0;
  return count;
}

TEST(ModuleConfidenceTest, DecideReadsEachModuleAgainstTheModulesRoundIt) {
  const test::ReferenceSymbol symbol = test::Make("MODULES UNDER GLARE AND BLUR", 3, 1, 2);
  const TPlaneInteger levels = Levels(symbol.Matrix, 20, 9, 120);
  // A threshold fixed for the symbol as a whole loses the modules under the
  // spot and the lone blurred ones.
  const TPlaneBoolean plane = FixedThreshold(levels, 125);
  ASSERT_GT(Differences(plane, symbol.Matrix), 20);
  TPlaneBoolean decided;
  EXPECT_TRUE(TModuleConfidence::Decide(levels, plane, decided));
  EXPECT_EQ(Differences(decided, symbol.Matrix), 0);
  // Read as the levels decide already, nothing is new.
  TPlaneBoolean again;
  EXPECT_FALSE(TModuleConfidence::Decide(levels, decided, again));
  EXPECT_EQ(Differences(again, decided), 0);
}

TEST(ModuleConfidenceTest, RateTrustsOnlyWhatDecideReads) {
  const test::ReferenceSymbol symbol = test::Make("CONFIDENCE", 2, 0, 5);
  const TPlaneInteger levels = Levels(symbol.Matrix, 5, 18, 90);
  const TPlaneBoolean plane = FixedThreshold(levels, 125);
  TPlaneBoolean decided;
  TModuleConfidence::Decide(levels, plane, decided);
  TPlaneConfidence confidence;
  TModuleConfidence::Rate(levels, plane, confidence);
  for (int32_t y = 0; y < plane.Height(); ++y)
    for (int32_t x = 0; x < plane.Width(); ++x) {
      if ((plane(x, y) != 0) != (decided(x, y) != 0)) {
        EXPECT_EQ(confidence(x, y), 0) << x << "," << y;
      }
    }
  TModuleConfidence::Rate(levels, decided, confidence);
  int32_t known = 0;
  for (uint8_t c : confidence.Data()) known += c > 0 ? 1 : 0;
  EXPECT_GT(known, plane.Width() * plane.Height() * 9 / 10);
}

TEST(ModuleConfidenceTest, DecideRefusesOtherExtents) {
  const TPlaneInteger levels(21, 21, 100);
  const TPlaneBoolean read(25, 25, 0);
  TPlaneBoolean bits;
  EXPECT_FALSE(TModuleConfidence::Decide(levels, read, bits));
  EXPECT_FALSE(TModuleConfidence::Decide(TPlaneInteger(), TPlaneBoolean(), bits));
}

}  // namespace
}  // namespace vornak
