#include <gtest/gtest.h>

#include <numbers>

#include "common/Errors.h"
#include "locate/PrincipalPattern.h"

namespace vornak {
namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

TEST(PrincipalPattern, LengthsAnglesAndPitches) {
  TPrincipalPattern p(TPoint{10, 10}, TPoint{110, 10}, TPoint{10, 110});
  EXPECT_EQ(p.LengthA(), 100.0L);
  EXPECT_EQ(p.LengthB(), 100.0L);
  EXPECT_EQ(p.AngleA(), 0.0L);
  EXPECT_EQ(p.AngleB(), kPi / 2);
  EXPECT_EQ(p.PitchA(), 0.0L);
  EXPECT_EQ(p.PitchB(), 0.0L);
  p.SetVersion(1);
  EXPECT_EQ(p.PitchA(), 100.0L / 14.0L);
  EXPECT_EQ(p.PitchB(), 100.0L / 14.0L);
  p.SetVersion(40);
  EXPECT_EQ(p.PitchA(), 100.0L / 170.0L);
  // The last call counts.
  p.SetVersion(1);
  EXPECT_EQ(p.PitchB(), 100.0L / 14.0L);
  // Lengths are not rounded.
  TPrincipalPattern q(TPoint{0, 0}, TPoint{3, 3}, TPoint{0, 0});
  EXPECT_NEAR(static_cast<double>(q.LengthA()), 4.242640687, 1e-9);
}

TEST(PrincipalPattern, ModuleOffsetRoundsHalfToEven) {
  TPrincipalPattern p(TPoint{10, 10}, TPoint{110, 10}, TPoint{10, 110});
  p.SetVersion(1);
  // X = 110 - 50 = 60, Y = 10 - 21.43 = -11.43.
  EXPECT_EQ(p.ModuleOffset(-7, -3, TPoint{110, 10}), (TPoint{60, -11}));
  // Pitch 2 along x and y: offsets of x.5 pixels land on the even neighbour.
  TPrincipalPattern q(TPoint{0, 0}, TPoint{28, 0}, TPoint{0, 28});
  q.SetVersion(1);
  EXPECT_EQ(q.PitchA(), 2.0L);
  TPrincipalPattern half(TPoint{0, 0}, TPoint{7, 0}, TPoint{0, 7});  // pitch 0.5
  half.SetVersion(1);
  EXPECT_EQ(half.ModuleOffset(5, 0, TPoint{0, 0}), (TPoint{2, 0}));    // 2.5 -> 2
  EXPECT_EQ(half.ModuleOffset(7, 0, TPoint{0, 0}), (TPoint{4, 0}));    // 3.5 -> 4
  EXPECT_EQ(half.ModuleOffset(0, -5, TPoint{0, 0}), (TPoint{0, -2}));  // -2.5 -> -2
  EXPECT_EQ(half.ModuleOffset(3, 3, TPoint{1, 1}), (TPoint{2, 2}));    // 2.5 -> 2 after adding base
  TPoint out;
  half.ModuleOffset(1, 1, TPoint{100, 200}, out);
  EXPECT_EQ(out, (TPoint{100, 200}));  // 100.5 -> 100, 200.5 -> 200
}

TEST(PrincipalPattern, HalfTurnKeepsNegativeAngles) {
  TPrincipalPattern p(TPoint{110, 110}, TPoint{10, 110}, TPoint{110, 10});
  EXPECT_EQ(p.AngleA(), kPi);
  EXPECT_EQ(p.AngleB(), -kPi / 2);
  p.SetVersion(1);
  EXPECT_EQ(p.ModuleOffset(14, 14, TPoint{110, 110}), (TPoint{10, 10}));
}

TEST(PrincipalPattern, CoincidingCentresIgnoreThatAxis) {
  TPrincipalPattern p(TPoint{50, 50}, TPoint{50, 50}, TPoint{50, 150});
  EXPECT_EQ(p.LengthA(), 0.0L);
  EXPECT_EQ(p.AngleA(), 0.0L);
  p.SetVersion(1);
  EXPECT_EQ(p.PitchA(), 0.0L);
  EXPECT_EQ(p.ModuleOffset(100, 7, TPoint{50, 50}), (TPoint{50, 100}));
}

}  // namespace
}  // namespace vornak
