#include "photo/GridFit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/LinearSystem.h"
#include "symbol/SeedModule.h"

namespace vornak {

namespace {

// Half-pixel steps across an edge, out to this share of a module either
// side: far enough for a grid a third of a module off, not so far that the
// next edge answers.
constexpr double kReach = 0.6;
// Between two modules of fixed colours the next edge of the same sense lies
// two modules on (the timing patterns alternate): such edges are looked for
// nearly a module either side.
constexpr double kFixedReach = 0.9;

// The colour the standard fixes for module (x, y) of a symbol n modules a
// side with alignment centres at coordinates: 1 dark, 0 light, -1 a data,
// format or version module.
int32_t FixedColour(int32_t n, const std::vector<int32_t>& coordinates, int32_t x, int32_t y) {
  // Finders with their separators.
  for (const auto& [fx, fy] : {std::pair{3, 3}, std::pair{n - 4, 3}, std::pair{3, n - 4}}) {
    const int32_t d = std::max(std::abs(x - fx), std::abs(y - fy));
    if (d <= 4) return d != 2 && d != 4 ? 1 : 0;
  }
  if (y == 6 && x >= 8 && x < n - 8) return x % 2 == 0 ? 1 : 0;
  if (x == 6 && y >= 8 && y < n - 8) return y % 2 == 0 ? 1 : 0;
  if (x == 8 && y == n - 8) return 1;
  const int32_t last = static_cast<int32_t>(coordinates.size()) - 1;
  for (int32_t j = 0; j <= last; ++j)
    for (int32_t i = 0; i <= last; ++i) {
      // None where a finder stands.
      if ((i == 0 && j == 0) || (i == 0 && j == last) || (i == last && j == 0)) continue;
      const int32_t d = std::max(std::abs(x - coordinates[static_cast<size_t>(i)]),
                                 std::abs(y - coordinates[static_cast<size_t>(j)]));
      if (d <= 2) return d != 1 ? 1 : 0;
    }
  return -1;
}

}  // namespace

void TGridFit::Measure(const TPlaneBoolean& plane, const TModuleGrid& grid,
                       const TPlaneBoolean& matrix, bool data) {
  FEdges.clear();
  const TGridReader reader(plane, grid);
  const int32_t n = grid.Size;
  // Modules outside the symbol are the light quiet zone. The finders,
  // timing patterns and alignment patterns have the colours the standard
  // gives them whatever was read there: their edges measure where the grid
  // must lie even where the data was misread, one timing edge per module
  // along both timing lines.
  // The same for every round on one symbol: made once per side.
  if (FFixedSide != n) {
    FFixedSide = n;
    FFixed.assign(static_cast<size_t>(n) * static_cast<size_t>(n), -1);
    const int32_t version = (n - 17) / 4;
    if (version >= 1 && version <= 40 && n == 4 * version + 17) {
      const std::vector<int32_t> coordinates = TSeedModule(version).Coordinates();
      for (int32_t y = 0; y < n; ++y)
        for (int32_t x = 0; x < n; ++x)
          FFixed[static_cast<size_t>(y) * n + x] =
              static_cast<int8_t>(FixedColour(n, coordinates, x, y));
    }
  }
  const std::vector<int8_t>& fixed = FFixed;
  auto isFixed = [&fixed, n](int32_t x, int32_t y) {
    return x < 0 || y < 0 || x >= n || y >= n || fixed[static_cast<size_t>(y) * n + x] >= 0;
  };
  auto value = [&matrix, &fixed, n](int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= n || y >= n) return false;
    const int8_t f = fixed[static_cast<size_t>(y) * n + x];
    return f >= 0 ? f == 1 : matrix(x, y) != 0;
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
    const bool known = isFixed(x, y) && isFixed(x + dx, y + dy);
    if (!known && !data) return;
    const double reach = (known ? kFixedReach : kReach) * length;
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
                      int32_t round) {
  // The first round moves the grid as a whole (a shift and a linear
  // stretch), the next let it bend, quadratically, then as a cubic: each
  // from where the round before left it (a cubic fitted first would follow
  // the misread edges of a grid far off). Those rounds follow only the
  // edges of modules whose colours the standard fixes: where a label bends
  // away the grid lies a module off, misreads the data there and would be
  // held in place by the edges of what it misread, while the finders',
  // timing and alignment patterns' edges draw it towards where they are
  // whatever was read. The last rounds bend it onto every edge, the data's
  // too.
  struct TRound {
    size_t Terms;
    bool Data;
  };
  constexpr std::array<TRound, kRounds> kSchedule = {{{3, false},
                                                      {6, false},
                                                      {TBend::kTerms, false},
                                                      {TBend::kTerms, true},
                                                      {TBend::kTerms, true}}};
  static_assert(!kSchedule[kFixedRounds - 1].Data && kSchedule[kFixedRounds].Data,
                "the fixed rounds come first");
  const TRound& r = kSchedule[static_cast<size_t>(std::clamp(round, 0, kRounds - 1))];
  Measure(plane, grid, matrix, r.Data);
  const TBend before = grid.Bend;
  if (!Fit(grid, r.Terms)) {
    grid.Bend = before;
    return false;
  }
  TGridReader(plane, grid).Sample(matrix);
  return true;
}

}  // namespace vornak
