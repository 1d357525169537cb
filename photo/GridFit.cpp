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

void TGridFit::MakeFixed(int32_t n) {
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
}

void TGridFit::Measure(const TPlaneBoolean& plane, const TModuleGrid& grid,
                       const TPlaneBoolean& matrix, TEdges edges) {
  FEdges.clear();
  const TGridReader reader(plane, grid);
  const int32_t n = grid.Size;
  // Modules outside the symbol are the light quiet zone. The finders,
  // timing patterns and alignment patterns have the colours the standard
  // gives them whatever was read there: their edges measure where the grid
  // must lie even where the data was misread, one timing edge per module
  // along both timing lines.
  MakeFixed(n);
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
    if (!known && edges != TEdges::All) return;
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
  if (edges == TEdges::Chains) {
    // The corner finder's edges along its middle lines and the timing
    // patterns' edges on to the other finders, followed as chains.
    if (n >= 21 && FFixed[static_cast<size_t>(6 * n + 8)] == 1) {
      Chain(reader, n, true);
      Chain(reader, n, false);
    }
    return;
  }
  for (int32_t y = -1; y < n; ++y)
    for (int32_t x = -1; x < n; ++x) {
      if (y >= 0) measure(x, y, 1, 0);
      if (x >= 0) measure(x, y, 0, 1);
    }
}

int32_t TGridFit::FixedAgreement(const TPlaneBoolean& plane, const TModuleGrid& grid) {
  const int32_t n = grid.Size;
  MakeFixed(n);
  const TGridReader reader(plane, grid);
  int32_t agreed = 0;
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x) {
      const int8_t f = FFixed[static_cast<size_t>(y) * n + x];
      if (f >= 0 && reader.Module(x, y) == (f == 1)) ++agreed;
    }
  return agreed;
}

bool TGridFit::Follow(const TGridReader& reader, int32_t n, bool along, double line, int32_t k,
                      int32_t direction, bool before, bool fromCentre, TWalk& walk) {
  auto point = [along, line](double t, double& u, double& v) {
    u = along ? t : line;
    v = along ? line : t;
  };
  const double predicted =
      fromCentre ? 3.5 + walk.Drift : k + walk.Drift + walk.Rate * std::abs(k - walk.Module);
  const auto row = static_cast<int32_t>(line);
  const int32_t cell = std::clamp(static_cast<int32_t>(predicted), 0, n - 1);
  const TPixelReader& map = along ? reader.ReaderOf(cell, row) : reader.ReaderOf(row, cell);
  double u = 0, v = 0, ax = 0, ay = 0, bx = 0, by = 0, px = 0, py = 0, kx = 0, ky = 0;
  point(predicted - 0.5, u, v);
  map.Map(u, v, ax, ay);
  point(predicted + 0.5, u, v);
  map.Map(u, v, bx, by);
  point(predicted, u, v);
  map.Map(u, v, px, py);
  point(k, u, v);
  map.Map(u, v, kx, ky);
  const double length = std::hypot(bx - ax, by - ay);
  if (!(length > 1) || !std::isfinite(length)) return false;
  // The grid's direction of growing module coordinate, and the walk's.
  const double ux = (bx - ax) / length, uy = (by - ay) / length;
  const double wx = direction * ux, wy = direction * uy;
  double best = 0;
  bool found = false;
  if (fromCentre) {
    // The first change out of the finder's dark core: its edge lies 1.5
    // modules out, at whatever scale the finder shows.
    bool was = map.DarkAt(px, py);
    for (double s = 0.5; s <= 2.5 * length && !found; s += 0.5) {
      const bool is = map.DarkAt(px + s * wx, py + s * wy);
      if (was == before && is != before) {
        best = s - 0.25;
        found = true;
      }
      was = is;
    }
  } else {
    // Within most of a module either side, of the narrower of the grid's
    // and the one measured last: the next edge of the same sense lies two
    // modules on.
    const double reach = kFixedReach * (walk.Step > 0 ? std::min(length, walk.Step) : length);
    best = reach + 1;
    bool was = map.DarkAt(px - reach * wx, py - reach * wy);
    for (double s = -reach + 0.5; s <= reach; s += 0.5) {
      const bool is = map.DarkAt(px + s * wx, py + s * wy);
      if (was == before && is != before && std::fabs(s - 0.25) < std::fabs(best)) best = s - 0.25;
      was = is;
    }
    found = best <= reach;
  }
  if (!found) {
    // Not found: the drift goes on as it went.
    walk.Drift += walk.Rate * std::abs(k - walk.Module);
    walk.Module = k;
    walk.Step = 0;
    return false;
  }
  const double fx = px + best * wx, fy = py + best * wy;
  const double drift = predicted + direction * best / length - k;
  if (walk.Have) {
    const double modules = std::max(1, std::abs(k - walk.Module));
    walk.Step = std::hypot(fx - walk.X, fy - walk.Y) / modules;
    // Half the new change, half the old: one edge a pixel off does not
    // swing the prediction of the next.
    walk.Rate = 0.5 * walk.Rate + 0.5 * (drift - walk.Drift) / modules;
  } else if (fromCentre) {
    // 1.5 modules from the centre: the finder's own scale.
    walk.Step = std::fabs(best) / 1.5;
    walk.Rate = (drift - walk.Drift) / 1.5;
  }
  walk.Drift = drift;
  walk.Module = k;
  walk.X = fx;
  walk.Y = fy;
  walk.Have = true;
  point(k, u, v);
  FEdges.push_back(TEdge{u, v, ux, uy, (fx - kx) * ux + (fy - ky) * uy, length});
  return true;
}

void TGridFit::Chain(const TGridReader& reader, int32_t n, bool along) {
  // On a label bent round a bottle the modules narrow steadily towards
  // the sides turned away, and a grid that lies right at the finders'
  // centres may lie a module or more off beside them and beyond: the next
  // edge of the same sense two modules on would answer a search about the
  // grid's prediction. The modules' width changes smoothly, so the edges
  // found so far predict the next one within a fraction of a module,
  // however far the grid is off. The walk starts at the corner finder's
  // centre, where every grid is anchored, out through its core and rings
  // along its middle line, both ways.
  TWalk outward, inward;
  if (Follow(reader, n, along, 3.5, 2, -1, true, true, inward)) {
    Follow(reader, n, along, 3.5, 1, -1, false, false, inward);
    Follow(reader, n, along, 3.5, 0, -1, true, false, inward);
  }
  if (Follow(reader, n, along, 3.5, 5, 1, true, true, outward)) {
    Follow(reader, n, along, 3.5, 6, 1, false, false, outward);
    Follow(reader, n, along, 3.5, 7, 1, true, false, outward);
  } else {
    outward = TWalk{};
  }
  // Then along the timing line from the finder's outer ring: dark to light
  // after the ring, then alternating, into the far finder's ring.
  outward.Have = false;
  for (int32_t k = 7; k <= n - 7; ++k)
    Follow(reader, n, along, 6.5, k, 1, k % 2 == 1, false, outward);
  if (!outward.Have || outward.Module != n - 7) return;
  // Past the last timing edge the line runs along the far finder's outer
  // ring, dark for seven modules, then into the light quiet zone: the
  // first change to light beyond it is the symbol's outer edge, however
  // the finder narrows.
  const TPixelReader& edge = along ? reader.ReaderOf(n - 1, 6) : reader.ReaderOf(6, n - 1);
  auto map = [&edge, along](double t, double& x, double& y) {
    edge.Map(along ? t : 6.5, along ? 6.5 : t, x, y);
  };
  double ox = 0, oy = 0, qx = 0, qy = 0, gx = 0, gy = 0;
  map(n - 0.5, ox, oy);
  map(n + 0.5, qx, qy);
  map(n, gx, gy);
  const double l = std::hypot(qx - ox, qy - oy);
  if (!(l > 1) || !std::isfinite(l)) return;
  const double dx = (qx - ox) / l, dy = (qy - oy) / l;
  const double width = std::max(outward.Step, 1.0);
  bool dark = false;
  for (double s = 0.5; s <= 14 * width; s += 0.5) {
    const bool is = edge.DarkAt(outward.X + s * dx, outward.Y + s * dy);
    if (dark && !is) {
      // The ring may narrow to half the last module's width, no more: a
      // change sooner is a flaw in the ring, or the line has left it.
      if (s < 3.5 * width) return;
      const double ex = outward.X + (s - 0.25) * dx, ey = outward.Y + (s - 0.25) * dy;
      FEdges.push_back(TEdge{along ? static_cast<double>(n) : 6.5,
                             along ? 6.5 : static_cast<double>(n), dx, dy,
                             (ex - gx) * dx + (ey - gy) * dy, l});
      return;
    }
    if (is) dark = true;
    if (!dark && s > 2 * width) return;
  }
}

bool TGridFit::Fit(TModuleGrid& grid, uint32_t terms, size_t minimum) {
  auto in = [terms](size_t k) { return ((terms >> k) & 1U) != 0; };
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
      for (size_t j = 0; j < kTerms; ++j) {
        if (!in(j)) continue;
        for (size_t k = j; k < kTerms; ++k) {
          if (!in(k)) continue;
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
    if (count < minimum) return false;
    std::array<long double, kUnknowns * kUnknowns> m{};
    std::array<long double, kUnknowns> r{};
    for (size_t j = 0; j < kTerms; ++j) {
      if (!in(j)) continue;
      r[j] = rx[j];
      r[kTerms + j] = ry[j];
      for (size_t k = 0; k < kTerms; ++k) {
        if (!in(k)) continue;
        const size_t at = std::min(j, k) * kTerms + std::max(j, k);
        m[j * kUnknowns + k] = xx[at];
        m[(kTerms + j) * kUnknowns + kTerms + k] = yy[at];
        m[j * kUnknowns + kTerms + k] = m[(kTerms + k) * kUnknowns + j] = xy[at];
      }
    }
    // A little damping keeps the corners, where few edges are, from
    // swinging; terms left out are held at zero.
    const long double damping = 1e-3L * static_cast<long double>(count);
    for (size_t j = 0; j < kUnknowns; ++j)
      m[j * kUnknowns + j] += damping + (in(j % kTerms) ? 0 : 1);
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
      for (size_t k = 0; k < kTerms; ++k)
        if (in(k)) moved += (e.DirectionX * bestX[k] + e.DirectionY * bestY[k]) * b[k];
      used[i] = std::fabs(moved - e.Offset) <= 0.25 * e.Module ? 1 : 0;
    }
  }
  grid.Bend.Add(bestX, bestY);
  return true;
}

bool TGridFit::Refine(const TPlaneBoolean& plane, TModuleGrid& grid, TPlaneBoolean& matrix,
                      int32_t round, bool chains) {
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
  const TBend before = grid.Bend;
  if (chains && !r.Data && r.Terms == TBend::kTerms) {
    // The timing chains first, on their own, once the rounds before have
    // laid the grid right at the corner finder where they start: they find
    // the modules however far the grid is off along the lines, and a grid
    // bent onto them finds the finders' and alignment patterns' edges
    // within reach where a label turns away (those edges, measured from a
    // grid far off, would lock onto the wrong ones and hold it there).
    // Kept only when the modules whose colours the standard fixes read at
    // least as well through it: a chain that lost its way bends the grid
    // off them.
    // Each timing line measures how the modules' spacing changes along its
    // own axis, nothing across it: the terms of one coordinate alone (1, s,
    // t, s^2, t^2, s^3, t^3), the mixed ones left to the rounds.
    constexpr uint32_t kAlongAxes =
        1U << 0 | 1U << 1 | 1U << 2 | 1U << 3 | 1U << 5 | 1U << 6 | 1U << 9;
    const int32_t agreed = FixedAgreement(plane, grid);
    Measure(plane, grid, matrix, TEdges::Chains);
    const bool fitted = Fit(grid, kAlongAxes, kMinChainEdges);
    if (!fitted || FixedAgreement(plane, grid) < agreed) grid.Bend = before;
  }
  Measure(plane, grid, matrix, r.Data ? TEdges::All : TEdges::Fixed);
  if (!Fit(grid, (1U << r.Terms) - 1, kMinEdges)) {
    grid.Bend = before;
    return false;
  }
  TGridReader(plane, grid).Sample(matrix);
  return true;
}

}  // namespace vornak
