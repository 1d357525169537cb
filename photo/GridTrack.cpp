#include "photo/GridTrack.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vornak {

namespace {

// An edge is looked for this share of a module either side of where it is
// predicted: the lattice's next line of the same direction lies a whole
// module on.
constexpr double kReach = 0.45;
// Share of the change in the moves between followed neighbours that is
// taken as the lattice's own change of scale: half, since each move carries
// the noise of its own measurement, which the whole would pass on from
// module to module.
constexpr double kGradientShare = 0.5;
// The grid's module may be taken this much narrower or wider, no more.
constexpr double kLeastScale = 0.4;
constexpr double kMostScale = 1.6;

}  // namespace

bool TGridTrack::Follow(const TPlaneBoolean& plane, TModuleGrid& grid, TPlaneBoolean& matrix) {
  const int32_t n = grid.Size;
  if (n < 21) return false;
  const auto cells = static_cast<size_t>(n) * static_cast<size_t>(n);
  const TGridReader reader(plane, grid);
  FPoints.resize(cells);
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      const TPixelReader& map = reader.ReaderOf(x, y);
      TModulePoint& p = FPoints[static_cast<size_t>(y) * n + x];
      double ax = 0, ay = 0, bx = 0, by = 0;
      map.Map(x + 0.5, y + 0.5, p.X, p.Y);
      map.Map(x, y + 0.5, ax, ay);
      map.Map(x + 1, y + 0.5, bx, by);
      p.AxisX[0] = bx - ax;
      p.AxisX[1] = by - ay;
      map.Map(x + 0.5, y, ax, ay);
      map.Map(x + 0.5, y + 1, bx, by);
      p.AxisY[0] = bx - ax;
      p.AxisY[1] = by - ay;
      for (size_t axis = 0; axis < 2; ++axis) {
        const double* a = axis == 0 ? p.AxisX : p.AxisY;
        p.Length[axis] = std::hypot(a[0], a[1]);
        // A point at infinity, or a module under a pixel, measures nothing.
        if (!(p.Length[axis] > 1) || !std::isfinite(p.Length[axis])) p.Length[axis] = 0;
      }
    }
  FMoveX.assign(cells, 0);
  FMoveY.assign(cells, 0);
  // 0 waiting, 1 queued, 2 followed.
  FDone.assign(cells, 0);
  FQueue.clear();
  // The finders' dark cores lie where the grid was fitted to them, their
  // rings perhaps not: a label round a bottle narrows a finder at its side
  // unevenly. The lattice is followed out from the cores.
  for (const auto& [fx, fy] : {std::pair{3, 3}, std::pair{n - 4, 3}, std::pair{3, n - 4}})
    for (int32_t y = fy - 1; y <= fy + 1; ++y)
      for (int32_t x = fx - 1; x <= fx + 1; ++x) {
        const size_t at = static_cast<size_t>(y) * n + x;
        FDone[at] = 2;
        FQueue.push_back(static_cast<int32_t>(at));
      }
  // Where the colour changes nearest the predicted edge along axis (ux, uy)
  // from point (px, py), in pixels along the axis, within reach.
  // Any of the grid's readers tells a pixel's colour.
  const TPixelReader& pixels = reader.ReaderOf(0, 0);
  auto change = [&pixels](double px, double py, double ux, double uy, double reach, double& found) {
    double best = reach + 1;
    bool was = pixels.DarkAt(px - reach * ux, py - reach * uy);
    for (double s = -reach + 0.5; s <= reach; s += 0.5) {
      const bool is = pixels.DarkAt(px + s * ux, py + s * uy);
      if (is != was && std::fabs(s - 0.25) < std::fabs(best)) best = s - 0.25;
      was = is;
    }
    if (best > reach) return false;
    found = best;
    return true;
  };
  // One module along an axis of module point q as the picture shows it:
  // the grid's, changed by the moves' change per module g (pixels, u then
  // v), within bounds. False when too short to measure.
  auto axisOf = [](const TModulePoint& q, size_t axis, const std::array<double, 4>& g,
                   std::array<double, 2>& a, double& length) {
    if (q.Length[axis] == 0) return false;
    const double* grid = axis == 0 ? q.AxisX : q.AxisY;
    a = {grid[0], grid[1]};
    length = q.Length[axis];
    const std::array<double, 2> changed = {grid[0] + g[2 * axis], grid[1] + g[2 * axis + 1]};
    const double l = std::hypot(changed[0], changed[1]);
    if (l > 1 && l > kLeastScale * length && l < kMostScale * length) {
      a = changed;
      length = l;
    }
    return true;
  };
  // The move beyond the prediction that the edges of module at and of its
  // eight neighbours show (one module's edges alone swing with a pixel of
  // noise), and how many edges were found. The neighbours and the edges
  // are looked for at the lattice's scale there (see axisOf).
  auto measure = [&](int32_t at, double predX, double predY, const std::array<double, 4>& g,
                     double& mx, double& my) {
    const TModulePoint& p = FPoints[static_cast<size_t>(at)];
    // The mean offset of the edges found, along each axis.
    std::array<double, 2> offset{0, 0};
    std::array<int32_t, 2> count{0, 0};
    std::array<std::array<double, 2>, 2> unit{};
    for (size_t axis = 0; axis < 2; ++axis) {
      std::array<double, 2> a{};
      double length = 0;
      if (axisOf(p, axis, g, a, length)) unit[axis] = {a[0] / length, a[1] / length};
    }
    const int32_t cx = at % n, cy = at / n;
    for (int32_t dy = -1; dy <= 1; ++dy)
      for (int32_t dx = -1; dx <= 1; ++dx) {
        const int32_t qx = cx + dx, qy = cy + dy;
        if (qx < 0 || qy < 0 || qx >= n || qy >= n) continue;
        const TModulePoint& q = FPoints[static_cast<size_t>(qy) * n + qx];
        const double px = q.X + predX + dx * g[0] + dy * g[2];
        const double py = q.Y + predY + dx * g[1] + dy * g[3];
        for (size_t axis = 0; axis < 2; ++axis) {
          std::array<double, 2> a{};
          double length = 0;
          if (!axisOf(q, axis, g, a, length)) continue;
          const double ux = a[0] / length, uy = a[1] / length;
          for (const double side : {-0.5, 0.5}) {
            double found = 0;
            if (change(px + side * a[0], py + side * a[1], ux, uy, kReach * length, found)) {
              offset[axis] += found;
              ++count[axis];
            }
          }
        }
      }
    // The move that shifts the module by the mean offset along each axis
    // found, and by nothing along an axis without edges.
    const double r0 = count[0] > 0 ? offset[0] / count[0] : 0;
    const double r1 = count[1] > 0 ? offset[1] / count[1] : 0;
    const double det = unit[0][0] * unit[1][1] - unit[0][1] * unit[1][0];
    if (std::fabs(det) > 0.2) {
      mx = (r0 * unit[1][1] - r1 * unit[0][1]) / det;
      my = (unit[0][0] * r1 - unit[1][0] * r0) / det;
    }
    return count[0] + count[1];
  };
  int64_t edges = 0;
  int64_t followed = 0;
  for (size_t head = 0; head < FQueue.size(); ++head) {
    const int32_t at = FQueue[head];
    const int32_t x = at % n, y = at / n;
    if (FDone[static_cast<size_t>(at)] == 1) {
      // The move the modules followed round it predict, those beside it
      // counting twice those across a corner.
      double sx = 0, sy = 0, weight = 0;
      for (int32_t j = -1; j <= 1; ++j)
        for (int32_t i = -1; i <= 1; ++i) {
          const int32_t u = x + i, v = y + j;
          if ((i == 0 && j == 0) || u < 0 || v < 0 || u >= n || v >= n) continue;
          const size_t near = static_cast<size_t>(v) * n + u;
          if (FDone[near] != 2) continue;
          const double w = i == 0 || j == 0 ? 2 : 1;
          sx += w * FMoveX[near];
          sy += w * FMoveY[near];
          weight += w;
        }
      // How the moves change from one module to the next round it, along
      // u and along v: where a label turns away its modules narrow while
      // the grid's stay as wide, and each module's edges lie nearer its
      // centre than the grid puts them (on a wide bottle's side, a quarter
      // of the grid's module nearer, where the next module's edges lie as
      // near the grid's).
      std::array<double, 4> g{0, 0, 0, 0};
      std::array<double, 2> pairs{0, 0};
      for (int32_t v = std::max(0, y - 2); v <= std::min(n - 1, y + 2); ++v)
        for (int32_t u = std::max(0, x - 2); u <= std::min(n - 1, x + 2); ++u) {
          const size_t from = static_cast<size_t>(v) * n + u;
          if (FDone[from] != 2) continue;
          for (size_t axis = 0; axis < 2; ++axis) {
            if ((axis == 0 ? u : v) + 1 >= n) continue;
            const size_t to = from + (axis == 0 ? 1 : static_cast<size_t>(n));
            if (FDone[to] != 2) continue;
            g[2 * axis] += FMoveX[to] - FMoveX[from];
            g[2 * axis + 1] += FMoveY[to] - FMoveY[from];
            ++pairs[axis];
          }
        }
      for (size_t axis = 0; axis < 2; ++axis)
        if (pairs[axis] > 0) {
          g[2 * axis] *= kGradientShare / pairs[axis];
          g[2 * axis + 1] *= kGradientShare / pairs[axis];
        }
      double mx = 0, my = 0;
      edges += measure(at, sx / weight, sy / weight, g, mx, my);
      FMoveX[static_cast<size_t>(at)] = sx / weight + mx;
      FMoveY[static_cast<size_t>(at)] = sy / weight + my;
      FDone[static_cast<size_t>(at)] = 2;
      ++followed;
    }
    for (const auto& [i, j] :
         {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
      const int32_t u = x + i, v = y + j;
      if (u < 0 || v < 0 || u >= n || v >= n) continue;
      const size_t next = static_cast<size_t>(v) * n + u;
      if (FDone[next] != 0) continue;
      FDone[next] = 1;
      FQueue.push_back(static_cast<int32_t>(next));
    }
  }
  if (followed == 0 || static_cast<double>(edges) < kMinEdgesPerModule * followed) return false;
  // What noise is left moves a module alone: the field is the mean of each
  // module's neighbourhood.
  std::vector<float> fieldX(cells, 0), fieldY(cells, 0);
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      double sx = 0, sy = 0;
      int32_t count = 0;
      for (int32_t v = std::max(0, y - 1); v <= std::min(n - 1, y + 1); ++v)
        for (int32_t u = std::max(0, x - 1); u <= std::min(n - 1, x + 1); ++u) {
          sx += FMoveX[static_cast<size_t>(v) * n + u];
          sy += FMoveY[static_cast<size_t>(v) * n + u];
          ++count;
        }
      fieldX[static_cast<size_t>(y) * n + x] = static_cast<float>(sx / count);
      fieldY[static_cast<size_t>(y) * n + x] = static_cast<float>(sy / count);
    }
  grid.Bend.SetField(std::move(fieldX), std::move(fieldY));
  TGridReader(plane, grid).Sample(matrix);
  return true;
}

}  // namespace vornak
