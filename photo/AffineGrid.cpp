#include "photo/AffineGrid.h"

#include <cmath>

#include "common/Arith.h"

namespace vornak {

namespace {

TPoint ToPixel(long double x, long double y) {
  // Far outside any picture either way: clamped.
  return TPoint{FloorToPixel(x), FloorToPixel(y)};
}

}  // namespace

TAffineGrid::TAffineGrid(const TFinderTriple& triple, int32_t side)
    : FTriple(triple), FSide(side) {}

void TAffineGrid::Map(long double u, long double v, long double& x, long double& y) const {
  const TFinderCandidate& o = FTriple.Finders[0];
  const TFinderCandidate& a = FTriple.Finders[1];
  const TFinderCandidate& b = FTriple.Finders[2];
  const long double span = FSide - 7;
  const long double fa = (u - 3.5L) / span;
  const long double fb = (v - 3.5L) / span;
  x = o.X + fa * (a.X - o.X) + fb * (b.X - o.X);
  y = o.Y + fa * (a.Y - o.Y) + fb * (b.Y - o.Y);
}

std::array<TPoint, 4> TAffineGrid::Corners() const {
  const long double n = FSide;
  const long double corners[4][2] = {{0, 0}, {n, 0}, {0, n}, {n, n}};
  std::array<TPoint, 4> result{};
  for (size_t i = 0; i < 4; ++i) {
    long double px = 0;
    long double py = 0;
    Map(corners[i][0], corners[i][1], px, py);
    result[i] = ToPixel(std::nearbyint(px), std::nearbyint(py));
  }
  return result;
}

TModuleProbe TAffineGrid::Probe(const TPlaneBoolean& plane) const {
  return [grid = *this, &plane](int32_t mx, int32_t my) {
    long double px = 0;
    long double py = 0;
    grid.Map(mx + 0.5L, my + 0.5L, px, py);
    const TPoint p = ToPixel(px, py);
    return plane.At(p.X, p.Y, 0) != 0;
  };
}

TModuleProbe TAffineGrid::FastProbe(const TPlaneBoolean& plane) const {
  const TFinderCandidate& o = FTriple.Finders[0];
  const TFinderCandidate& a = FTriple.Finders[1];
  const TFinderCandidate& b = FTriple.Finders[2];
  const auto span = static_cast<double>(FSide - 7);
  const auto ox = static_cast<double>(o.X), oy = static_cast<double>(o.Y);
  const double ax = static_cast<double>(a.X - o.X) / span;
  const double ay = static_cast<double>(a.Y - o.Y) / span;
  const double bx = static_cast<double>(b.X - o.X) / span;
  const double by = static_cast<double>(b.Y - o.Y) / span;
  return [&plane, ox, oy, ax, ay, bx, by](int32_t mx, int32_t my) {
    // Module centres lie 3 modules short of the finder centres' 3.5.
    const double u = mx - 3.0, v = my - 3.0;
    const double px = ox + u * ax + v * bx;
    const double py = oy + u * ay + v * by;
    if (!(std::fabs(px) < 1e9) || !(std::fabs(py) < 1e9)) return false;
    return plane.At(static_cast<int32_t>(std::floor(px)), static_cast<int32_t>(std::floor(py)),
                    0) != 0;
  };
}

void TAffineGrid::Sample(const TPlaneBoolean& plane, TPlaneBoolean& matrix) const {
  // The grid is affine: step along each module row and column.
  long double x0 = 0, y0 = 0, xa = 0, ya = 0, xb = 0, yb = 0;
  Map(0.5L, 0.5L, x0, y0);
  Map(1.5L, 0.5L, xa, ya);
  Map(0.5L, 1.5L, xb, yb);
  const long double dxa = xa - x0;
  const long double dya = ya - y0;
  const long double dxb = xb - x0;
  const long double dyb = yb - y0;
  // Double precision is plenty for a pixel index and much faster here.
  matrix.Resize(FSide, FSide);
  const double limitX = plane.Width();
  const double limitY = plane.Height();
  for (int32_t my = 0; my < FSide; ++my) {
    uint8_t* row = matrix.Row(my);
    double px = static_cast<double>(x0 + my * dxb);
    double py = static_cast<double>(y0 + my * dyb);
    for (int32_t mx = 0; mx < FSide;
         ++mx, px += static_cast<double>(dxa), py += static_cast<double>(dya)) {
      // Outside the picture (NaN included) reads light.
      const bool inside = px >= 0 && py >= 0 && px < limitX && py < limitY;
      row[mx] = inside && plane(static_cast<int32_t>(px), static_cast<int32_t>(py)) != 0 ? 1 : 0;
    }
  }
}

}  // namespace vornak
