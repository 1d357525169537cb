#include "tests/support/ScreenPhoto.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace vornak::test {

namespace {

constexpr int32_t kOutside = 0, kLit = 1, kDark = 2;

double Overlap(double a0, double a1, double b0, double b1) {
  return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

}  // namespace

TScreenPhoto::TScreenPhoto(int32_t side, const TScreenOptions& options)
    : FSide(side), FOptions(options) {
  if (side <= 0 || options.ScreenPixelsPerModule <= 0 || options.CameraScale <= 0 ||
      options.StripeFill <= 0 || options.StripeFill > 1 || options.RowFill <= 0 ||
      options.RowFill > 1 || options.Oversample < 1 || options.Finish.Width <= 0 ||
      options.Finish.Height <= 0)
    throw std::invalid_argument("TScreenPhoto: options out of range");
  const double modules = side + 2.0 * (options.QuietZone + options.LitMargin);
  FScreenPixels = static_cast<int32_t>(std::ceil(modules * options.ScreenPixelsPerModule));
  FFirstModule = side / 2.0 - FScreenPixels / 2.0 / options.ScreenPixelsPerModule;
  FCos = std::cos(options.RotationDegrees * std::numbers::pi / 180.0);
  FSin = std::sin(options.RotationDegrees * std::numbers::pi / 180.0);
}

TPointF TScreenPhoto::ModuleToPixel(double mx, double my) const {
  const double p = FOptions.ScreenPixelsPerModule * FOptions.CameraScale;
  const double dx = (mx - FSide / 2.0) * p, dy = (my - FSide / 2.0) * p;
  return TPointF{FOptions.Finish.Width / 2.0 + FOptions.OffsetX + dx * FCos - dy * FSin,
                 FOptions.Finish.Height / 2.0 + FOptions.OffsetY + dx * FSin + dy * FCos};
}

TPointF TScreenPhoto::ToScreen(double px, double py) const {
  const double dx = (px - FOptions.Finish.Width / 2.0 - FOptions.OffsetX) / FOptions.CameraScale;
  const double dy = (py - FOptions.Finish.Height / 2.0 - FOptions.OffsetY) / FOptions.CameraScale;
  return TPointF{FScreenPixels / 2.0 + dx * FCos + dy * FSin,
                 FScreenPixels / 2.0 - dx * FSin + dy * FCos};
}

int32_t TScreenPhoto::PixelState(const TPlaneBoolean& modules, int32_t column, int32_t row) const {
  if (column < 0 || row < 0 || column >= FScreenPixels || row >= FScreenPixels) return kOutside;
  // The module under the pixel's centre, as a display scales a picture.
  const double p = FOptions.ScreenPixelsPerModule;
  const auto mx = static_cast<int32_t>(std::floor((column + 0.5) / p + FFirstModule));
  const auto my = static_cast<int32_t>(std::floor((row + 0.5) / p + FFirstModule));
  return modules.At(mx, my, 0) != 0 ? kDark : kLit;
}

double TScreenPhoto::Emission(const TPlaneBoolean& modules, int channel, double x0, double y0,
                              double x1, double y1) const {
  const TScreenOptions& o = FOptions;
  // A sub-pixel's lit part shines so that a light area averages White.
  const double bright = o.White / (o.StripeFill / 3.0 * o.RowFill);
  const double bezel = static_cast<double>((o.Bezel >> (8 * channel)) & 0xFF);
  const double stripe0 = (channel + (1 - o.StripeFill) / 2) / 3.0;
  const double stripe1 = (channel + (1 + o.StripeFill) / 2) / 3.0;
  const double row0 = (1 - o.RowFill) / 2, row1 = (1 + o.RowFill) / 2;
  double sum = 0;
  for (auto j = static_cast<int32_t>(std::floor(y0)); j < y1; ++j)
    for (auto i = static_cast<int32_t>(std::floor(x0)); i < x1; ++i) {
      const int32_t state = PixelState(modules, i, j);
      if (state == kOutside) {
        sum += bezel * Overlap(x0, x1, i, i + 1) * Overlap(y0, y1, j, j + 1);
        continue;
      }
      const double lit =
          Overlap(x0, x1, i + stripe0, i + stripe1) * Overlap(y0, y1, j + row0, j + row1) * bright;
      sum += state == kDark ? lit * o.Black : lit;
    }
  return sum / ((x1 - x0) * (y1 - y0));
}

TScene TScreenPhoto::Scene(const TPlaneBoolean& modules) const {
  if (modules.Width() != FSide || modules.Height() != FSide)
    throw std::invalid_argument("TScreenPhoto: matrix of another side");
  const TScreenOptions& o = FOptions;
  const int32_t k = o.Oversample;
  TScene scene(o.Finish.Width * k, o.Finish.Height * k);
  const double cx = o.Finish.Width / 2.0, cy = o.Finish.Height / 2.0;
  const double corner = std::hypot(cx, cy);
  const double grow[3] = {1 + o.FringePixels / corner, 1.0, 1 - o.FringePixels / corner};
  // Half a scene pixel, in screen pixels.
  const double half = 0.5 / (k * o.CameraScale);
  for (int32_t y = 0; y < scene.Height; ++y) {
    const double py = (y + 0.5) / k;
    double scan = 1.0;
    if (o.ScanDepth > 0)
      scan = 1 - o.ScanDepth *
                     (0.5 + 0.5 * std::sin(2 * std::numbers::pi * py / o.ScanPeriod + o.ScanPhase));
    for (int32_t x = 0; x < scene.Width; ++x) {
      const double px = (x + 0.5) / k;
      float* out = scene.At(x, y);
      for (int c = 0; c < 3; ++c) {
        // Each colour's image is scaled about the centre: a point of the
        // photograph shows the screen where that colour's image puts it.
        const TPointF s = ToScreen(cx + (px - cx) / grow[c], cy + (py - cy) / grow[c]);
        const double e = Emission(modules, c, s.X - half, s.Y - half, s.X + half, s.Y + half);
        out[c] = static_cast<float>((e + o.Glare) * scan);
      }
    }
  }
  return scene;
}

TPhoto TScreenPhoto::Render(const TPlaneBoolean& modules) const {
  return FinishPhoto(Scene(modules), FOptions.Finish);
}

}  // namespace vornak::test
