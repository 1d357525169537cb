#include "tests/support/Sheet.h"

namespace vornak::test {

TSheet::TSheet(int32_t width, int32_t height, uint32_t colour) : FBitmap(width, height, colour) {}

void TSheet::Size(int32_t side, const TRenderOptions& options, int32_t& width, int32_t& height) {
  TRenderOptions own = options;
  own.Width = 0;
  own.Height = 0;
  own.OffsetX = 0;
  own.OffsetY = 0;
  PictureSize(side, own, width, height);
}

size_t TSheet::Place(const TPlaneBoolean& modules, const TRenderOptions& options, int32_t left,
                     int32_t top) {
  TRenderOptions own = options;
  own.Width = 0;
  own.Height = 0;
  own.OffsetX = 0;
  own.OffsetY = 0;
  const TBitmap picture = RenderBitmap(modules, own);
  for (int32_t y = 0; y < picture.Height(); ++y)
    for (int32_t x = 0; x < picture.Width(); ++x) {
      const int32_t sx = left + x, sy = top + y;
      if (sx >= 0 && sy >= 0 && sx < FBitmap.Width() && sy < FBitmap.Height())
        FBitmap.SetPixel(sx, sy, picture.Pixel(x, y));
    }
  const int32_t side = modules.Width();
  std::array<TPointF, 4> corners{};
  const std::array<std::array<double, 2>, 4> points = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
  for (size_t i = 0; i < 4; ++i) {
    const TPointF p = ModuleToPixel(side, own, points[i][0] * side, points[i][1] * side);
    corners[i] = {p.X + left, p.Y + top};
  }
  FCorners.push_back(corners);
  FModules.push_back(options.UseCorners ? 0.0 : options.ModuleSize);
  return FCorners.size() - 1;
}

}  // namespace vornak::test
