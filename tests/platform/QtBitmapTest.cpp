#include "platform/QtBitmap.h"

#include <gtest/gtest.h>

namespace vornak {
namespace {

TEST(QtBitmapTest, ChannelsKeepTheirPlaces) {
  TBitmap bitmap(3, 2);
  bitmap.SetPixel(0, 0, TBitmap::Rgb(255, 0, 0));
  bitmap.SetPixel(1, 0, TBitmap::Rgb(0, 255, 0));
  bitmap.SetPixel(2, 0, TBitmap::Rgb(0, 0, 255));
  bitmap.SetPixel(0, 1, TBitmap::Rgb(1, 2, 3));
  const QImage image = TQtBitmap::ToQImage(bitmap);
  ASSERT_EQ(image.width(), 3);
  ASSERT_EQ(image.height(), 2);
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(0, 1), qRgb(1, 2, 3));
  EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
  EXPECT_EQ(TQtBitmap::FromQImage(image), bitmap);
}

TEST(QtBitmapTest, OtherFormatsAndEmptyPictures) {
  QImage grey(5, 4, QImage::Format_Grayscale8);
  grey.fill(77);
  const TBitmap fromGrey = TQtBitmap::FromQImage(grey);
  ASSERT_EQ(fromGrey.Width(), 5);
  ASSERT_EQ(fromGrey.Height(), 4);
  EXPECT_EQ(fromGrey.Pixel(4, 3), TBitmap::Rgb(77, 77, 77));

  QImage rgb888(7, 3, QImage::Format_RGB888);  // rows padded to 4 bytes
  rgb888.fill(qRgb(10, 20, 30));
  rgb888.setPixel(6, 2, qRgb(40, 50, 60));
  const TBitmap fromRgb = TQtBitmap::FromQImage(rgb888);
  EXPECT_EQ(fromRgb.Pixel(5, 2), TBitmap::Rgb(10, 20, 30));
  EXPECT_EQ(fromRgb.Pixel(6, 2), TBitmap::Rgb(40, 50, 60));

  EXPECT_EQ(TQtBitmap::FromQImage(QImage()).Width(), 0);
  EXPECT_TRUE(TQtBitmap::ToQImage(TBitmap()).isNull());
}

}  // namespace
}  // namespace vornak
