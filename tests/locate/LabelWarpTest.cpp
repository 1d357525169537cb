#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <stdexcept>

#include "tests/support/LabelWarp.h"

// The bent label's geometry (tests/support/LabelWarp) against formulas
// written out here.
namespace vornak::test {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(LabelWarp, CylinderPutsTheLabelOnTheArc) {
  const int32_t side = 25;
  TWarpOptions o;
  o.Surface = TSurface::Cylinder;
  o.SpanDegrees = 90;
  o.YawDegrees = 20;
  o.PitchDegrees = 15;
  const TLabelWarp warp(side, o);
  // The symbol's side spans a quarter of the circumference.
  const double r = side / (kPi / 2);
  const double turn = 20 * kPi / 180, tilt = 15 * kPi / 180;
  for (double mx = 0; mx <= side; mx += 2.5)
    for (double my = 0; my <= side; my += 5) {
      const double a = (mx - side / 2.0) / r;
      // The arc turned about the label's centre, then tipped back.
      const double x = r * std::sin(a + turn) - r * std::sin(turn);
      const double z = r * std::cos(a + turn) - r * std::cos(turn);
      const double y = (my - side / 2.0) * std::cos(tilt) - z * std::sin(tilt);
      const TPointF p = warp.ToView(mx, my);
      EXPECT_NEAR(p.X, x, 1e-9) << mx << "," << my;
      EXPECT_NEAR(p.Y, y, 1e-9) << mx << "," << my;
      EXPECT_TRUE(warp.Visible(mx, my)) << mx << "," << my;
    }
  const TPointF centre = warp.ToView(side / 2.0, side / 2.0);
  EXPECT_NEAR(centre.X, 0, 1e-12);
  EXPECT_NEAR(centre.Y, 0, 1e-12);
  // Beyond the silhouette there is nothing; a label turned past it is
  // hidden there.
  EXPECT_FALSE(warp.AtView(r * 1.5, 0).Surface);
  TWarpOptions wide = o;
  wide.SpanDegrees = 170;
  EXPECT_FALSE(TLabelWarp(side, wide).Visible(side, side / 2.0));
  EXPECT_TRUE(TLabelWarp(side, wide).Visible(0, side / 2.0));
}

TEST(LabelWarp, WrinklesMoveLabelPointsBySines) {
  const int32_t side = 29;
  TWarpOptions o;
  o.Wrinkles.push_back(TWrinkle{1.5, 0.8, 30, 120, 0.4, 0.1});
  o.Wrinkles.push_back(TWrinkle{0.5, 0.3, 100, 100, 2.0, 0.0});
  const TLabelWarp warp(side, o);
  for (double mx = -2; mx <= side + 2; mx += 1.7)
    for (double my = -2; my <= side + 2; my += 2.3) {
      const double u = mx - side / 2.0, v = my - side / 2.0;
      double x = u, y = v;
      for (const TWrinkle& w : o.Wrinkles) {
        const double k = 2 * kPi / (w.Wavelength * side);
        const double run = w.AngleDegrees * kPi / 180, shift = w.ShiftDegrees * kPi / 180;
        const double s =
            w.Amplitude * std::sin(k * (u * std::cos(run) + v * std::sin(run)) + w.Phase);
        x += s * std::cos(shift);
        y += s * std::sin(shift);
      }
      const TPointF p = warp.ToView(mx, my);
      EXPECT_NEAR(p.X, x, 1e-9);
      EXPECT_NEAR(p.Y, y, 1e-9);
      // And back: the view point shows the label point it came from.
      const TWarpHit hit = warp.AtView(p.X, p.Y);
      EXPECT_NEAR(hit.Mx, mx, 1e-9);
      EXPECT_NEAR(hit.My, my, 1e-9);
    }
  // Steep enough to fold the label over: refused.
  TWarpOptions steep;
  steep.Wrinkles.push_back(TWrinkle{0.5, 3.0, 0, 90, 0, 0});
  EXPECT_THROW(TLabelWarp(side, steep), std::invalid_argument);
}

TEST(LabelWarp, CreaseTurnsTheFarHalfAboutTheLine) {
  const int32_t side = 25;
  TWarpOptions o;
  o.Surface = TSurface::Crease;
  o.CreaseDegrees = 0;  // along the rows, the lower half turns
  o.CreaseOffset = 3;
  o.FoldDegrees = 35;
  const TLabelWarp warp(side, o);
  const double fold = 35 * kPi / 180;
  for (double mx = 0; mx <= side; mx += 2.5)
    for (double my = 0; my <= side; my += 2.5) {
      const double u = mx - side / 2.0, v = my - side / 2.0;
      // Seen from the front the turned half shortens across the line.
      const double y = v <= 3 ? v : 3 + (v - 3) * std::cos(fold);
      const TPointF p = warp.ToView(mx, my);
      EXPECT_NEAR(p.X, u, 1e-9);
      EXPECT_NEAR(p.Y, y, 1e-9);
      EXPECT_TRUE(warp.Visible(mx, my));
    }
  // Seen tipped from a near camera, the two halves still meet at the line.
  o.Distance = 3;
  o.PitchDegrees = -20;
  const TLabelWarp near(side, o);
  for (double mx = 0; mx <= side; mx += 2.5) {
    const double line = side / 2.0 + 3;
    const TPointF above = near.ToView(mx, line - 1e-7), below = near.ToView(mx, line + 1e-7);
    EXPECT_NEAR(above.X, below.X, 1e-5);
    EXPECT_NEAR(above.Y, below.Y, 1e-5);
    EXPECT_TRUE(near.Visible(mx, line - 2));
    EXPECT_TRUE(near.Visible(mx, line + 2));
  }
}

}  // namespace
}  // namespace vornak::test
