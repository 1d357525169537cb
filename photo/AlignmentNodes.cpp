#include "photo/AlignmentNodes.h"

#include <cmath>
#include <utility>

#include "photo/FinderAnchors.h"

namespace vornak {

namespace {

// Search radius for an alignment pattern, in modules, round its prediction.
constexpr long double kInnerRadius = 3.5L;

// The point beyond b on the line from a, at module position c given a's and
// b's positions: two nodes found in a row or column span the next step.
TPointReal Extrapolate(const TPointReal& a, const TPointReal& b, int32_t pa, int32_t pb,
                       int32_t pc) {
  const long double f = static_cast<long double>(pc - pb) / static_cast<long double>(pb - pa);
  return TPointReal{b.X + (b.X - a.X) * f, b.Y + (b.Y - a.Y) * f};
}

// The same from three nodes on a line: perspective spaces equal module steps
// unequally, so the step along the line follows the one-dimensional
// projective map through the three (linear when that degenerates); the
// sideways drift continues linearly from the last two.
TPointReal Extrapolate(const TPointReal& a, const TPointReal& b, const TPointReal& c, int32_t pa,
                       int32_t pb, int32_t pc, int32_t pd) {
  const long double length = Distance(c, a);
  if (!(length > 0)) return Extrapolate(b, c, pb, pc, pd);
  const long double ux = (c.X - a.X) / length, uy = (c.Y - a.Y) / length;
  const long double sb = (b.X - a.X) * ux + (b.Y - a.Y) * uy;
  const long double sc = length;
  // s = (A t + B) / (C t + 1) through (0, 0), (tb, sb), (tc, sc), t from a.
  const long double tb = pb - pa, tc = pc - pa, td = pd - pa;
  // B = 0; A tb - C tb sb = sb; A tc - C tc sc = sc.
  const long double det = tb * (-tc * sc) - (-tb * sb) * tc;
  if (std::fabs(det) < 1e-12L) return Extrapolate(b, c, pb, pc, pd);
  const long double A = (sb * (-tc * sc) - (-tb * sb) * sc) / det;
  const long double C = (tb * sc - tc * sb) / det;
  const long double w = C * td + 1;
  if (!(w > 0.1L)) return Extrapolate(b, c, pb, pc, pd);
  const long double sd = A * td / w;
  // Sideways offsets of b and c from the line a-c are 0 for c; keep b's
  // bend out of it: the line through a and c carries the prediction.
  return TPointReal{a.X + ux * sd, a.Y + uy * sd};
}

}  // namespace

bool TAlignmentNodes::Lay(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                          const std::vector<int32_t>& positions, TModuleGrid& grid,
                          std::vector<TPointReal>& alignments) {
  const auto k = static_cast<int32_t>(positions.size());
  if (k < 3) return false;
  auto at = [k](int32_t i, int32_t j) { return static_cast<size_t>(j * k + i); };
  std::vector<TPointReal> node;
  std::vector<uint8_t> found;
  Search(plane, grid.Transform, positions, true, node, found);
  if (found[at(k - 1, k - 1)]) {
    // The corner found, the transform through it and the finders follows
    // perspective exactly; a second round predicts every node from it.
    const long double a = positions.back() + 0.5L;
    if (grid.Transform.Fit(FinderAnchors(grid.Size, TPointReal{a, a}),
                           {finders[0], finders[1], finders[2], node[at(k - 1, k - 1)]}))
      Search(plane, grid.Transform, positions, false, node, found);
  }
  for (size_t n = 0; n < found.size(); ++n)
    if (found[n]) alignments.push_back(node[n]);
  // Cell (i, j) spans nodes i..i+1 and j..j+1; the outer cells reach the
  // symbol's edges. Each module goes to the cell holding its centre.
  grid.CellOf.resize(static_cast<size_t>(grid.Size));
  for (int32_t x = 0; x < grid.Size; ++x) {
    int32_t c = 0;
    while (c + 1 < k - 1 && x >= positions[static_cast<size_t>(c + 1)]) ++c;
    grid.CellOf[static_cast<size_t>(x)] = c;
  }
  grid.CellSpan = k - 1;
  std::vector<THomography> cells(static_cast<size_t>((k - 1) * (k - 1)));
  for (int32_t j = 0; j + 1 < k; ++j) {
    for (int32_t i = 0; i + 1 < k; ++i) {
      const long double u0 = positions[static_cast<size_t>(i)] + 0.5L;
      const long double u1 = positions[static_cast<size_t>(i + 1)] + 0.5L;
      const long double v0 = positions[static_cast<size_t>(j)] + 0.5L;
      const long double v1 = positions[static_cast<size_t>(j + 1)] + 0.5L;
      THomography& cell = cells[static_cast<size_t>(j * (k - 1) + i)];
      cell = grid.Transform;
      // A cell whose corners fold keeps the global transform.
      cell.Fit({TPointReal{u0, v0}, TPointReal{u1, v0}, TPointReal{u0, v1}, TPointReal{u1, v1}},
               {node[at(i, j)], node[at(i + 1, j)], node[at(i, j + 1)], node[at(i + 1, j + 1)]});
    }
  }
  grid.Cells = std::move(cells);
  return true;
}

void TAlignmentNodes::Search(const TPlaneBoolean& plane, const THomography& transform,
                             const std::vector<int32_t>& positions, bool parallelogram,
                             std::vector<TPointReal>& node, std::vector<uint8_t>& found) {
  // Node (i, j) sits at the centre of alignment position (positions[i],
  // positions[j]); the three beside the finders have no pattern and come from
  // the transform, which the finders anchor. Nodes are visited outwards from
  // the corner finder so that each prediction leans on nodes already found.
  const auto k = static_cast<int32_t>(positions.size());
  node.assign(static_cast<size_t>(k * k), TPointReal{});
  found.assign(static_cast<size_t>(k * k), 0);
  for (int32_t s = 0; s <= 2 * (k - 1); ++s) {
    for (int32_t j = 0; j < k; ++j) {
      const int32_t i = s - j;
      if (i < 0 || i >= k) continue;
      const size_t at = static_cast<size_t>(j * k + i);
      const TPointReal module{positions[static_cast<size_t>(i)] + 0.5L,
                              positions[static_cast<size_t>(j)] + 0.5L};
      TPointReal predicted{};
      if (!transform.Map(module, predicted)) continue;
      if ((i == 0 && j == 0) || (i == 0 && j == k - 1) || (j == 0 && i == k - 1)) {
        node[at] = predicted;
        continue;
      }
      predicted = Predict(transform, positions, parallelogram, node, found, i, j, predicted);
      const long double scale = transform.ScaleAt(module);
      TPointReal hit{};
      if (scale > 0 && FFinder.Find(plane, predicted, scale, scale * kInnerRadius, hit)) {
        node[at] = hit;
        found[at] = 1;
      } else {
        node[at] = predicted;
      }
    }
  }
}

TPointReal TAlignmentNodes::Predict(const THomography& transform,
                                    const std::vector<int32_t>& positions, bool parallelogram,
                                    const std::vector<TPointReal>& node,
                                    const std::vector<uint8_t>& found, int32_t i, int32_t j,
                                    const TPointReal& predicted) {
  const auto k = static_cast<int32_t>(positions.size());
  auto at = [k](int32_t ni, int32_t nj) { return static_cast<size_t>(nj * k + ni); };
  auto position = [&positions](int32_t p) { return positions[static_cast<size_t>(p)]; };
  if (parallelogram) {
    if (i > 0 && j > 0 && found[at(i - 1, j)] && found[at(i, j - 1)] &&
        (found[at(i - 1, j - 1)] || (i == 1 && j == 1))) {
      // A first transform from rough finder sizes can be far off; three
      // nodes behind span the local grid better.
      const TPointReal& l = node[at(i - 1, j)];
      const TPointReal& u = node[at(i, j - 1)];
      const TPointReal& d = node[at(i - 1, j - 1)];
      return TPointReal{l.X + u.X - d.X, l.Y + u.Y - d.Y};
    }
    // Three nodes found in a line behind it, up its column or along its
    // row, else two.
    for (const int32_t count : {3, 2}) {
      for (const bool column : {true, false}) {
        const int32_t at0 = column ? j : i;
        if (at0 < count) continue;
        auto behind = [&](int32_t n) { return column ? at(i, j - n) : at(i - n, j); };
        bool all = true;
        for (int32_t n = 1; n <= count; ++n) all = all && found[behind(n)] != 0;
        if (!all) continue;
        if (count == 3)
          return Extrapolate(node[behind(3)], node[behind(2)], node[behind(1)], position(at0 - 3),
                             position(at0 - 2), position(at0 - 1), position(at0));
        return Extrapolate(node[behind(2)], node[behind(1)], position(at0 - 2), position(at0 - 1),
                           position(at0));
      }
    }
  }
  // Curvature bends the grid away from the transform smoothly: carry the
  // mean offset of the neighbours already found.
  long double dx = 0, dy = 0;
  int32_t n = 0;
  const std::array<std::array<int32_t, 2>, 3> back = {{{i - 1, j}, {i, j - 1}, {i - 1, j - 1}}};
  for (const auto& b : back) {
    if (b[0] < 0 || b[1] < 0 || !found[at(b[0], b[1])]) continue;
    TPointReal g{};
    if (!transform.Map(TPointReal{position(b[0]) + 0.5L, position(b[1]) + 0.5L}, g)) continue;
    dx += node[at(b[0], b[1])].X - g.X;
    dy += node[at(b[0], b[1])].Y - g.Y;
    ++n;
  }
  TPointReal result = predicted;
  if (n > 0) {
    result.X += dx / n;
    result.Y += dy / n;
  }
  return result;
}

}  // namespace vornak
