#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/PhotoFinish.h"

// The camera's finish of the rendered photographs (tests/support/PhotoFinish).
namespace vornak::test {
namespace {

TEST(PhotoFinish, ReducesByAreaToTheSizeAsked) {
  // Two-pixel stripes of 0 and 200 averaged over 4 x 3 scene pixels.
  TScene scene(400, 300);
  for (int32_t y = 0; y < scene.Height; ++y)
    for (int32_t x = 0; x < scene.Width; ++x)
      for (int32_t c = 0; c < 3; ++c) scene.At(x, y)[c] = (x / 2) % 2 == 0 ? 0.0f : 200.0f;
  TFinishOptions o;
  o.Width = 100;
  o.Height = 100;
  const TPhoto photo = FinishPhoto(scene, o);
  ASSERT_EQ(photo.Bitmap.Width(), 100);
  ASSERT_EQ(photo.Bitmap.Height(), 100);
  EXPECT_TRUE(photo.Jpeg.empty());
  for (int32_t y = 0; y < 100; y += 7)
    for (int32_t x = 0; x < 100; x += 3)
      EXPECT_EQ(photo.Bitmap.Pixel(x, y), TBitmap::Rgb(100, 100, 100));
  // A fractional ratio keeps the mean too.
  o.Width = 170;
  o.Height = 77;
  o.JpegQuality = 80;
  const TPhoto odd = FinishPhoto(scene, o);
  ASSERT_EQ(odd.Bitmap.Width(), 170);
  ASSERT_EQ(odd.Bitmap.Height(), 77);
  ASSERT_GE(odd.Jpeg.size(), 2u);
  EXPECT_EQ(odd.Jpeg[0], 0xFF);
  EXPECT_EQ(odd.Jpeg[1], 0xD8);
  double sum = 0;
  for (int32_t y = 0; y < 77; ++y)
    for (int32_t x = 0; x < 170; ++x) sum += odd.Bitmap.Pixel(x, y) & 0xFF;
  EXPECT_NEAR(sum / (170 * 77), 100, 1.5);
}

}  // namespace
}  // namespace vornak::test
