// The overlay drawing on its own: what it marks, where, and when it leaves
// the picture alone.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>

#include "engine/DecodeTrace.h"
#include "engine/Vornak.h"
#include "platform/Overlay.h"
#include "platform/QtBitmap.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

struct TDecoded {
  TBitmap Bitmap;
  QImage Picture;
};

TDecoded Render(TVornak& vornak, int version, double module) {
  const test::ReferenceSymbol symbol = test::Make("OVERLAY", version, 1, 2);
  test::TRenderOptions options;
  options.ModuleSize = module;
  TDecoded decoded;
  decoded.Bitmap = test::RenderBitmap(symbol.Matrix, options);
  decoded.Picture = TQtBitmap::ToQImage(decoded.Bitmap);
  EXPECT_TRUE(vornak.Decode(decoded.Bitmap));
  return decoded;
}

TEST(OverlayTest, NothingRecordedOrAnotherPicturesPlaneLeavesThePictureAlone) {
  QImage picture(50, 40, QImage::Format_RGB32);
  picture.fill(QColor(200, 210, 220));
  const TDecodeTrace empty;
  EXPECT_EQ(TOverlay::Draw(picture, empty, TOverlay::TOptions()), picture);

  TVornak vornak;
  Render(vornak, 2, 4.0);
  TOverlay::TOptions both;
  both.Binarized = true;
  EXPECT_EQ(TOverlay::Draw(picture, vornak.Trace(), both), picture);
  EXPECT_TRUE(TOverlay::Draw(QImage(), vornak.Trace(), both).isNull());
}

TEST(OverlayTest, MarksFindersOutlineAndEverySampledModule) {
  TVornak vornak;
  const TDecoded decoded = Render(vornak, 4, 5.0);
  const QImage marked = TOverlay::Draw(decoded.Picture, vornak.Trace(), TOverlay::TOptions());
  ASSERT_EQ(marked.size(), decoded.Picture.size());
  for (const TPoint& f : vornak.FinderCentres())
    EXPECT_EQ(marked.pixelColor(f.X, f.Y), TOverlay::FinderColour());
  // Every module centre shows its dot, except under the finder discs drawn
  // over them.
  const double radius = 3.5;
  int32_t missing = 0;
  for (const TPoint& p : vornak.Trace().ModuleCentres()) {
    bool covered = false;
    for (const TPoint& f : vornak.FinderCentres())
      covered = covered || std::hypot(p.X - f.X, p.Y - f.Y) <= radius;
    if (!covered && marked.pixelColor(p.X, p.Y) != TOverlay::ModuleColour()) ++missing;
  }
  EXPECT_EQ(missing, 0);
  const std::array<TPoint, 4>& c = vornak.Corners();
  const TPoint mid{(c[0].X + c[1].X) / 2, c[0].Y};
  EXPECT_EQ(marked.pixelColor(mid.X, mid.Y), TOverlay::OutlineColour());
}

TEST(OverlayTest, BinarizedPictureIsThePlane) {
  TVornak vornak;
  const TDecoded decoded = Render(vornak, 3, 4.0);
  TOverlay::TOptions plane;
  plane.Marks = false;
  plane.Binarized = true;
  const QImage shown = TOverlay::Draw(decoded.Picture, vornak.Trace(), plane);
  EXPECT_EQ(shown, TOverlay::PlaneImage(vornak.Plane()));
  const TPlaneBoolean& bits = vornak.Plane();
  for (int32_t y = 0; y < bits.Height(); y += 7)
    for (int32_t x = 0; x < bits.Width(); x += 7)
      EXPECT_EQ(shown.pixelColor(x, y), bits(x, y) ? QColor(0, 0, 0) : QColor(255, 255, 255));
}

// Marks grow with the picture, so that they survive shrinking to the
// window's 200-pixel preview.
TEST(OverlayTest, MarksGrowWithThePicture) {
  TVornak vornak;
  const TDecoded decoded = Render(vornak, 2, 40.0);
  ASSERT_GT(decoded.Picture.width(), 1200);
  const QImage marked = TOverlay::Draw(decoded.Picture, vornak.Trace(), TOverlay::TOptions());
  const double unit = decoded.Picture.width() / 200.0;
  for (const TPoint& f : vornak.FinderCentres()) {
    const int reach = static_cast<int>(2.5 * unit);
    EXPECT_EQ(marked.pixelColor(f.X + reach, f.Y), TOverlay::FinderColour());
    EXPECT_EQ(marked.pixelColor(f.X, f.Y - reach), TOverlay::FinderColour());
  }
}

}  // namespace
}  // namespace vornak
