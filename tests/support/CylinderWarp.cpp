#include "tests/support/CylinderWarp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tests/support/LabelWarp.h"

namespace vornak::test {

namespace {

constexpr double kPi = std::numbers::pi;

// The picture frames the cylinder's visible part round its axis; the
// geometry itself is the label warp's.
struct TGeometry {
  double Radius = 0;   // pixels
  double Turn = 0;     // radians
  double CentreX = 0;  // picture x of the cylinder's axis
  double Top = 0;      // picture y of module row 0
  int32_t Width = 0;
  int32_t Height = 0;
};

TGeometry Geometry(int32_t side, const TCylinderOptions& o) {
  TGeometry g;
  const double symbol = side * o.ModuleSize;
  g.Radius = o.DiameterFactor * symbol / 2;
  g.Turn = o.TurnDegrees * kPi / 180;
  const double labelHalf = symbol / 2 + o.QuietZone * o.ModuleSize;
  const double left = g.Radius * std::sin(std::max(-kPi / 2, -labelHalf / g.Radius + g.Turn));
  const double right = g.Radius * std::sin(std::min(kPi / 2, labelHalf / g.Radius + g.Turn));
  g.Width = static_cast<int32_t>(std::ceil(right - left)) + 2 * o.Margin;
  g.CentreX = o.Margin - left;
  g.Top = o.Margin + o.QuietZone * o.ModuleSize;
  g.Height =
      static_cast<int32_t>(std::ceil(symbol + 2 * o.QuietZone * o.ModuleSize)) + 2 * o.Margin;
  return g;
}

TLabelWarp Warp(int32_t side, const TCylinderOptions& o) {
  TWarpOptions w;
  w.QuietZone = o.QuietZone;
  w.Surface = TSurface::Cylinder;
  w.SpanDegrees = 2 / o.DiameterFactor * 180 / kPi;
  w.YawDegrees = o.TurnDegrees;
  return TLabelWarp(side, w);
}

}  // namespace

TPointF CylinderModuleToPixel(int32_t side, const TCylinderOptions& options, double mx, double my) {
  const TGeometry g = Geometry(side, options);
  // The warp turns the label about its centre, this picture about the axis.
  const TPointF v = Warp(side, options).ToView(mx, my);
  return TPointF{g.CentreX + v.X * options.ModuleSize + g.Radius * std::sin(g.Turn),
                 g.Top + (v.Y + side / 2.0) * options.ModuleSize};
}

TBitmap RenderCylinder(const TPlaneBoolean& modules, const TCylinderOptions& options) {
  const int32_t side = modules.Width();
  const TGeometry g = Geometry(side, options);
  const TLabelWarp warp = Warp(side, options);
  const double m = options.ModuleSize;
  TBitmap bitmap(g.Width, g.Height, 0xFFFFFF);
  const int32_t ss = std::max(1, options.Supersample);
  for (int32_t py = 0; py < g.Height; ++py) {
    for (int32_t px = 0; px < g.Width; ++px) {
      int32_t dark = 0;
      for (int32_t sy = 0; sy < ss; ++sy) {
        for (int32_t sx = 0; sx < ss; ++sx) {
          const double x = (px + (sx + 0.5) / ss - g.CentreX - g.Radius * std::sin(g.Turn)) / m;
          const double y = (py + (sy + 0.5) / ss - g.Top) / m - side / 2.0;
          const TWarpHit hit = warp.AtView(x, y);
          if (!hit.Label) continue;
          const auto mx = static_cast<int32_t>(std::floor(hit.Mx));
          const auto my = static_cast<int32_t>(std::floor(hit.My));
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
