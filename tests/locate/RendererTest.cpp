#include <gtest/gtest.h>

#include <cstdint>

#include "locate/FindPattern.h"
#include "tests/locate/LocateTestUtil.h"
#include "tests/support/Renderer.h"

namespace vornak::test {
namespace {

// Every module's centre pixel shows the module's colour.
int32_t WrongCentres(const TPlaneBoolean& matrix, const TRenderOptions& options) {
  const TPlaneBoolean image = RenderPlane(matrix, options);
  int32_t wrong = 0;
  for (int32_t y = 0; y < matrix.Height(); ++y)
    for (int32_t x = 0; x < matrix.Width(); ++x) {
      const TPoint p = ModuleCentrePixel(matrix.Width(), options, x, y);
      if (!image.Inside(p.X, p.Y) || (image(p.X, p.Y) != 0) != (matrix(x, y) != 0)) ++wrong;
    }
  return wrong;
}

TEST(Renderer, ModulesLandWhereModuleToPixelSays) {
  const TPlaneBoolean matrix = EncodedMatrix(2);
  TRenderOptions upright;
  upright.ModuleSize = 3;
  int32_t width = 0, height = 0;
  PictureSize(matrix.Width(), upright, width, height);
  EXPECT_EQ(width, (25 + 8) * 3);
  EXPECT_EQ(height, width);
  EXPECT_EQ(WrongCentres(matrix, upright), 0);
  EXPECT_EQ(ModuleCentrePixel(25, upright, 0, 0), (TPoint{13, 13}));

  TRenderOptions fractional;
  fractional.ModuleSize = 2.5;
  EXPECT_EQ(WrongCentres(matrix, fractional), 0);

  TRenderOptions turned;
  turned.ModuleSize = 6;
  turned.RotationDegrees = 33;
  EXPECT_EQ(WrongCentres(matrix, turned), 0);
  turned.Mirror = true;
  EXPECT_EQ(WrongCentres(matrix, turned), 0);

  TRenderOptions warped;
  warped.UseCorners = true;
  warped.Corners = {TPointF{40, 30}, TPointF{230, 50}, TPointF{250, 260}, TPointF{20, 220}};
  EXPECT_EQ(WrongCentres(matrix, warped), 0);
  const TPointF corner = ModuleToPixel(25, warped, 25, 25);
  EXPECT_NEAR(corner.X, 250, 1e-9);
  EXPECT_NEAR(corner.Y, 260, 1e-9);
  TFindPattern finder;
  ASSERT_EQ(finder.Find(RenderPlane(matrix, warped)), 0);
  const TPointF expected = ModuleToPixel(25, warped, 3.5, 3.5);
  EXPECT_NEAR(finder.GetPattern(0).X, expected.X, 4);
  EXPECT_NEAR(finder.GetPattern(0).Y, expected.Y, 4);
}

TEST(Renderer, ColourEffects) {
  const TPlaneBoolean matrix = EncodedMatrix(1);
  auto greys = [](const TBitmap& b) {
    int32_t count = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
      for (int32_t x = 0; x < b.Width(); ++x) {
        const uint32_t red = b.Pixel(x, y) & 0xFF;
        if (red != 0 && red != 255) ++count;
      }
    return count;
  };
  TRenderOptions options;
  options.ModuleSize = 2.5;
  options.Supersample = 1;
  EXPECT_EQ(greys(RenderBitmap(matrix, options)), 0);
  options.Supersample = 4;
  EXPECT_GT(greys(RenderBitmap(matrix, options)), 100);  // anti-aliased edges

  options.ModuleSize = 4;
  options.Supersample = 1;
  options.BlurSigma = 1.0;
  EXPECT_GT(greys(RenderBitmap(matrix, options)), 100);
  options.BlurSigma = 0;

  options.NoiseSigma = 20;
  options.Seed = 5;
  const TBitmap noisy = RenderBitmap(matrix, options);
  EXPECT_EQ(noisy, RenderBitmap(matrix, options));
  options.Seed = 6;
  EXPECT_NE(noisy, RenderBitmap(matrix, options));
  options.NoiseSigma = 0;

  options.Lighting = 0.5;  // darker towards the right
  const TBitmap lit = RenderBitmap(matrix, options);
  EXPECT_GE(lit.Pixel(0, 0) & 0xFF, 253u);
  EXPECT_LT(lit.Pixel(lit.Width() - 1, 0) & 0xFF, 140u);
  // A global threshold halfway up now takes the dim light margin for dark.
  const TPlaneBoolean plane = ThresholdBitmap(lit, 128);
  EXPECT_EQ(plane(0, 0), 0);
  EXPECT_EQ(plane(lit.Width() - 1, 0), 1);

  options.Lighting = 0;
  options.DarkColour = TBitmap::Rgb(0, 0, 120);
  options.LightColour = TBitmap::Rgb(250, 240, 200);
  const TBitmap tinted = RenderBitmap(matrix, options);
  EXPECT_EQ(tinted.Pixel(0, 0), TBitmap::Rgb(250, 240, 200));
  EXPECT_EQ(RenderPlane(matrix, options), [&] {
    TRenderOptions plain = options;
    plain.DarkColour = 0;
    plain.LightColour = 0xFFFFFF;
    return RenderPlane(matrix, plain);
  }());
}

}  // namespace
}  // namespace vornak::test
