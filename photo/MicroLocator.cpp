#include "photo/MicroLocator.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "photo/FinderShapes.h"
#include "symbol/MicroTables.h"

namespace vornak {

namespace {

// Whether the pixel at point p is dark; outside the plane reads light, as a
// quiet zone would.
bool DarkAt(const TPlaneBoolean& plane, const TPointReal& p) {
  const long double x = std::floor(p.X);
  const long double y = std::floor(p.Y);
  if (x < 0 || y < 0 || x >= plane.Width() || y >= plane.Height()) return false;
  return plane(static_cast<int32_t>(x), static_cast<int32_t>(y)) != 0;
}

// The module-space corners of the finder's light ring, in turning order.
constexpr std::array<TPointReal, 4> kRing = {{{1, 1}, {6, 1}, {6, 6}, {1, 6}}};

}  // namespace

int32_t TMicroLocator::TimingMisreads(const TPlaneBoolean& plane, const THomography& t,
                                      int32_t side) {
  int32_t wrong = 0;
  for (int32_t k = 7; k <= side + 1; ++k) {
    // The separator, then dark on even modules, then the quiet zone.
    const bool dark = k >= 8 && k < side && k % 2 == 0;
    TPointReal row, column;
    if (!t.Map({k + 0.5L, 0.5L}, row) || !t.Map({0.5L, k + 0.5L}, column)) return 2 * side;
    wrong += (DarkAt(plane, row) != dark) + (DarkAt(plane, column) != dark);
  }
  return wrong;
}

bool TMicroLocator::Refit(const TPlaneBoolean& plane, const std::array<TPointReal, 4>& corners,
                          int32_t side, THomography& t) const {
  std::vector<TPointReal> from(kRing.begin(), kRing.end());
  std::vector<TPointReal> to(corners.begin(), corners.end());
  // Each dark timing module lies between two light ones, the quiet zone
  // outside it: the middle of its run along the edge, and where the quiet
  // zone begins across it, place it. Perspective moves the far ones most.
  auto dark = [&](long double u, long double v, bool row) {
    TPointReal p;
    return t.Map(row ? TPointReal{u, v} : TPointReal{v, u}, p) && DarkAt(plane, p);
  };
  for (int32_t edge = 0; edge < 2; ++edge) {
    const bool row = edge == 0;
    int32_t found = 0;
    for (int32_t k = 8; k < side; k += 2) {
      const long double u = k + 0.5L;
      if (!dark(u, 0.5L, row)) continue;
      // Steps of a tenth of a module each way along the edge, to the light.
      long double ends[2] = {0, 0};
      bool lone = true;
      for (int32_t way = 0; way < 2 && lone; ++way) {
        const long double sign = way == 0 ? -1.0L : 1.0L;
        long double d = 0.1L;
        while (d <= 1.2L && dark(u + sign * d, 0.5L, row)) d += 0.1L;
        lone = d <= 1.2L;
        ends[way] = sign * (d - 0.05L);
      }
      if (!lone) continue;
      const long double middle = u + (ends[0] + ends[1]) / 2;
      // Outward across the edge, to the quiet zone.
      long double v = 0.5L;
      while (v > -0.7L && dark(middle, v - 0.1L, row)) v -= 0.1L;
      if (v <= -0.7L) continue;
      const long double across = v - 0.05L;
      from.push_back(row ? TPointReal{u, 0} : TPointReal{0, u});
      to.push_back(row ? t.Map(middle, across) : t.Map(across, middle));
      ++found;
    }
    // Without the far end of either edge the finder alone spans the grid.
    if (found < 2) return false;
  }
  THomography refit = t;
  if (!refit.FitLeastSquares(from, to)) return false;
  t = refit;
  return true;
}

void TMicroLocator::Sample(const TPlaneBoolean& plane, const THomography& t, int32_t side) {
  FMatrix.Resize(side, side, 0);
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      TPointReal p;
      FMatrix(x, y) = t.Map({x + 0.5L, y + 0.5L}, p) && DarkAt(plane, p) ? 1 : 0;
    }
}

bool TMicroLocator::Locate(const TPlaneBoolean& plane, const TPlaneGrey* /*grey*/,
                           const TDecodeSettings& /*settings*/, const TLocationSink& sink) {
  const TFinderShapes& shapes = FindShapes(plane);
  int32_t offered = 0;
  for (const TFinderShapes::TShape& found : shapes.Shapes()) {
    // Corners turning as module columns turn onto rows in the picture (y
    // down), so that only a mirrored symbol samples transposed.
    std::array<TPointReal, 4> ring = found.Corners;
    const long double cross = (ring[1].X - ring[0].X) * (ring[3].Y - ring[0].Y) -
                              (ring[1].Y - ring[0].Y) * (ring[3].X - ring[0].X);
    if (cross < 0) std::swap(ring[1], ring[3]);
    // Every turn of the symbol round its finder, and every side, ranked by
    // how well the timing patterns read.
    struct TCandidate {
      int32_t Misreads;
      int32_t Side;
      THomography Transform;
    };
    std::vector<TCandidate> candidates;
    for (int32_t turn = 0; turn < 4; ++turn) {
      std::array<TPointReal, 4> to{};
      for (size_t k = 0; k < 4; ++k) to[k] = ring[(k + static_cast<size_t>(turn)) % 4];
      THomography t;
      if (!t.Fit(kRing, to)) continue;
      // Refitted on the timing modules of the largest side, which finds
      // those of any: past a smaller symbol lies the quiet zone. The finder
      // alone spans the grid poorly far from it.
      Refit(plane, to, micro::SymbolSide(micro::kMaxVersion), t);
      for (int32_t version = micro::kMinVersion; version <= micro::kMaxVersion; ++version) {
        const int32_t side = micro::SymbolSide(version);
        const int32_t misreads = TimingMisreads(plane, t, side);
        if (misreads <= kMaxTimingMisreads) candidates.push_back({misreads, side, t});
      }
    }
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const TCandidate& a, const TCandidate& b) { return a.Misreads < b.Misreads; });
    int32_t tried = 0;
    for (TCandidate& c : candidates) {
      if (tried == kPerShape || offered == kMaxCandidates) break;
      ++tried;
      ++offered;
      Sample(plane, c.Transform, c.Side);
      TLocation location;
      location.Matrix = &FMatrix;
      location.Size = c.Side;
      // The trace draws QR Code grids by version; a Micro QR grid has none.
      location.Version = 0;
      const TPointReal centre = c.Transform.Map(3.5L, 3.5L);
      const TPoint finder{static_cast<int32_t>(std::lround(centre.X)),
                          static_cast<int32_t>(std::lround(centre.Y))};
      location.Finders = {finder, finder, finder};
      const long double s = c.Side;
      const std::array<TPointReal, 4> corners = {c.Transform.Map(0, 0), c.Transform.Map(s, 0),
                                                 c.Transform.Map(0, s), c.Transform.Map(s, s)};
      for (size_t k = 0; k < 4; ++k)
        location.Corners[k] = {static_cast<int32_t>(std::lround(corners[k].X)),
                               static_cast<int32_t>(std::lround(corners[k].Y))};
      if (sink(location)) return true;
    }
    if (offered == kMaxCandidates) break;
  }
  return false;
}

}  // namespace vornak
