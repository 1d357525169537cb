#include "photo/FinderCheck.h"

#include <algorithm>
#include <cmath>

namespace vornak {

namespace {

// Distance in pixels from (x, y) along the unit step (dx, dy) to where the
// dark ring ends: dark core, light ring, dark ring, then light; -1 when that
// does not happen within limit. Half-pixel steps keep a one-pixel run.
double RingEdge(const TPlaneBoolean& plane, double x, double y, double dx, double dy,
                double limit) {
  int32_t phase = 0;  // 0 core, 1 light ring, 2 dark ring
  for (double t = 0; t < limit; t += 0.5) {
    const double px = x + t * dx, py = y + t * dy;
    if (!(px >= 0 && py >= 0 && px < plane.Width() && py < plane.Height())) return -1;
    const bool dark = plane(static_cast<int32_t>(px), static_cast<int32_t>(py)) != 0;
    if (phase == 0 && !dark) {
      phase = 1;
    } else if (phase == 1 && dark) {
      phase = 2;
    } else if (phase == 2 && !dark) {
      return t;
    }
  }
  return -1;
}

// Whether the line through (x, y) along the diagonal step (dx, dy) crosses
// dark core, light ring, dark ring either way in 1:1:3:1:1 (light for dark
// where light is set).
bool DiagonalRatio(const TBitRows& rows, int32_t x, int32_t y, int32_t dx, int32_t dy,
                   int32_t limit, bool light) {
  const auto inside = [&rows](int32_t px, int32_t py) {
    return px >= 0 && py >= 0 && px < rows.Width() && py < rows.Height();
  };
  const auto dark = [&rows, light](int32_t px, int32_t py) { return rows.Dark(px, py) != light; };
  if (!inside(x, y) || !dark(x, y)) return false;
  std::array<int32_t, 5> v{};
  // Out from the centre one way (sign 1) and the other (sign -1): the dark
  // core, then the light ring, then the dark ring.
  for (const int32_t sign : {1, -1}) {
    int32_t px = x + sign * dx, py = y + sign * dy;
    for (int32_t run = 0; run < 3; ++run) {
      const bool wantDark = run != 1;
      int32_t count = 0;
      while (inside(px, py) && dark(px, py) == wantDark && count < limit) {
        px += sign * dx;
        py += sign * dy;
        ++count;
      }
      if (run == 0)
        v[2] += count;
      else
        v[static_cast<size_t>(sign > 0 ? 2 + run : 2 - run)] = count;
    }
  }
  ++v[2];  // the centre itself
  return TFinderCheck::Ratio(v);
}

}  // namespace

bool TFinderCheck::CrossesDiagonally(const TBitRows& rows, const TFinderCandidate& c, bool light) {
  // Whole values to integers through double, as elsewhere here.
  const auto x = static_cast<int32_t>(static_cast<double>(c.X));
  const auto y = static_cast<int32_t>(static_cast<double>(c.Y));
  // A run along a diagonal spans at most the finder's seven modules of
  // either axis; twice that allows for a stretched one.
  const auto limit = static_cast<int32_t>(static_cast<double>(c.Module) * 14) + 2;
  return DiagonalRatio(rows, x, y, 1, 1, limit, light) &&
         DiagonalRatio(rows, x, y, 1, -1, limit, light);
}

int32_t TFinderCheck::FinderMisreads(const TPlaneBoolean& plane, const TFinderTriple& triple,
                                     int32_t index, int32_t limit) {
  constexpr int32_t kAll = 64;
  if (index < 0 || index > 2) return kAll;
  const TFinderCandidate& o = triple.Finders[0];
  double ax = static_cast<double>(triple.Finders[1].X - o.X);
  double ay = static_cast<double>(triple.Finders[1].Y - o.Y);
  double bx = static_cast<double>(triple.Finders[2].X - o.X);
  double by = static_cast<double>(triple.Finders[2].Y - o.Y);
  const double la = std::sqrt(ax * ax + ay * ay), lb = std::sqrt(bx * bx + by * by);
  if (!(la > 0) || !(lb > 0) || !std::isfinite(la) || !std::isfinite(lb)) return kAll;
  ax /= la;
  ay /= la;
  bx /= lb;
  by /= lb;
  const TFinderCandidate& f = triple.Finders[static_cast<size_t>(index)];
  const auto fx = static_cast<double>(f.X), fy = static_cast<double>(f.Y);
  // The ring ends 3.5 modules out; a little more than twice that allows for
  // a candidate whose runs came out short.
  const double reach = 8 * static_cast<double>(f.Module) + 4;
  const double a1 = RingEdge(plane, fx, fy, ax, ay, reach);
  const double a2 = RingEdge(plane, fx, fy, -ax, -ay, reach);
  const double b1 = RingEdge(plane, fx, fy, bx, by, reach);
  const double b2 = RingEdge(plane, fx, fy, -bx, -by, reach);
  if ((a1 < 0 && a2 < 0) || (b1 < 0 && b2 < 0)) return kAll;
  // Where the ring runs into a dark surround, the other side stands in.
  const double ea = a1 < 0 ? a2 : a1, wa = a2 < 0 ? a1 : a2;
  const double eb = b1 < 0 ? b2 : b1, wb = b2 < 0 ? b1 : b2;
  const double ma = (ea + wa) / 7, mb = (eb + wb) / 7;
  const double cx = fx + (ea - wa) / 2 * ax + (eb - wb) / 2 * bx;
  const double cy = fy + (ea - wa) / 2 * ay + (eb - wb) / 2 * by;
  // Module offsets from the finder's centre module: the separator lies
  // towards the symbol, past axis A's start for the axis A finder, past
  // axis B's start for the axis B finder.
  const int32_t i0 = index == 1 ? -4 : -3, j0 = index == 2 ? -4 : -3;
  int32_t misreads = 0;
  for (int32_t j = j0; j < j0 + 8; ++j) {
    for (int32_t i = i0; i < i0 + 8; ++i) {
      const int32_t ring = std::max(std::abs(i), std::abs(j));
      const bool dark = ring <= 1 || ring == 3;
      const double px = cx + ma * i * ax + mb * j * bx;
      const double py = cy + ma * i * ay + mb * j * by;
      const bool inside = px >= 0 && py >= 0 && px < plane.Width() && py < plane.Height();
      const bool read = inside && plane(static_cast<int32_t>(px), static_cast<int32_t>(py)) != 0;
      if (read != dark && ++misreads > limit) return misreads;
    }
  }
  return misreads;
}

bool TFinderCheck::ReadsAsFinders(const TPlaneBoolean& plane, const TFinderTriple& triple) {
  for (int32_t i = 0; i < 3; ++i)
    if (FinderMisreads(plane, triple, i, kMaxFinderMisreads) > kMaxFinderMisreads) return false;
  return true;
}

}  // namespace vornak
