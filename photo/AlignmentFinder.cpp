#include "photo/AlignmentFinder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "common/Arith.h"

namespace vornak {

namespace {

bool Dark(const TPlaneBoolean& plane, int32_t x, int32_t y) { return plane.At(x, y, 0) != 0; }

// Pixels left in the plane from a inclusive stepping by d along an axis of
// the given size (a inside it).
int32_t Room(int32_t a, int32_t d, int32_t size) {
  if (d > 0) return size - a;
  if (d < 0) return a + 1;
  return std::numeric_limits<int32_t>::max();
}

// Pixels of one colour starting at (x, y) going along (dx, dy), at most limit.
int32_t Extent(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx, int32_t dy, bool dark,
               int32_t limit) {
  if (!plane.Inside(x, y)) return 0;
  // The steps that stay inside are known up front, so the walk reads the
  // pixels without a bounds check each.
  const int32_t most = std::min({limit, Room(x, dx, plane.Width()), Room(y, dy, plane.Height())});
  const uint8_t* row = plane.Row(y);
  const ptrdiff_t stride = static_cast<ptrdiff_t>(dy) * plane.Width() + dx;
  ptrdiff_t at = x;
  int32_t n = 0;
  while (n < most && (row[at] != 0) == dark) {
    ++n;
    at += stride;
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

bool TAlignmentFinder::Window(const TPlaneBoolean& plane, const TPointReal& predicted,
                              long double radius, int32_t& x0, int32_t& y0, int32_t& x1,
                              int32_t& y1) {
  const long double r = std::min<long double>(radius, 4096);
  const long double x0l = std::max<long double>(0, std::floor(predicted.X - r));
  const long double x1l = std::min<long double>(plane.Width() - 1, std::floor(predicted.X + r));
  const long double y0l = std::max<long double>(0, std::floor(predicted.Y - r));
  const long double y1l = std::min<long double>(plane.Height() - 1, std::floor(predicted.Y + r));
  if (x0l > x1l || y0l > y1l) return false;
  x0 = static_cast<int32_t>(x0l);
  x1 = static_cast<int32_t>(x1l);
  y0 = static_cast<int32_t>(y0l);
  y1 = static_cast<int32_t>(y1l);
  return true;
}

bool TAlignmentFinder::Chain(const TPlaneBoolean& plane, int32_t cx, int32_t y,
                             long double moduleSize, TChain& chain) const {
  long double offset = 0, errorH = 0, errorV = 0, errorH2 = 0;
  if (!CrossSection(plane, cx, y, 1, 0, moduleSize, offset, errorH)) return false;
  const long double fx = cx + offset;
  const int32_t ix = FloorToPixel(fx + 0.5L);
  if (!CrossSection(plane, ix, y, 0, 1, moduleSize, offset, errorV)) return false;
  const long double fy = y + offset;
  const int32_t iy = FloorToPixel(fy + 0.5L);
  long double offset2 = 0;
  if (!CrossSection(plane, ix, iy, 1, 0, moduleSize, offset2, errorH2)) return false;
  // The ring must close on the diagonals too; stray 1:1:1 runs in the
  // data area rarely do. A diagonal step crosses 1 to 1/sqrt(2) modules
  // per module width depending on the symbol's rotation.
  const auto jx = FloorToPixel(ix + offset2 + 0.5L);
  long double unused = 0, errorD1 = 0, errorD2 = 0;
  if (!CrossSection(plane, jx, iy, 1, 1, moduleSize * 0.85L, unused, errorD1)) return false;
  if (!CrossSection(plane, jx, iy, 1, -1, moduleSize * 0.85L, unused, errorD2)) return false;
  chain = TChain{ix + offset2 + 0.5L, fy + 0.5L, errorH2 + errorV};
  return true;
}

bool TAlignmentFinder::Find(const TPlaneBoolean& plane, const TPointReal& predicted,
                            long double moduleSize, long double radius, TPointReal& found) const {
  return Scan(plane, predicted, moduleSize, radius, found, nullptr);
}

bool TAlignmentFinder::FindGrowing(const TPlaneBoolean& plane,
                                   const std::vector<TPointReal>& predictions,
                                   long double moduleSize, const std::vector<long double>& radii,
                                   TPointReal& found) {
  for (size_t k = 0; k < radii.size(); ++k) {
    if (k == 1) {
      // The first radius is the smallest and mostly hits: the box the rest
      // share is set up only when it missed.
      FMemo.Width = 0;
      int32_t bx0 = 0, by0 = 0, bx1 = -1, by1 = -1;
      for (const TPointReal& predicted : predictions) {
        for (size_t j = k; j < radii.size(); ++j) {
          int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
          if (!std::isfinite(predicted.X) || !std::isfinite(predicted.Y) || !(radii[j] > 0) ||
              !std::isfinite(radii[j]) || !Window(plane, predicted, radii[j], x0, y0, x1, y1))
            continue;
          if (bx1 < bx0) {
            bx0 = x0, by0 = y0, bx1 = x1, by1 = y1;
          } else {
            bx0 = std::min(bx0, x0), by0 = std::min(by0, y0);
            bx1 = std::max(bx1, x1), by1 = std::max(by1, y1);
          }
        }
      }
      // A box beyond a few megapixels (huge modules) is searched unremembered.
      constexpr int64_t kMaxMemo = int64_t{1} << 22;
      if (bx1 >= bx0 && int64_t{bx1 - bx0 + 1} * int64_t{by1 - by0 + 1} <= kMaxMemo) {
        FMemo.X0 = bx0;
        FMemo.Y0 = by0;
        FMemo.Width = bx1 - bx0 + 1;
        FMemo.Height = by1 - by0 + 1;
        FMemo.State.assign(static_cast<size_t>(FMemo.Width) * static_cast<size_t>(FMemo.Height), 0);
        FMemo.Chains.clear();
      }
    }
    for (const TPointReal& predicted : predictions) {
      if (Scan(plane, predicted, moduleSize, radii[k], found,
               k > 0 && FMemo.Width > 0 ? &FMemo : nullptr))
        return true;
    }
  }
  return false;
}

bool TAlignmentFinder::Scan(const TPlaneBoolean& plane, const TPointReal& predicted,
                            long double moduleSize, long double radius, TPointReal& found,
                            TMemo* memo) const {
  if (plane.Empty() || !(moduleSize > 0) || !(radius > 0) || !std::isfinite(predicted.X) ||
      !std::isfinite(predicted.Y) || !std::isfinite(moduleSize) || !std::isfinite(radius))
    return false;
  const long double r = std::min<long double>(radius, 4096);
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  if (!Window(plane, predicted, radius, x0, y0, x1, y1)) return false;

  bool have = false;
  long double bestScore = 0;
  // Scan the window's rows for dark runs of about one module; each run's
  // middle is a candidate centre, checked across, down and across again.
  for (int32_t y = y0; y <= y1; ++y) {
    const uint8_t* row = plane.Row(y);
    int32_t x = x0;
    while (x <= x1) {
      if (row[x] == 0) {
        ++x;
        continue;
      }
      int32_t end = x;
      while (end + 1 < plane.Width() && row[end + 1] != 0) ++end;
      const int32_t length = end - x + 1;
      const int32_t start = x;
      x = end + 1;
      if (length > 2.0L * moduleSize + 1) continue;
      const int32_t cx = (start + end) / 2;
      TChain chain;
      if (memo != nullptr && cx >= memo->X0 && cx < memo->X0 + memo->Width && y >= memo->Y0 &&
          y < memo->Y0 + memo->Height) {
        uint32_t& state =
            memo->State[static_cast<size_t>(y - memo->Y0) * static_cast<size_t>(memo->Width) +
                        static_cast<size_t>(cx - memo->X0)];
        if (state == 0) {
          if (Chain(plane, cx, y, moduleSize, chain)) {
            memo->Chains.push_back(chain);
            state = static_cast<uint32_t>(memo->Chains.size() + 1);
          } else {
            state = 1;
          }
        }
        if (state == 1) continue;
        chain = memo->Chains[state - 2];
      } else if (!Chain(plane, cx, y, moduleSize, chain)) {
        continue;
      }
      // Both points lie within the window, so the plain root cannot overflow
      // and is much faster than hypot.
      const long double dx = chain.X - predicted.X, dy = chain.Y - predicted.Y;
      const long double distance = std::sqrt(dx * dx + dy * dy);
      if (distance > r * 1.2L) continue;
      // Prefer a clean pattern, then one near the prediction.
      const long double score = chain.Error + distance / (r + 1);
      if (!have || score < bestScore) {
        have = true;
        bestScore = score;
        found = TPointReal{chain.X, chain.Y};
      }
    }
  }
  return have;
}

}  // namespace vornak
