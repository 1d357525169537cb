#include "locate/AlignmentFinder.h"

#include <algorithm>
#include <cmath>

#include "common/Arith.h"

namespace vornak {

namespace {

bool Dark(const TPlaneBoolean& plane, int32_t x, int32_t y) { return plane.At(x, y, 0) != 0; }

// Pixels of one colour starting at (x, y) going along (dx, dy), at most limit.
int32_t Extent(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx, int32_t dy, bool dark,
               int32_t limit) {
  int32_t n = 0;
  while (n < limit && plane.Inside(x, y) && Dark(plane, x, y) == dark) {
    ++n;
    x += dx;
    y += dy;
  }
  return n;
}

}  // namespace

int32_t TAlignmentFinder::RunThrough(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx,
                                     int32_t dy, int32_t limit, int32_t& before, int32_t& after) {
  const bool dark = Dark(plane, x, y);
  before = Extent(plane, x, y, -dx, -dy, dark, limit) - 1;
  after = Extent(plane, x, y, dx, dy, dark, limit) - 1;
  return before + after + 1;
}

bool TAlignmentFinder::CrossSection(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx,
                                    int32_t dy, long double moduleSize, long double& centre,
                                    long double& error) const {
  if (!Dark(plane, x, y)) return false;
  const auto limit =
      static_cast<int32_t>(WholeToInt64(std::min(std::ceil(moduleSize * 2.5L), 1.0e9L))) + 2;
  int32_t before = 0, after = 0;
  const int32_t middle = RunThrough(plane, x, y, dx, dy, limit, before, after);
  // Walk outwards: light ring, then the dark ring on each side.
  const int32_t bx = x - dx * (before + 1), by = y - dy * (before + 1);
  const int32_t ax = x + dx * (after + 1), ay = y + dy * (after + 1);
  const int32_t lightBefore = Extent(plane, bx, by, -dx, -dy, false, limit);
  const int32_t lightAfter = Extent(plane, ax, ay, dx, dy, false, limit);
  if (lightBefore == 0 || lightAfter == 0) return false;
  const int32_t darkBefore =
      Extent(plane, bx - dx * lightBefore, by - dy * lightBefore, -dx, -dy, true, limit);
  const int32_t darkAfter =
      Extent(plane, ax + dx * lightAfter, ay + dy * lightAfter, dx, dy, true, limit);
  // The dark ring is one module wide but may run into dark neighbours.
  const long double m = moduleSize;
  const long double runs[3] = {static_cast<long double>(lightBefore),
                               static_cast<long double>(middle),
                               static_cast<long double>(lightAfter)};
  const long double mean = (runs[0] + runs[1] + runs[2]) / 3;
  if (mean < 0.5L * m || mean > 1.8L * m) return false;
  long double deviation = 0;
  for (long double r : runs) {
    // Within half of the runs' own module and of one pixel of slack, so that
    // a module two pixels wide still accepts a run of one or three.
    if (std::fabs(r - mean) > 0.5L * mean + 1) return false;
    deviation += std::fabs(r - mean);
  }
  if (darkBefore < std::max<long double>(1, 0.4L * mean) ||
      darkAfter < std::max<long double>(1, 0.4L * mean))
    return false;
  // A light gap (light ring) wider than the centre plus both rings would be
  // ordinary background, not this pattern.
  centre = (static_cast<long double>(after) - static_cast<long double>(before)) / 2;
  error = deviation / (3 * mean) + std::fabs(mean - m) / m / 2;
  return true;
}

bool TAlignmentFinder::Find(const TPlaneBoolean& plane, const TPointReal& predicted,
                            long double moduleSize, long double radius, TPointReal& found) const {
  if (plane.Empty() || !(moduleSize > 0) || !(radius > 0) || !std::isfinite(predicted.X) ||
      !std::isfinite(predicted.Y) || !std::isfinite(moduleSize) || !std::isfinite(radius))
    return false;
  const long double r = std::min<long double>(radius, 4096);
  const long double x0l = std::max<long double>(0, std::floor(predicted.X - r));
  const long double x1l = std::min<long double>(plane.Width() - 1, std::floor(predicted.X + r));
  const long double y0l = std::max<long double>(0, std::floor(predicted.Y - r));
  const long double y1l = std::min<long double>(plane.Height() - 1, std::floor(predicted.Y + r));
  if (x0l > x1l || y0l > y1l) return false;
  const int32_t x0 = static_cast<int32_t>(x0l), x1 = static_cast<int32_t>(x1l);
  const int32_t y0 = static_cast<int32_t>(y0l), y1 = static_cast<int32_t>(y1l);

  bool have = false;
  long double bestScore = 0;
  // Scan the window's rows for dark runs of about one module; each run's
  // middle is a candidate centre, checked across, down and across again.
  for (int32_t y = y0; y <= y1; ++y) {
    int32_t x = x0;
    while (x <= x1) {
      if (!Dark(plane, x, y)) {
        ++x;
        continue;
      }
      int32_t end = x;
      while (end + 1 < plane.Width() && Dark(plane, end + 1, y)) ++end;
      const int32_t length = end - x + 1;
      const int32_t start = x;
      x = end + 1;
      if (length > 2.0L * moduleSize + 1) continue;
      const int32_t cx = (start + end) / 2;
      long double offset = 0, errorH = 0, errorV = 0, errorH2 = 0;
      if (!CrossSection(plane, cx, y, 1, 0, moduleSize, offset, errorH)) continue;
      const long double fx = cx + offset;
      const int32_t ix = FloorToPixel(fx + 0.5L);
      if (!CrossSection(plane, ix, y, 0, 1, moduleSize, offset, errorV)) continue;
      const long double fy = y + offset;
      const int32_t iy = FloorToPixel(fy + 0.5L);
      long double offset2 = 0;
      if (!CrossSection(plane, ix, iy, 1, 0, moduleSize, offset2, errorH2)) continue;
      // The ring must close on the diagonals too; stray 1:1:1 runs in the
      // data area rarely do. A diagonal step crosses 1 to 1/sqrt(2) modules
      // per module width depending on the symbol's rotation.
      const auto jx = FloorToPixel(ix + offset2 + 0.5L);
      long double unused = 0, errorD1 = 0, errorD2 = 0;
      if (!CrossSection(plane, jx, iy, 1, 1, moduleSize * 0.85L, unused, errorD1)) continue;
      if (!CrossSection(plane, jx, iy, 1, -1, moduleSize * 0.85L, unused, errorD2)) continue;
      const long double cxF = ix + offset2 + 0.5L, cyF = fy + 0.5L;
      const long double distance = std::hypot(cxF - predicted.X, cyF - predicted.Y);
      if (distance > r * 1.2L) continue;
      // Prefer a clean pattern, then one near the prediction.
      const long double score = errorH2 + errorV + distance / (r + 1);
      if (!have || score < bestScore) {
        have = true;
        bestScore = score;
        found = TPointReal{cxF, cyF};
      }
    }
  }
  return have;
}

}  // namespace vornak
