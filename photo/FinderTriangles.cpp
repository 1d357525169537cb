#include "photo/FinderTriangles.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/BestInOrder.h"
#include "common/Geometry.h"

namespace vornak {

namespace {

using TRule = TFinderTriangles::TRule;

// The sides of a triangle, longest first, each with the index of the vertex
// it faces.
using TSides = std::array<std::pair<long double, size_t>, 3>;

TSides SidesOf(const std::array<long double, 3>& facing) {
  TSides sides{};
  for (size_t i = 0; i < 3; ++i) sides[i] = {facing[i], i};
  std::sort(sides.begin(), sides.end(),
            [](const auto& x, const auto& y) { return x.first > y.first; });
  return sides;
}

// The module size a rule measures legs in.
template <typename Real>
Real LegModule(TRule::TModule kind, Real mean, Real largest, Real smallest) {
  switch (kind) {
    case TRule::TModule::Largest:
      return largest;
    case TRule::TModule::Smallest:
      return smallest;
    case TRule::TModule::Mean:
      break;
  }
  return mean;
}

// |cosine| of the angle at o between the legs to s and t, of lengths ls, lt.
long double Cosine(const TFinderCandidate& o, const TFinderCandidate& s, const TFinderCandidate& t,
                   long double ls, long double lt) {
  return std::fabs(((s.X - o.X) * (t.X - o.X) + (s.Y - o.Y) * (t.Y - o.Y)) / (ls * lt));
}

// A necessary condition for Shape with any rank, in double precision with
// margins far above the rounding of either precision, that turns most of a
// busy picture's triangles away before the 80-bit work. A vertex that may
// be the corner must pass the bounds on legs and angle: for the nearest
// right angle the vertex facing the longest side, as an angle of 60 to 120
// degrees is nearer a right one than any larger angle (the three sum to
// 180) and the largest angle faces the longest side; else every vertex
// facing a side nearly as long as the longest. side[i] faces vertex i.
bool MayBe(const std::array<const TFinderCandidate*, 3>& p, const std::array<double, 3>& side,
           const TRule& rule) {
  constexpr double kMargin = 1e-9;
  std::array<double, 3> module{};
  for (size_t i = 0; i < 3; ++i) module[i] = static_cast<double>(p[i]->Module);
  const double minModule = std::min({module[0], module[1], module[2]});
  const double maxModule = std::max({module[0], module[1], module[2]});
  if (maxModule > minModule * static_cast<double>(rule.ModuleRatio) * (1 + kMargin)) return false;
  const double mean = (module[0] + module[1] + module[2]) / 3;
  const double shortModule = LegModule(rule.ShortLegModule, mean, maxModule, minModule);
  const double longModule = LegModule(rule.LongLegModule, mean, maxModule, minModule);
  size_t longest = 0;
  for (size_t i = 1; i < 3; ++i)
    if (side[i] > side[longest]) longest = i;
  for (size_t corner = 0; corner < 3; ++corner) {
    if (rule.Corner == TRule::TCorner::NearestRightAngle
            ? corner != longest
            : side[corner] < side[longest] * (static_cast<double>(rule.NearlyLongest) - kMargin))
      continue;
    const size_t si = (corner + 1) % 3, ti = (corner + 2) % 3;
    const double ls = side[ti], lt = side[si];
    const double shortLeg = std::min(ls, lt), longLeg = std::max(ls, lt);
    if (!(shortLeg > 0)) continue;
    if (longLeg > shortLeg * (static_cast<double>(rule.LegRatio) + kMargin)) continue;
    if (shortLeg < shortModule * (static_cast<double>(rule.MinLeg) - kMargin) ||
        longLeg > longModule * (static_cast<double>(rule.MaxLeg) + kMargin))
      continue;
    const double ox = static_cast<double>(p[corner]->X), oy = static_cast<double>(p[corner]->Y);
    const double dot = (static_cast<double>(p[si]->X) - ox) * (static_cast<double>(p[ti]->X) - ox) +
                       (static_cast<double>(p[si]->Y) - oy) * (static_cast<double>(p[ti]->Y) - oy);
    if (std::fabs(dot) <= (static_cast<double>(rule.Cosine) + kMargin) * ls * lt) return true;
  }
  return false;
}

}  // namespace

bool TFinderTriangles::Shape(const std::array<const TFinderCandidate*, 3>& p,
                             const std::array<long double, 3>& facing, const TRule& rule,
                             int32_t rank, TShape& shape) {
  const TFinderCandidate &a = *p[0], &b = *p[1], &c = *p[2];
  const long double minModule = std::min({a.Module, b.Module, c.Module});
  const long double maxModule = std::max({a.Module, b.Module, c.Module});
  if (!(minModule > 0) || maxModule > minModule * rule.ModuleRatio) return false;

  // Side i faces vertex i; the legs of corner i are the sides facing the
  // other two.
  size_t corner = 0;
  long double cosine = 2;
  if (rule.Corner == TRule::TCorner::NearestRightAngle) {
    if (rank != 0) return false;
    for (size_t i = 0; i < 3; ++i) {
      const long double ls = facing[(i + 2) % 3];
      const long double lt = facing[(i + 1) % 3];
      if (ls <= 0 || lt <= 0) return false;
      const long double here = Cosine(*p[i], *p[(i + 1) % 3], *p[(i + 2) % 3], ls, lt);
      if (here < cosine) {
        cosine = here;
        corner = i;
      }
    }
  } else {
    // When a side nearly as long faces another vertex, that one may be the
    // corner as well (rank 1).
    if (rank < 0 || rank > 1) return false;
    const TSides sides = SidesOf(facing);
    if (rank == 1 && sides[1].first < sides[0].first * rule.NearlyLongest) return false;
    corner = sides[static_cast<size_t>(rank)].second;
    const long double ls = facing[(corner + 2) % 3];
    const long double lt = facing[(corner + 1) % 3];
    if (!(ls > 0) || !(lt > 0)) return false;
    cosine = Cosine(*p[corner], *p[(corner + 1) % 3], *p[(corner + 2) % 3], ls, lt);
  }
  if (cosine > rule.Cosine) return false;
  const TFinderCandidate& o = *p[corner];
  const TFinderCandidate* s = p[(corner + 1) % 3];
  const TFinderCandidate* t = p[(corner + 2) % 3];
  const long double ls = facing[(corner + 2) % 3];
  const long double lt = facing[(corner + 1) % 3];
  const long double legRatio = std::max(ls, lt) / std::min(ls, lt);
  if (legRatio > rule.LegRatio) return false;
  const long double mean = (a.Module + b.Module + c.Module) / 3;
  const long double shortModule = LegModule(rule.ShortLegModule, mean, maxModule, minModule);
  const long double longModule = LegModule(rule.LongLegModule, mean, maxModule, minModule);
  if (std::min(ls, lt) / shortModule < rule.MinLeg || std::max(ls, lt) / longModule > rule.MaxLeg)
    return false;

  // Axis A must turn clockwise onto axis B (y grows downward).
  const long double cross = (s->X - o.X) * (t->Y - o.Y) - (s->Y - o.Y) * (t->X - o.X);
  shape.Corner = corner;
  shape.Swapped = cross < 0;
  shape.Module = mean;
  shape.Score = 2 * cosine + (legRatio - 1) + (maxModule / minModule - 1);
  return true;
}

void TFinderTriangles::Build(const std::array<const TFinderCandidate*, 3>& p, const TShape& shape,
                             TFinderTriple& triple) {
  const TFinderCandidate* s = p[(shape.Corner + 1) % 3];
  const TFinderCandidate* t = p[(shape.Corner + 2) % 3];
  if (shape.Swapped) std::swap(s, t);
  triple.Finders = {*p[shape.Corner], *s, *t};
  triple.Module = shape.Module;
  triple.Score = shape.Score;
}

std::vector<long double> TFinderTriangles::Distances(
    const std::vector<TFinderCandidate>& candidates) {
  const size_t n = candidates.size();
  // Each distance once; it reads the same either way round.
  std::vector<long double> distance(n * n, 0);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      distance[i * n + j] = distance[j * n + i] = Distance(candidates[i], candidates[j]);
  return distance;
}

std::vector<TFinderTriple> TFinderTriangles::Best(const std::vector<TFinderCandidate>& candidates,
                                                  const std::vector<long double>& distance,
                                                  const TRule& rule, size_t most) {
  const size_t n = candidates.size();
  const int32_t ranks = rule.Corner == TRule::TCorner::FacingLongest ? 2 : 1;
  // Every triangle's shapes, small records: a busy picture's hundreds of
  // them are ranked before the few best are built.
  struct TFound {
    int32_t Weakest = 0;  // rows that confirmed the least confirmed finder
    std::array<size_t, 3> Vertices{};
    TShape Shape;
  };
  std::vector<TFound> found;
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      for (size_t k = j + 1; k < n; ++k) {
        const TFinderCandidate &a = candidates[i], &b = candidates[j], &c = candidates[k];
        const std::array<const TFinderCandidate*, 3> p = {&a, &b, &c};
        const std::array<long double, 3> facing = {distance[j * n + k], distance[k * n + i],
                                                   distance[i * n + j]};
        if (!MayBe(p,
                   {static_cast<double>(facing[0]), static_cast<double>(facing[1]),
                    static_cast<double>(facing[2])},
                   rule))
          continue;
        for (int32_t rank = 0; rank < ranks; ++rank) {
          TFound triangle;
          if (!Shape(p, facing, rule, rank, triangle.Shape)) continue;
          triangle.Weakest = std::min({a.Count, b.Count, c.Count});
          triangle.Vertices = {i, j, k};
          found.push_back(triangle);
        }
      }
  const std::vector<size_t> order =
      BestInOrder(found.size(), most, [&found, &rule](size_t x, size_t y) {
        const TFound &a = found[x], &b = found[y];
        if (rule.ByConfirmation && a.Weakest != b.Weakest) return a.Weakest > b.Weakest;
        return a.Shape.Score < b.Shape.Score;
      });
  std::vector<TFinderTriple> result(order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    const TFound& f = found[order[i]];
    Build({&candidates[f.Vertices[0]], &candidates[f.Vertices[1]], &candidates[f.Vertices[2]]},
          f.Shape, result[i]);
  }
  return result;
}

}  // namespace vornak
