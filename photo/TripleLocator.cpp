#include "photo/TripleLocator.h"

#include <algorithm>
#include <cmath>

#include "common/Arith.h"
#include "photo/VersionGuess.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

TPoint ToPixel(long double x, long double y) {
  // Far outside any picture either way: clamped.
  return TPoint{FloorToPixel(x), FloorToPixel(y)};
}

}  // namespace

void TTripleLocator::MapPoint(const TFinderTriple& triple, int32_t size, long double u,
                              long double v, long double& x, long double& y) {
  const TFinderCandidate& o = triple.Finders[0];
  const TFinderCandidate& a = triple.Finders[1];
  const TFinderCandidate& b = triple.Finders[2];
  const long double span = size - 7;
  const long double fa = (u - 3.5L) / span;
  const long double fb = (v - 3.5L) / span;
  x = o.X + fa * (a.X - o.X) + fb * (b.X - o.X);
  y = o.Y + fa * (a.Y - o.Y) + fb * (b.Y - o.Y);
}

bool TTripleLocator::Locate(const TPlaneBoolean& plane, const TDecodeSettings& settings,
                            const TLocationSink& sink) {
  FTriples = &FindFinders(plane);
  for (const TFinderTriple& triple : FTriples->Triples()) {
    if (!TFinderTriples::ReadsAsFinders(plane, triple)) continue;
    const TGridProbe grid = [&plane, &triple](int32_t size) -> TModuleProbe {
      return [&plane, &triple, size](int32_t mx, int32_t my) {
        long double px = 0;
        long double py = 0;
        MapPoint(triple, size, mx + 0.5L, my + 0.5L, px, py);
        const TPoint p = ToPixel(px, py);
        return plane.At(p.X, p.Y, 0) != 0;
      };
    };
    for (int32_t version :
         TVersionGuess::Candidates(triple, grid, kSpread, settings.ForceVersion, kMinAgreement)) {
      const int32_t size = SymbolSide(version);
      // The grid is affine: step along each module row and column.
      long double x0 = 0;
      long double y0 = 0;
      long double xa = 0;
      long double ya = 0;
      long double xb = 0;
      long double yb = 0;
      MapPoint(triple, size, 0.5L, 0.5L, x0, y0);
      MapPoint(triple, size, 1.5L, 0.5L, xa, ya);
      MapPoint(triple, size, 0.5L, 1.5L, xb, yb);
      const long double dxa = xa - x0;
      const long double dya = ya - y0;
      const long double dxb = xb - x0;
      const long double dyb = yb - y0;
      // Double precision is plenty for a pixel index and much faster here.
      FMatrix.Resize(size, size);
      const double limitX = plane.Width();
      const double limitY = plane.Height();
      for (int32_t my = 0; my < size; ++my) {
        uint8_t* row = FMatrix.Row(my);
        double px = static_cast<double>(x0 + my * dxb);
        double py = static_cast<double>(y0 + my * dyb);
        for (int32_t mx = 0; mx < size;
             ++mx, px += static_cast<double>(dxa), py += static_cast<double>(dya)) {
          // Outside the picture (NaN included) reads light.
          const bool inside = px >= 0 && py >= 0 && px < limitX && py < limitY;
          row[mx] =
              inside && plane(static_cast<int32_t>(px), static_cast<int32_t>(py)) != 0 ? 1 : 0;
        }
      }

      TLocation location;
      location.Matrix = &FMatrix;
      location.Size = size;
      location.Version = version;
      for (size_t i = 0; i < 3; ++i)
        location.Finders[i] = ToPixel(triple.Finders[i].X, triple.Finders[i].Y);
      const long double corners[4][2] = {
          {0, 0}, {1.0L * size, 0}, {0, 1.0L * size}, {1.0L * size, 1.0L * size}};
      for (size_t i = 0; i < 4; ++i) {
        long double px = 0;
        long double py = 0;
        MapPoint(triple, size, corners[i][0], corners[i][1], px, py);
        location.Corners[i] = ToPixel(std::nearbyint(px), std::nearbyint(py));
      }
      if (sink(location)) return true;
    }
  }
  return false;
}

}  // namespace vornak
