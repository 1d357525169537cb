#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "tests/support/ReferenceSymbol.h"
#include "tests/support/ScreenPhoto.h"

// The screen photographs (tests/support/ScreenPhoto): the sub-pixel stripes
// where a screen has them, the modules where the camera puts them.
namespace vornak::test {
namespace {

constexpr double kPi = std::numbers::pi;

double Level(const TBitmap& bitmap, int32_t x, int32_t y, int32_t channel) {
  return static_cast<double>((bitmap.Pixel(x, y) >> (8 * channel)) & 0xFF);
}

// The Fourier coefficient of samples at frequency f (cycles per pixel).
struct TWave {
  double Magnitude;
  double Phase;
};
TWave Coefficient(const std::vector<double>& samples, double f) {
  double re = 0, im = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    re += samples[i] * std::cos(2 * kPi * f * static_cast<double>(i));
    im -= samples[i] * std::sin(2 * kPi * f * static_cast<double>(i));
  }
  return TWave{std::hypot(re, im), std::atan2(im, re)};
}

// The period (pixels) of the strongest repetition between 1.5 and 6 pixels.
double StrongestPeriod(const std::vector<double>& samples) {
  double best = 0, period = 0;
  for (double p = 1.5; p <= 6.0; p += 0.005) {
    const double magnitude = Coefficient(samples, 1 / p).Magnitude;
    if (magnitude > best) {
      best = magnitude;
      period = p;
    }
  }
  return period;
}

double Wrapped(double angle) { return std::remainder(angle, 2 * kPi); }

TScreenOptions Sharp(double pixelsPerModule, double scale) {
  TScreenOptions o;
  o.ScreenPixelsPerModule = pixelsPerModule;
  o.CameraScale = scale;
  o.StripeFill = 0.6;
  o.RowFill = 0.7;
  o.Oversample = 4;
  return o;
}

TEST(ScreenPhoto, StripesRepeatAtTheScreenPixelPitch) {
  // A lit screen seen at 2.5 photograph pixels per screen pixel.
  const TPlaneBoolean blank(25, 25, 0);
  const TBitmap picture = TScreenPhoto(25, Sharp(6, 2.5)).Render(blank).Bitmap;
  ASSERT_EQ(picture.Width(), 240);
  ASSERT_EQ(picture.Height(), 240);
  std::vector<std::vector<double>> rows(3);
  for (int32_t c = 0; c < 3; ++c)
    for (int32_t x = 20; x < 220; ++x) rows[c].push_back(Level(picture, x, 120, c));
  for (int32_t c = 0; c < 3; ++c) EXPECT_NEAR(StrongestPeriod(rows[c]), 2.5, 0.02) << c;
  // Red, green and blue stripes a third of a pixel apart, left to right.
  const double red = Coefficient(rows[0], 0.4).Phase;
  const double green = Coefficient(rows[1], 0.4).Phase;
  const double blue = Coefficient(rows[2], 0.4).Phase;
  EXPECT_NEAR(Wrapped(green - red), -2 * kPi / 3, 0.1);
  EXPECT_NEAR(Wrapped(blue - green), -2 * kPi / 3, 0.1);
}

TEST(ScreenPhoto, DarkGapsBetweenPixelRows) {
  // Four photograph pixels per screen pixel: each row of screen pixels is
  // lit over RowFill of its height, dark between. Exposed dimly, so that
  // no sub-pixel saturates.
  const TPlaneBoolean blank(25, 25, 0);
  TScreenOptions o = Sharp(6, 4);
  o.White = 30;
  const TBitmap picture = TScreenPhoto(25, o).Render(blank).Bitmap;
  std::vector<std::vector<double>> columns(3);
  for (int32_t c = 0; c < 3; ++c)
    for (int32_t y = 20; y < 220; ++y) {
      // Eight columns span two screen pixels, so every stripe shows in them.
      double across = 0;
      for (int32_t x = 116; x < 124; ++x) across += Level(picture, x, y, c);
      columns[c].push_back(across / 8);
    }
  for (int32_t c = 0; c < 3; ++c) {
    EXPECT_NEAR(StrongestPeriod(columns[c]), 4, 0.02) << c;
    // All three light up in the same rows.
    EXPECT_NEAR(Wrapped(Coefficient(columns[c], 0.25).Phase - Coefficient(columns[0], 0.25).Phase),
                0, 0.1);
  }
  double darkest = 255, brightest = 0;
  for (const double v : columns[1]) {
    darkest = std::min(darkest, v);
    brightest = std::max(brightest, v);
  }
  // The screen's pixel edges fall on photograph pixel edges here: of the
  // four rows of a screen pixel the middle two are lit throughout, the outer
  // two over 0.1 of their 0.25.
  EXPECT_NEAR(darkest / brightest, 0.4, 0.05);
}

TEST(ScreenPhoto, ModulesShowWhereTheCameraPutsThem) {
  const ReferenceSymbol symbol = Make("ON A SCREEN 42", 3, 1, 6);
  const int32_t side = symbol.Side();
  TScreenOptions o = Sharp(6, 0.75);
  o.RotationDegrees = 3;
  o.OffsetX = 7;
  o.OffsetY = -5;
  o.Finish.Width = 200;
  o.Finish.Height = 180;
  const TScreenPhoto screen(side, o);
  const TBitmap picture = screen.Render(symbol.Matrix).Bitmap;
  ASSERT_EQ(picture.Width(), 200);
  ASSERT_EQ(picture.Height(), 180);
  int32_t wrong = 0;
  for (int32_t my = 0; my < side; ++my)
    for (int32_t mx = 0; mx < side; ++mx) {
      const TPointF c = screen.ModuleToPixel(mx + 0.5, my + 0.5);
      const auto x = static_cast<int32_t>(std::floor(c.X)),
                 y = static_cast<int32_t>(std::floor(c.Y));
      const double mean =
          (Level(picture, x, y, 0) + Level(picture, x, y, 1) + Level(picture, x, y, 2)) / 3;
      if ((mean < o.White * 0.35) != (symbol.Matrix(mx, my) != 0)) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
  // Beyond the screen's lit part (quiet zone and margin, 7 modules): its frame.
  const TPointF frame = screen.ModuleToPixel(-8.5, side / 2.0);
  EXPECT_EQ(picture.Pixel(static_cast<int32_t>(frame.X), static_cast<int32_t>(frame.Y)), o.Bezel);
  const TPointF lit = screen.ModuleToPixel(-5.5, side / 2.0);
  EXPECT_GT(Level(picture, static_cast<int32_t>(lit.X), static_cast<int32_t>(lit.Y), 1), 100);
}

}  // namespace
}  // namespace vornak::test
