#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "tests/support/BentLabel.h"
#include "tests/support/LabelWarp.h"
#include "tests/support/PhotoFinish.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

// The bent-label photographs (tests/support/BentLabel): the flat case
// against the plain renderer, the bent ones against their warp.
namespace vornak::test {
namespace {

int32_t DifferentPixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int32_t different = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) different += a.Pixel(x, y) != b.Pixel(x, y) ? 1 : 0;
  return different;
}

// A bent label photographed without blur, noise, light or compression, at
// the scene's own size.
TBentLabelOptions Clean(const TWarpOptions& warp, double modulePixels, int32_t side) {
  TBentLabelOptions o;
  o.Warp = warp;
  o.ModulePixels = modulePixels;
  o.Supersample = 4;
  o.Margin = 0;
  o.Ink = TBitmap::Rgb(40, 38, 45);
  o.Paper = TBitmap::Rgb(232, 228, 215);
  o.Finish.Width = o.Finish.Height =
      static_cast<int32_t>(std::ceil((side + 2 * warp.QuietZone) * modulePixels));
  return o;
}

TEST(BentLabel, WithoutBendingMatchesThePlainRenderer) {
  const ReferenceSymbol symbol = Make("BENT LABEL 1", 2, 1, 5);
  const int32_t side = symbol.Side();
  TRenderOptions plain;
  plain.ModuleSize = 5;
  plain.DarkColour = TBitmap::Rgb(40, 38, 45);
  plain.LightColour = TBitmap::Rgb(232, 228, 215);
  const TBitmap expected = RenderBitmap(symbol.Matrix, plain);

  TWarpOptions flat;
  EXPECT_EQ(DifferentPixels(TBentLabel(side, Clean(flat, 5, side)).Render(symbol.Matrix).Bitmap,
                            expected),
            0);
  // A fold of nothing and a wrinkle of no height bend nothing either.
  TWarpOptions crease;
  crease.Surface = TSurface::Crease;
  crease.CreaseDegrees = 30;
  crease.CreaseOffset = 2;
  crease.FoldDegrees = 0;
  EXPECT_EQ(DifferentPixels(TBentLabel(side, Clean(crease, 5, side)).Render(symbol.Matrix).Bitmap,
                            expected),
            0);
  TWarpOptions still;
  still.Wrinkles.push_back(TWrinkle{1.0, 0.0, 30, 120, 1.0, 0.0});
  EXPECT_EQ(DifferentPixels(TBentLabel(side, Clean(still, 5, side)).Render(symbol.Matrix).Bitmap,
                            expected),
            0);

  // Turned in the picture: the same picture as the renderer's rotation.
  plain.RotationDegrees = 30;
  int32_t width = 0, height = 0;
  PictureSize(side, plain, width, height);
  TWarpOptions turned;
  turned.RollDegrees = 30;
  TBentLabelOptions o = Clean(turned, 5, side);
  o.Finish.Width = width;
  o.Finish.Height = height;
  o.Paper = o.Surface = plain.LightColour;
  EXPECT_EQ(DifferentPixels(TBentLabel(side, o).Render(symbol.Matrix).Bitmap,
                            RenderBitmap(symbol.Matrix, plain)),
            0);
}

// Every module wide enough to be seen shows its own colour at the centre
// the warp gives it.
TEST(BentLabel, ModulesShowWhereTheWarpPutsThem) {
  const ReferenceSymbol symbol = Make("ON A BOTTLE", 3, 2, 1);
  const int32_t side = symbol.Side();
  TWarpOptions o;
  o.Surface = TSurface::Cylinder;
  o.SpanDegrees = 100;
  o.PitchDegrees = 12;
  o.RollDegrees = 7;
  o.Distance = 5;
  TBentLabelOptions options = Clean(o, 6, side);
  options.Margin = 2;
  options.Finish.Width = options.Finish.Height = 240;
  const TBentLabel label(side, options);
  const TPlaneBoolean plane = ThresholdBitmap(label.Render(symbol.Matrix).Bitmap, 136);
  int32_t checked = 0, wrong = 0;
  for (int32_t my = 0; my < side; ++my)
    for (int32_t mx = 0; mx < side; ++mx) {
      const TPointF left = label.ModuleToPixel(mx, my + 0.5);
      const TPointF right = label.ModuleToPixel(mx + 1, my + 0.5);
      if (std::hypot(right.X - left.X, right.Y - left.Y) < 2.5) continue;
      const TPointF c = label.ModuleToPixel(mx + 0.5, my + 0.5);
      const auto x = static_cast<int32_t>(std::floor(c.X)),
                 y = static_cast<int32_t>(std::floor(c.Y));
      ++checked;
      if ((plane.At(x, y, 0) != 0) != (symbol.Matrix(mx, my) != 0)) ++wrong;
    }
  EXPECT_GT(checked, side * side / 2);
  EXPECT_EQ(wrong, 0);
  // The symbol's centre module lands at the picture's middle across, and
  // the picture has the size asked for.
  const TPointF centre = label.ModuleToPixel(side / 2.0, side / 2.0);
  EXPECT_NEAR(centre.X, 120, 12);
  const TPhoto photo = label.Render(symbol.Matrix);
  EXPECT_EQ(photo.Bitmap.Width(), 240);
  EXPECT_EQ(photo.Bitmap.Height(), 240);
}

}  // namespace
}  // namespace vornak::test
