#pragma once

#include <algorithm>
#include <array>
#include <cmath>

#include "tests/support/Renderer.h"

namespace vornak::test {

// Picture corners (top-left, top-right, bottom-right, bottom-left) of a
// square of side `side` pixels tilted by degrees about its vertical (aboutY)
// or horizontal axis, seen by a pinhole camera at `distance` sides from it:
// the near edge shows larger than the far one. Shifted so that the picture
// starts margin pixels before the square.
inline std::array<TPointF, 4> TiltedCorners(double side, double degrees, bool aboutY, double margin,
                                            double distance = 2.0) {
  const double t = degrees * 3.14159265358979323846 / 180;
  const double d = distance * side;
  const std::array<std::array<double, 2>, 4> square = {
      {{-side / 2, -side / 2}, {side / 2, -side / 2}, {side / 2, side / 2}, {-side / 2, side / 2}}};
  std::array<TPointF, 4> corners{};
  double minX = 1e300, minY = 1e300;
  for (size_t i = 0; i < 4; ++i) {
    double x = square[i][0], y = square[i][1], z = 0;
    if (aboutY) {
      z = x * std::sin(t);
      x = x * std::cos(t);
    } else {
      z = y * std::sin(t);
      y = y * std::cos(t);
    }
    const double f = d / (d + z);
    corners[i] = TPointF{x * f, y * f};
    minX = std::min(minX, corners[i].X);
    minY = std::min(minY, corners[i].Y);
  }
  for (auto& c : corners) c = TPointF{c.X - minX + margin, c.Y - minY + margin};
  return corners;
}

}  // namespace vornak::test
