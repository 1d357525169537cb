#include "photo/GridFit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/LinearSystem.h"

namespace vornak {

namespace {

// Half-pixel steps across an edge, out to this share of a module either
// side: far enough for a grid a third of a module off, not so far that the
// next edge answers.
constexpr double kReach = 0.6;

}  // namespace

void TGridFit::Measure(const TPlaneBoolean& plane, const TModuleGrid& grid,
                       const TPlaneBoolean& matrix) {
  FEdges.clear();
  const TGridReader reader(plane, grid);
  const int32_t n = grid.Size;
  // Modules outside the symbol are the light quiet zone.
  auto value = [&matrix, n](int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < n && y < n && matrix(x, y) != 0;
  };
  auto measure = [&](int32_t x, int32_t y, int32_t dx, int32_t dy) {
    // The edge between module (x, y) and the one beyond it in (dx, dy).
    const bool before = value(x, y), after = value(x + dx, y + dy);
    if (before == after) return;
    const int32_t cx = std::clamp(x, 0, n - 1), cy = std::clamp(y, 0, n - 1);
    const TPixelReader& map = reader.ReaderOf(cx, cy);
    const double u = x + 0.5 + 0.5 * dx, v = y + 0.5 + 0.5 * dy;
    double ax = 0, ay = 0, bx = 0, by = 0, px = 0, py = 0;
    map.Map(u - 0.5 * dx, v - 0.5 * dy, ax, ay);
    map.Map(u + 0.5 * dx, v + 0.5 * dy, bx, by);
    map.Map(u, v, px, py);
    const double length = std::hypot(bx - ax, by - ay);
    if (!(length > 1) || !std::isfinite(length)) return;
    const double ux = (bx - ax) / length, uy = (by - ay) / length;
    // The change from the first colour to the second nearest the predicted
    // edge.
    const double reach = kReach * length;
    double best = reach + 1;
    bool was = map.DarkAt(px - reach * ux, py - reach * uy);
    for (double s = -reach + 0.5; s <= reach; s += 0.5) {
      const bool is = map.DarkAt(px + s * ux, py + s * uy);
      if (was == before && is == after && std::fabs(s - 0.25) < std::fabs(best)) best = s - 0.25;
      was = is;
    }
    if (best > reach) return;
    FEdges.push_back(TEdge{u, v, ux, uy, best, length});
  };
  for (int32_t y = -1; y < n; ++y)
    for (int32_t x = -1; x < n; ++x) {
      if (y >= 0) measure(x, y, 1, 0);
      if (x >= 0) measure(x, y, 0, 1);
    }
}

bool TGridFit::Fit(TModuleGrid& grid, size_t terms) {
  constexpr size_t kTerms = TBend::kTerms;
  constexpr size_t kUnknowns = 2 * kTerms;
  // Each edge's basis once.
  FBasis.resize(FEdges.size());
  for (size_t i = 0; i < FEdges.size(); ++i) FBasis[i] = grid.Bend.Basis(FEdges[i].U, FEdges[i].V);
  std::vector<uint8_t> used(FEdges.size(), 1);
  TBend::TTerms bestX{}, bestY{};
  // Twice: the second time without the edges the first fit leaves far off
  // (misread modules, stains, a neighbouring symbol).
  for (int32_t pass = 0; pass < 2; ++pass) {
    // The normal equations of edge rows (dx b, dy b): three blocks of
    // b b^T weighted by dx dx, dx dy and dy dy, in double (plenty for a
    // fit of pixels), upper triangles only.
    std::array<double, kTerms * kTerms> xx{}, xy{}, yy{};
    std::array<double, kTerms> rx{}, ry{};
    size_t count = 0;
    for (size_t i = 0; i < FEdges.size(); ++i) {
      if (!used[i]) continue;
      const TEdge& e = FEdges[i];
      const TBend::TTerms& b = FBasis[i];
      const double dxx = e.DirectionX * e.DirectionX, dxy = e.DirectionX * e.DirectionY,
                   dyy = e.DirectionY * e.DirectionY;
      for (size_t j = 0; j < terms; ++j) {
        for (size_t k = j; k < terms; ++k) {
          const double bb = b[j] * b[k];
          xx[j * kTerms + k] += dxx * bb;
          xy[j * kTerms + k] += dxy * bb;
          yy[j * kTerms + k] += dyy * bb;
        }
        rx[j] += e.DirectionX * b[j] * e.Offset;
        ry[j] += e.DirectionY * b[j] * e.Offset;
      }
      ++count;
    }
    if (count < static_cast<size_t>(kMinEdges)) return false;
    std::array<long double, kUnknowns * kUnknowns> m{};
    std::array<long double, kUnknowns> r{};
    for (size_t j = 0; j < terms; ++j) {
      r[j] = rx[j];
      r[kTerms + j] = ry[j];
      for (size_t k = 0; k < terms; ++k) {
        const size_t at = std::min(j, k) * kTerms + std::max(j, k);
        m[j * kUnknowns + k] = xx[at];
        m[(kTerms + j) * kUnknowns + kTerms + k] = yy[at];
        m[j * kUnknowns + kTerms + k] = m[(kTerms + k) * kUnknowns + j] = xy[at];
      }
    }
    // A little damping keeps the corners, where few edges are, from
    // swinging; terms left out are held at zero.
    const long double damping = 1e-3L * static_cast<long double>(count);
    for (size_t j = 0; j < kUnknowns; ++j) m[j * kUnknowns + j] += damping + (j % kTerms >= terms);
    if (!SolveLinear<kUnknowns>(m, r)) return false;
    for (size_t k = 0; k < kTerms; ++k) {
      bestX[k] = static_cast<double>(r[k]);
      bestY[k] = static_cast<double>(r[kTerms + k]);
    }
    if (pass == 1) break;
    for (size_t i = 0; i < FEdges.size(); ++i) {
      const TEdge& e = FEdges[i];
      const TBend::TTerms& b = FBasis[i];
      double moved = 0;
      for (size_t k = 0; k < terms; ++k)
        moved += (e.DirectionX * bestX[k] + e.DirectionY * bestY[k]) * b[k];
      used[i] = std::fabs(moved - e.Offset) <= 0.25 * e.Module ? 1 : 0;
    }
  }
  grid.Bend.Add(bestX, bestY);
  return true;
}

bool TGridFit::Refine(const TPlaneBoolean& plane, TModuleGrid& grid, TPlaneBoolean& matrix,
                      int32_t rounds) {
  const TModuleGrid before = grid;
  bool fitted = false;
  // The first round moves the grid as a whole (a shift and a linear
  // stretch), which many edges fix even when a third of the modules were
  // misread; later rounds let it bend.
  constexpr std::array<size_t, 3> kTermsByRound = {3, 6, TBend::kTerms};
  for (int32_t round = 0; round < rounds; ++round) {
    Measure(plane, grid, matrix);
    if (!Fit(grid, kTermsByRound[static_cast<size_t>(std::min(round, 2))])) break;
    fitted = true;
    TGridReader(plane, grid).Sample(matrix);
  }
  if (!fitted) grid = before;
  return fitted;
}

}  // namespace vornak
