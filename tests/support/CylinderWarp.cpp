#include "tests/support/CylinderWarp.h"

#include <algorithm>
#include <cmath>

namespace vornak::test {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct TGeometry {
  double Radius = 0;   // pixels
  double Turn = 0;     // radians
  double CentreX = 0;  // picture x of the cylinder's axis
  double Top = 0;      // picture y of module row 0
  double Half = 0;     // half the symbol side, pixels along the label
  int32_t Width = 0;
  int32_t Height = 0;
};

TGeometry Geometry(int32_t side, const TCylinderOptions& o) {
  TGeometry g;
  const double symbol = side * o.ModuleSize;
  g.Radius = o.DiameterFactor * symbol / 2;
  g.Turn = o.TurnDegrees * kPi / 180;
  g.Half = symbol / 2;
  const double labelHalf = g.Half + o.QuietZone * o.ModuleSize;
  const double left = g.Radius * std::sin(std::max(-kPi / 2, -labelHalf / g.Radius + g.Turn));
  const double right = g.Radius * std::sin(std::min(kPi / 2, labelHalf / g.Radius + g.Turn));
  g.Width = static_cast<int32_t>(std::ceil(right - left)) + 2 * o.Margin;
  g.CentreX = o.Margin - left;
  g.Top = o.Margin + o.QuietZone * o.ModuleSize;
  g.Height =
      static_cast<int32_t>(std::ceil(symbol + 2 * o.QuietZone * o.ModuleSize)) + 2 * o.Margin;
  return g;
}

}  // namespace

TPointF CylinderModuleToPixel(int32_t side, const TCylinderOptions& options, double mx, double my) {
  const TGeometry g = Geometry(side, options);
  const double s = mx * options.ModuleSize - g.Half;
  return TPointF{g.CentreX + g.Radius * std::sin(s / g.Radius + g.Turn),
                 g.Top + my * options.ModuleSize};
}

TBitmap RenderCylinder(const TPlaneBoolean& modules, const TCylinderOptions& options) {
  const int32_t side = modules.Width();
  const TGeometry g = Geometry(side, options);
  TBitmap bitmap(g.Width, g.Height, 0xFFFFFF);
  const int32_t ss = std::max(1, options.Supersample);
  for (int32_t py = 0; py < g.Height; ++py) {
    for (int32_t px = 0; px < g.Width; ++px) {
      int32_t dark = 0;
      for (int32_t sy = 0; sy < ss; ++sy) {
        for (int32_t sx = 0; sx < ss; ++sx) {
          const double x = px + (sx + 0.5) / ss - g.CentreX;
          const double y = py + (sy + 0.5) / ss - g.Top;
          if (std::fabs(x) >= g.Radius) continue;
          // Front surface only: the visible angle is asin(x / R).
          const double s = (std::asin(x / g.Radius) - g.Turn) * g.Radius + g.Half;
          const auto mx = static_cast<int32_t>(std::floor(s / options.ModuleSize));
          const auto my = static_cast<int32_t>(std::floor(y / options.ModuleSize));
          if (modules.At(mx, my, 0) != 0) ++dark;
        }
      }
      const int32_t level = 255 - 255 * dark / (ss * ss);
      bitmap.SetPixel(px, py, TBitmap::Rgb(level, level, level));
    }
  }
  return bitmap;
}

}  // namespace vornak::test
