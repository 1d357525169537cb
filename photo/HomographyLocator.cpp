#include "photo/HomographyLocator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Arith.h"
#include "photo/TripleLocator.h"
#include "photo/VersionGuess.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

// Offset of the majority patch's outer samples from the module centre, in
// modules: far enough apart to outvote one stray pixel, close enough to stay
// inside the module under a small grid error.
constexpr long double kPatch = 0.22L;

// Search radius for an alignment pattern, in modules, at each try.
constexpr std::array<long double, 3> kBottomRightRadii = {4.0L, 8.0L, 14.0L};
constexpr long double kInnerRadius = 3.5L;

// Bounds of the triples that only a strong perspective explains: finder
// module sizes up to this ratio apart, the corner angle's cosine, the legs'
// length ratio; and how many such triples are tried.
constexpr long double kLooseModuleRatio = 2.6L;
constexpr long double kLooseCosine = 0.8L;
constexpr long double kLooseLegRatio = 2.2L;
// A side at least this fraction of the longest may be the diagonal too.
constexpr long double kNearlyLongest = 0.9L;

// Finder module sizes closer than this (relative) count as equal.
constexpr long double kEqualModules = 0.08L;

// Share of neighbouring timing modules that must differ before a grid is
// refined or sampled in full. A grid on a symbol reads its timing patterns
// alternating but for a slip or two where perspective stretches it; one on
// noise or texture reads about half of them (texture less) alternating.
constexpr long double kMinAlternation = 0.75L;
// The same through the grid estimated from the finders alone, before the
// alignment patterns are looked for: that grid may drift a little under a
// strong tilt (symbols tilted 40 degrees read 0.6 and up), noise and
// texture read below 0.5.
constexpr long double kMinEstimatedAlternation = 0.5L;
// Before the fourth point of a grid without alignment patterns is refined:
// version 1 tilted 25 degrees with no perspective in the estimate reads
// 0.67, noise mostly 0.5 and below.
constexpr long double kMinRefineAlternation = 0.6L;
// Modules Clarity may score in one Locate (kClarityPerPixel per picture
// pixel, at least kMinClarity): refining costs some hundred readings of the
// whole grid, and on noise it may run for every triple that slips past the
// timing checks. The least covers refining a small picture's version 2
// guess and then its version 1 one, as a tilted version 1 symbol needs.

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

// Rows that confirmed the least confirmed finder of a triple.
int32_t Weakest(const TFinderTriple& t) {
  return std::min({t.Finders[0].Count, t.Finders[1].Count, t.Finders[2].Count});
}

// A transform read in double precision: a pixel index needs no 80-bit
// precision, and reading grids maps hundreds of thousands of points. A point
// outside the picture, at infinity or behind the vanishing line's far side
// in no pixel reads light.
class TPixelReader {
 public:
  TPixelReader(const TPlaneBoolean& plane, const THomography& t)
      : FPlane(plane), FWidth(plane.Width()), FHeight(plane.Height()) {
    const auto& h = t.Coefficients();
    for (size_t i = 0; i < 8; ++i) FH[i] = static_cast<double>(h[i]);
  }
  bool Dark(double u, double v) const {
    const double r = 1 / (FH[6] * u + FH[7] * v + 1);
    const double x = (FH[0] * u + FH[1] * v + FH[2]) * r;
    const double y = (FH[3] * u + FH[4] * v + FH[5]) * r;
    if (!(x >= 0 && y >= 0 && x < FWidth && y < FHeight)) return false;
    return FPlane(static_cast<int32_t>(x), static_cast<int32_t>(y)) != 0;
  }

 private:
  const TPlaneBoolean& FPlane;
  double FWidth;
  double FHeight;
  std::array<double, 8> FH{};
};

// Reads modules through a grid: one transform, or one per cell (cellOf
// giving the cell of each module row or column, span cells a side).
class TGridReader {
 public:
  TGridReader(const TPlaneBoolean& plane, const THomography& single,
              const std::vector<THomography>& cells, const std::vector<int32_t>& cellOf,
              int32_t span, bool patch)
      : FSingle(plane, single), FCellOf(cellOf), FSpan(cells.empty() ? 0 : span), FPatch(patch) {
    // The one transform needs no list (the timing check reads one grid
    // after another).
    for (const THomography& cell : cells) FCells.emplace_back(plane, cell);
  }
  // The majority of a 3 x 3 patch around the module centre, kPatch apart,
  // or without patch the centre alone.
  bool Module(int32_t x, int32_t y) const {
    const TPixelReader& reader =
        FSpan == 0 || FCells.size() == 1
            ? (FCells.empty() ? FSingle : FCells[0])
            : FCells[static_cast<size_t>(FCellOf[static_cast<size_t>(y)] * FSpan +
                                         FCellOf[static_cast<size_t>(x)])];
    if (!FPatch) return reader.Dark(x + 0.5, y + 0.5);
    const double patch = static_cast<double>(kPatch);
    int32_t dark = 0;
    for (int32_t j = -1; j <= 1; ++j) {
      for (int32_t i = -1; i <= 1; ++i) {
        // The centre counts twice so that a tie of the eight neighbours goes
        // its way.
        if (reader.Dark(x + 0.5 + i * patch, y + 0.5 + j * patch))
          dark += (i == 0 && j == 0) ? 2 : 1;
      }
    }
    return dark >= 6;
  }

 private:
  TPixelReader FSingle;
  std::vector<TPixelReader> FCells;
  const std::vector<int32_t>& FCellOf;
  int32_t FSpan;
  bool FPatch;
};

TPoint ToPixel(const TPointReal& p) { return TPoint{FloorToPixel(p.X), FloorToPixel(p.Y)}; }

}  // namespace

THomographyLocator::THomographyLocator() : FAlignmentFinder(std::make_unique<TAlignmentFinder>()) {}

THomographyLocator::THomographyLocator(TFinderCache& shared)
    : TFinderLocator(shared), FAlignmentFinder(std::make_unique<TAlignmentFinder>()) {}

THomographyLocator::~THomographyLocator() = default;

std::vector<int32_t> THomographyLocator::AlignmentPositions(int32_t version) {
  std::vector<int32_t> result;
  if (version < 2 || version > kMaxVersion) return result;
  const auto& row = AlignmentCentres[static_cast<size_t>(version - 1)];
  const int32_t count = AlignmentCount[static_cast<size_t>(version - 1)];
  result.assign(row.begin(), row.begin() + count);
  return result;
}

std::array<TPointReal, 4> THomographyLocator::OuterCorners() const {
  const long double n = FSize;
  return {FTransform.Map(0, 0), FTransform.Map(n, 0), FTransform.Map(0, n), FTransform.Map(n, n)};
}

bool THomographyLocator::FitEstimated(const std::array<TPointReal, 3>& finders,
                                      const std::array<long double, 3>& modules, int32_t side) {
  const long double far = side - 3.5L;
  const std::array<TPointReal, 4> from = {TPointReal{3.5L, 3.5L}, TPointReal{far, 3.5L},
                                          TPointReal{3.5L, far}, TPointReal{far, far}};
  // A finder's apparent module size falls with its distance from the camera,
  // as 1 / w of the projective map: the three sizes fix w at the three
  // centres, and with it the fourth point. Sizes measured from runs are
  // rough, so a ratio is trusted only within reason, and a near-equal one is
  // taken as equal (the affine parallelogram).
  std::array<long double, 3> w = {1, 1, 1};
  for (size_t i = 1; i < 3; ++i) {
    long double ratio = std::clamp(modules[0] / modules[i], 0.4L, 2.5L);
    if (std::fabs(ratio - 1) < kEqualModules) ratio = 1;
    w[i] = ratio;
  }
  // Homogeneous corner: p0 + (p1 w1 - p0) + (p2 w2 - p0), over w1 + w2 - 1.
  const long double w3 = w[1] + w[2] - 1;
  if (w3 > 0.2L) {
    const TPointReal fourth{(finders[1].X * w[1] + finders[2].X * w[2] - finders[0].X) / w3,
                            (finders[1].Y * w[1] + finders[2].Y * w[2] - finders[0].Y) / w3};
    if (FTransform.Fit(from, {finders[0], finders[1], finders[2], fourth})) return true;
  }
  return FitAffine(finders, side);
}

bool THomographyLocator::FitAffine(const std::array<TPointReal, 3>& finders, int32_t side) {
  // The three finders alone fix an affine map; the fourth point completes
  // their parallelogram.
  const long double far = side - 3.5L;
  const TPointReal parallelogram{finders[1].X + finders[2].X - finders[0].X,
                                 finders[1].Y + finders[2].Y - finders[0].Y};
  return FTransform.Fit(
      {TPointReal{3.5L, 3.5L}, TPointReal{far, 3.5L}, TPointReal{3.5L, far}, TPointReal{far, far}},
      {finders[0], finders[1], finders[2], parallelogram});
}

int32_t THomographyLocator::Clarity(const TPlaneBoolean& plane, const THomography& t, int32_t beat,
                                    bool half) {
  // Modules whose centre and four points a third of a module away agree: on
  // the right grid nearly all do, while a grid that drifts puts its samples
  // across module edges.
  const TPixelReader reader(plane, t);
  const int32_t step = half ? 2 : 1;
  const int32_t perRow = (FSize + step - 1) / step;
  int32_t clear = 0;
  for (int32_t y = 0; y < FSize; ++y) {
    // Stop once the rows left cannot lift the count above the score to beat.
    if (clear + (FSize - y) * perRow <= beat) return clear;
    FClarityBudget -= perRow;
    FClarityWork += perRow;
    const double v = y + 0.5;
    for (int32_t x = half ? y % 2 : 0; x < FSize; x += step) {
      const double u = x + 0.5;
      const int32_t dark = (reader.Dark(u, v) ? 1 : 0) + (reader.Dark(u - 0.3, v) ? 1 : 0) +
                           (reader.Dark(u + 0.3, v) ? 1 : 0) + (reader.Dark(u, v - 0.3) ? 1 : 0) +
                           (reader.Dark(u, v + 0.3) ? 1 : 0);
      if (dark == 0 || dark == 5) ++clear;
    }
  }
  return clear;
}

void THomographyLocator::RefineFourth(const TPlaneBoolean& plane,
                                      const std::array<TPointReal, 3>& finders, int32_t side,
                                      long double moduleSize) {
  // Without an alignment pattern the fourth point is only estimated; move it
  // about its estimate to where the grid reads cleanest, coarse then fine.
  const long double far = side - 3.5L;
  const std::array<TPointReal, 4> from = {TPointReal{3.5L, 3.5L}, TPointReal{far, 3.5L},
                                          TPointReal{3.5L, far}, TPointReal{far, far}};
  if (FClarityBudget <= 0) return;
  const TPointReal start = FTransform.Map(far, far);
  THomography bestTransform = FTransform;
  // Every round scores every other module (a checkerboard): half the work,
  // and still hundreds of modules to tell a point 0.3 modules off.
  int32_t bestScore = Clarity(plane, FTransform, -1, true);
  // The coarse rounds climb while they improve (a strong tilt puts the point
  // several modules from the parallelogram), each over a 5 x 5 patch of one
  // lattice of points about the best so far; the fine round settles the
  // best on a lattice of its own.
  constexpr int32_t kCoarseRounds = 4;
  constexpr int32_t kReach = 2;
  constexpr int32_t kSpan = 2 * kReach * kCoarseRounds + 1;
  const long double coarseStep = moduleSize * 0.8L, fineStep = moduleSize * 0.3L;
  // A lattice point scored in an earlier round did not beat the best then,
  // and the best has only risen since: it is not scored again.
  std::array<bool, kSpan * kSpan> scored{};
  auto mark = [&scored](int32_t i, int32_t j) {
    bool& seen = scored[static_cast<size_t>((j + kSpan / 2) * kSpan + i + kSpan / 2)];
    const bool was = seen;
    seen = true;
    return was;
  };
  mark(0, 0);
  int32_t bestI = 0, bestJ = 0;
  auto fourthAt = [&start](long double x, long double y) {
    return TPointReal{start.X + x, start.Y + y};
  };
  auto tryPoint = [&](const TPointReal& fourth) {
    THomography t;
    if (!t.Fit(from, {finders[0], finders[1], finders[2], fourth})) return false;
    const int32_t score = Clarity(plane, t, bestScore, true);
    if (score <= bestScore) return false;
    bestScore = score;
    bestTransform = t;
    return true;
  };
  for (int32_t round = 0; round < kCoarseRounds && FClarityBudget > 0; ++round) {
    const int32_t ci = bestI, cj = bestJ;
    const int32_t before = bestScore;
    // Out of work, the best point so far stands.
    for (int32_t j = cj - kReach; j <= cj + kReach && FClarityBudget > 0; ++j) {
      for (int32_t i = ci - kReach; i <= ci + kReach && FClarityBudget > 0; ++i) {
        if (mark(i, j)) continue;
        if (tryPoint(fourthAt(i * coarseStep, j * coarseStep))) {
          bestI = i;
          bestJ = j;
        }
      }
    }
    // No gain at the coarse step: go straight to the fine one.
    if (bestScore == before) break;
  }
  if (FClarityBudget > 0) {
    const long double cx = bestI * coarseStep, cy = bestJ * coarseStep;
    for (int32_t j = -kReach; j <= kReach && FClarityBudget > 0; ++j) {
      for (int32_t i = -kReach; i <= kReach && FClarityBudget > 0; ++i) {
        if (i == 0 && j == 0) continue;
        tryPoint(fourthAt(cx + i * fineStep, cy + j * fineStep));
      }
    }
  }
  FTransform = bestTransform;
}

void THomographyLocator::SampleAll(const TPlaneBoolean& plane) {
  const TGridReader grid(plane, FTransform, FCells, FCellOf, FCellSpan, FPatch);
  for (int32_t y = 0; y < FSize; ++y)
    for (int32_t x = 0; x < FSize; ++x) FMatrix(x, y) = grid.Module(x, y) ? 1 : 0;
}

bool THomographyLocator::TimingAlternates(const TPlaneBoolean& plane, long double share) const {
  // Both timing patterns with the separator module before and after each:
  // every step along them changes colour.
  const TGridReader grid(plane, FTransform, FCells, FCellOf, FCellSpan, FPatch);
  const int32_t pairs = 2 * std::max(0, FSize - 15);
  if (pairs == 0) return false;
  // The fewest changes whose share is not below the bound, found once so
  // that each step compares integers.
  auto below = [pairs, share](int32_t changes) {
    return static_cast<long double>(changes) / pairs < share;
  };
  auto need = static_cast<int32_t>(std::clamp<long double>(share * pairs, 0, pairs));
  while (need > 0 && !below(need - 1)) --need;
  while (need <= pairs && below(need)) ++need;
  auto reaches = [need](int32_t changes) { return changes >= need; };
  int32_t changes = 0, left = pairs;
  bool row = false, column = false;
  for (int32_t k = 7; k <= FSize - 8; ++k) {
    const bool nextRow = grid.Module(k, 6);
    const bool nextColumn = grid.Module(6, k);
    if (k > 7) {
      changes += (nextRow != row ? 1 : 0) + (nextColumn != column ? 1 : 0);
      left -= 2;
      // Decided once the steps left can neither lift the share to the bound
      // nor drop it below.
      if (reaches(changes)) return true;
      if (!reaches(changes + left)) return false;
    }
    row = nextRow;
    column = nextColumn;
  }
  return reaches(changes);
}

void THomographyLocator::SearchNodes(const TPlaneBoolean& plane,
                                     const std::vector<int32_t>& positions, bool parallelogram,
                                     std::vector<TPointReal>& node, std::vector<uint8_t>& found) {
  // Node (i, j) sits at the centre of alignment position (positions[i],
  // positions[j]); the three beside the finders have no pattern and come from
  // the transform, which the finders anchor. Nodes are visited outwards from
  // the corner finder so that each prediction leans on nodes already found.
  const auto k = static_cast<int32_t>(positions.size());
  auto at = [k](int32_t i, int32_t j) { return static_cast<size_t>(j * k + i); };
  auto centre = [&positions](int32_t i, int32_t j) {
    return TPointReal{positions[static_cast<size_t>(i)] + 0.5L,
                      positions[static_cast<size_t>(j)] + 0.5L};
  };
  node.assign(static_cast<size_t>(k * k), TPointReal{});
  found.assign(static_cast<size_t>(k * k), 0);
  for (int32_t s = 0; s <= 2 * (k - 1); ++s) {
    for (int32_t j = 0; j < k; ++j) {
      const int32_t i = s - j;
      if (i < 0 || i >= k) continue;
      const TPointReal module = centre(i, j);
      TPointReal predicted{};
      if (!FTransform.Map(module, predicted)) continue;
      if ((i == 0 && j == 0) || (i == 0 && j == k - 1) || (j == 0 && i == k - 1)) {
        node[at(i, j)] = predicted;
        continue;
      }
      const bool square = parallelogram && i > 0 && j > 0 && found[at(i - 1, j)] &&
                          found[at(i, j - 1)] && (found[at(i - 1, j - 1)] || (i == 1 && j == 1));
      if (square) {
        // A first transform from rough finder sizes can be far off; three
        // nodes behind span the local grid better.
        const TPointReal& l = node[at(i - 1, j)];
        const TPointReal& u = node[at(i, j - 1)];
        const TPointReal& d = node[at(i - 1, j - 1)];
        predicted = TPointReal{l.X + u.X - d.X, l.Y + u.Y - d.Y};
      } else if (parallelogram && j >= 3 && found[at(i, j - 1)] && found[at(i, j - 2)] &&
                 found[at(i, j - 3)]) {
        predicted = Extrapolate(
            node[at(i, j - 3)], node[at(i, j - 2)], node[at(i, j - 1)],
            positions[static_cast<size_t>(j - 3)], positions[static_cast<size_t>(j - 2)],
            positions[static_cast<size_t>(j - 1)], positions[static_cast<size_t>(j)]);
      } else if (parallelogram && i >= 3 && found[at(i - 1, j)] && found[at(i - 2, j)] &&
                 found[at(i - 3, j)]) {
        predicted = Extrapolate(
            node[at(i - 3, j)], node[at(i - 2, j)], node[at(i - 1, j)],
            positions[static_cast<size_t>(i - 3)], positions[static_cast<size_t>(i - 2)],
            positions[static_cast<size_t>(i - 1)], positions[static_cast<size_t>(i)]);
      } else if (parallelogram && j >= 2 && found[at(i, j - 1)] && found[at(i, j - 2)]) {
        predicted = Extrapolate(
            node[at(i, j - 2)], node[at(i, j - 1)], positions[static_cast<size_t>(j - 2)],
            positions[static_cast<size_t>(j - 1)], positions[static_cast<size_t>(j)]);
      } else if (parallelogram && i >= 2 && found[at(i - 1, j)] && found[at(i - 2, j)]) {
        predicted = Extrapolate(
            node[at(i - 2, j)], node[at(i - 1, j)], positions[static_cast<size_t>(i - 2)],
            positions[static_cast<size_t>(i - 1)], positions[static_cast<size_t>(i)]);
      } else {
        // Curvature bends the grid away from the transform smoothly: carry
        // the mean offset of the neighbours already found.
        long double dx = 0, dy = 0;
        int32_t n = 0;
        const std::array<std::array<int32_t, 2>, 3> back = {
            {{i - 1, j}, {i, j - 1}, {i - 1, j - 1}}};
        for (const auto& b : back) {
          if (b[0] < 0 || b[1] < 0 || !found[at(b[0], b[1])]) continue;
          TPointReal g{};
          if (!FTransform.Map(centre(b[0], b[1]), g)) continue;
          dx += node[at(b[0], b[1])].X - g.X;
          dy += node[at(b[0], b[1])].Y - g.Y;
          ++n;
        }
        if (n > 0) {
          predicted.X += dx / n;
          predicted.Y += dy / n;
        }
      }
      const long double scale = FTransform.ScaleAt(module);
      TPointReal hit{};
      if (scale > 0 && FAlignmentFinder->Find(plane, predicted, scale, scale * kInnerRadius, hit)) {
        node[at(i, j)] = hit;
        found[at(i, j)] = 1;
      } else {
        node[at(i, j)] = predicted;
      }
    }
  }
}

int32_t THomographyLocator::SamplePiecewise(const TPlaneBoolean& plane,
                                            const std::array<TPointReal, 3>& finders,
                                            int32_t version) {
  const std::vector<int32_t> positions = AlignmentPositions(version);
  const auto k = static_cast<int32_t>(positions.size());
  if (k < 3) return 1;
  auto at = [k](int32_t i, int32_t j) { return static_cast<size_t>(j * k + i); };
  std::vector<TPointReal> node;
  std::vector<uint8_t> found;
  SearchNodes(plane, positions, true, node, found);
  if (found[at(k - 1, k - 1)]) {
    // The corner found, the transform through it and the finders follows
    // perspective exactly; a second round predicts every node from it.
    const long double far = FSize - 3.5L;
    const long double a = positions.back() + 0.5L;
    if (FTransform.Fit({TPointReal{3.5L, 3.5L}, TPointReal{far, 3.5L}, TPointReal{3.5L, far},
                        TPointReal{a, a}},
                       {finders[0], finders[1], finders[2], node[at(k - 1, k - 1)]}))
      SearchNodes(plane, positions, false, node, found);
  }
  for (size_t n = 0; n < found.size(); ++n)
    if (found[n]) FAlignments.push_back(node[n]);
  // Cell (i, j) spans nodes i..i+1 and j..j+1; the outer cells reach the
  // symbol's edges. Each module goes to the cell holding its centre.
  FCellOf.resize(static_cast<size_t>(FSize));
  for (int32_t x = 0; x < FSize; ++x) {
    int32_t c = 0;
    while (c + 1 < k - 1 && x >= positions[static_cast<size_t>(c + 1)]) ++c;
    FCellOf[static_cast<size_t>(x)] = c;
  }
  FCellSpan = k - 1;
  std::vector<THomography> cells(static_cast<size_t>((k - 1) * (k - 1)));
  for (int32_t j = 0; j + 1 < k; ++j) {
    for (int32_t i = 0; i + 1 < k; ++i) {
      const long double u0 = positions[static_cast<size_t>(i)] + 0.5L;
      const long double u1 = positions[static_cast<size_t>(i + 1)] + 0.5L;
      const long double v0 = positions[static_cast<size_t>(j)] + 0.5L;
      const long double v1 = positions[static_cast<size_t>(j + 1)] + 0.5L;
      THomography& cell = cells[static_cast<size_t>(j * (k - 1) + i)];
      cell = FTransform;
      // A cell whose corners fold keeps the global transform.
      cell.Fit({TPointReal{u0, v0}, TPointReal{u1, v0}, TPointReal{u0, v1}, TPointReal{u1, v1}},
               {node[at(i, j)], node[at(i + 1, j)], node[at(i, j + 1)], node[at(i + 1, j + 1)]});
    }
  }
  FCells = std::move(cells);
  if (!TimingAlternates(plane, kMinAlternation)) return 2;
  SampleAll(plane);
  return 0;
}

int32_t THomographyLocator::Sample(const TPlaneBoolean& plane,
                                   const std::array<TPointReal, 3>& finders,
                                   const std::array<long double, 3>& modules, int32_t version,
                                   TGrid grid) {
  const long double moduleSize = (modules[0] + modules[1] + modules[2]) / 3;
  // The patch's outer samples within a pixel of the centre (modules under
  // 1 / kPatch, about 4.5 pixels) read the centre's own pixel or its
  // neighbours, which under a grid error of a fraction of a pixel lie in
  // the next module about as often as in this one: they outvote a right
  // centre more often than a stray pixel. Such modules are read at their
  // centre.
  FPatch = moduleSize * kPatch >= 1;
  FAlignments.clear();
  FCells.clear();
  FEstimateNoise = false;
  if (version < kMinVersion || version > kMaxVersion || plane.Empty()) return 1;
  for (long double m : modules)
    if (!(m > 0) || !std::isfinite(m)) return 1;
  for (const auto& f : finders)
    if (!std::isfinite(f.X) || !std::isfinite(f.Y)) return 1;
  const int32_t side = SymbolSide(version);
  FSize = side;
  FMatrix.Resize(side, side, 0);
  if (!FitEstimated(finders, modules, side)) return 1;
  if (grid == TGrid::Estimated) {
    // Refining costs some hundred full readings of the grid: only a grid
    // whose timing already reads nearly right is worth it.
    if (!TimingAlternates(plane, kMinRefineAlternation)) return 2;
    RefineFourth(plane, finders, side, moduleSize);
    SampleAll(plane);
    return 0;
  }
  if (version < 2) return 1;
  if (!TimingAlternates(plane, kMinEstimatedAlternation)) {
    FEstimateNoise = true;
    return 2;
  }
  if (grid == TGrid::Piecewise && version >= 7) {
    const int32_t result = SamplePiecewise(plane, finders, version);
    if (result != 0) FCells.clear();
    return result;
  }

  // The bottom-right alignment pattern, three modules in from the corner
  // finder's opposite, first looked for where the affine estimate puts it.
  const long double a = side - 6.5L;
  const TPointReal module{a, a};
  // Looked for first where the perspective estimate puts it, then where
  // the affine one does, in windows growing with the module size.
  std::vector<TPointReal> predictions = {FTransform.Map(module.X, module.Y)};
  const long double scale = std::max(moduleSize, FTransform.ScaleAt(module));
  {
    const THomography estimate = FTransform;
    if (FitAffine(finders, side)) {
      const TPointReal p = FTransform.Map(module.X, module.Y);
      if (Distance(p, predictions[0]) > scale) predictions.push_back(p);
    }
    FTransform = estimate;
  }
  TPointReal hit{};
  std::vector<long double> radii;
  for (long double radius : kBottomRightRadii) radii.push_back(radius * scale);
  bool have = FAlignmentFinder->FindGrowing(plane, predictions, scale, radii, hit);
  // The search window must not have strayed onto a finder.
  for (const auto& f : finders)
    if (have && Distance(hit, f) < 4 * moduleSize) have = false;
  const long double far = side - 3.5L;
  if (have && !FTransform.Fit(
                  {TPointReal{3.5L, 3.5L}, TPointReal{far, 3.5L}, TPointReal{3.5L, far}, module},
                  {finders[0], finders[1], finders[2], hit}))
    have = false;
  if (!have) return 1;
  FAlignments.push_back(hit);
  if (!TimingAlternates(plane, kMinAlternation)) return 2;
  SampleAll(plane);
  return 0;
}

namespace {

// The sides of a triangle of candidates, longest first, each with the index
// of the vertex it faces.
using TSides = std::array<std::pair<long double, size_t>, 3>;

TSides SidesOf(const std::array<long double, 3>& facing) {
  TSides sides{};
  for (size_t i = 0; i < 3; ++i) sides[i] = {facing[i], i};
  std::sort(sides.begin(), sides.end(),
            [](const auto& x, const auto& y) { return x.first > y.first; });
  return sides;
}

// The side facing vertex v.
long double Facing(const TSides& sides, size_t v) {
  for (const auto& side : sides)
    if (side.second == v) return side.first;
  return 0;
}

// Finder module sizes within what a strong perspective explains.
bool ModulesAlike(const TFinderCandidate& a, const TFinderCandidate& b, const TFinderCandidate& c) {
  const long double minModule = std::min({a.Module, b.Module, c.Module});
  const long double maxModule = std::max({a.Module, b.Module, c.Module});
  return minModule > 0 && !(maxModule > minModule * kLooseModuleRatio);
}

// A necessary condition for either rank of THomographyLocator::
// PerspectiveShape in double precision, with margins far above the rounding
// of either precision, that turns most of a busy picture's triangles away
// before the 80-bit work: some vertex facing a side at least nearly as
// long as the longest must pass its bounds on angle, legs and distances in
// modules. side[i] faces vertex i.
bool MayBePerspective(const std::array<const TFinderCandidate*, 3>& p,
                      const std::array<double, 3>& side) {
  constexpr double kMargin = 1e-9;
  const double longest = std::max({side[0], side[1], side[2]});
  const double minModule =
      static_cast<double>(std::min({p[0]->Module, p[1]->Module, p[2]->Module}));
  const double maxModule =
      static_cast<double>(std::max({p[0]->Module, p[1]->Module, p[2]->Module}));
  const auto loose = [](long double bound) { return static_cast<double>(bound); };
  for (size_t corner = 0; corner < 3; ++corner) {
    if (side[corner] < longest * (loose(kNearlyLongest) - kMargin)) continue;
    const size_t si = (corner + 1) % 3, ti = (corner + 2) % 3;
    const double ls = side[ti], lt = side[si];
    const double shortLeg = std::min(ls, lt), longLeg = std::max(ls, lt);
    if (!(shortLeg > 0)) continue;
    if (longLeg > shortLeg * (loose(kLooseLegRatio) + kMargin)) continue;
    if (shortLeg < maxModule * (8 - kMargin) ||
        longLeg > minModule * (170 * loose(kLooseModuleRatio) + kMargin))
      continue;
    const double ox = static_cast<double>(p[corner]->X), oy = static_cast<double>(p[corner]->Y);
    const double dot = (static_cast<double>(p[si]->X) - ox) * (static_cast<double>(p[ti]->X) - ox) +
                       (static_cast<double>(p[si]->Y) - oy) * (static_cast<double>(p[ti]->Y) - oy);
    if (std::fabs(dot) <= (loose(kLooseCosine) + kMargin) * ls * lt) return true;
  }
  return false;
}

}  // namespace

bool THomographyLocator::PerspectiveTriple(const TFinderCandidate& a, const TFinderCandidate& b,
                                           const TFinderCandidate& c, TFinderTriple& triple,
                                           int32_t rank) {
  if (!ModulesAlike(a, b, c)) return false;
  const std::array<const TFinderCandidate*, 3> p = {&a, &b, &c};
  return PerspectiveCorner(p, SidesOf({Distance(b, c), Distance(c, a), Distance(a, b)}), rank,
                           triple);
}

bool THomographyLocator::PerspectiveCorner(
    const std::array<const TFinderCandidate*, 3>& p,
    const std::array<std::pair<long double, size_t>, 3>& sides, int32_t rank,
    TFinderTriple& triple) {
  TFinderTriples::TTripleShape shape;
  if (!PerspectiveShape(p, sides, rank, shape)) return false;
  TFinderTriples::BuildTriple(p, shape, triple);
  return true;
}

bool THomographyLocator::PerspectiveShape(
    const std::array<const TFinderCandidate*, 3>& p,
    const std::array<std::pair<long double, size_t>, 3>& sides, int32_t rank,
    TFinderTriples::TTripleShape& shape) {
  // Under strong perspective the corner finder need not show the angle
  // nearest 90 degrees; it is the one facing the longest side (the
  // diagonal between the two others). When a side nearly as long faces
  // another, that one may be the corner as well (rank 1).
  const TFinderCandidate &a = *p[0], &b = *p[1], &c = *p[2];
  const long double minModule = std::min({a.Module, b.Module, c.Module});
  const long double maxModule = std::max({a.Module, b.Module, c.Module});
  if (rank < 0 || rank > 1) return false;
  if (rank == 1 && sides[1].first < sides[0].first * kNearlyLongest) return false;
  const size_t corner = sides[static_cast<size_t>(rank)].second;
  const TFinderCandidate& o = *p[corner];
  const TFinderCandidate* s = p[(corner + 1) % 3];
  const TFinderCandidate* t = p[(corner + 2) % 3];
  // Legs to s and t, the sides facing t and s; a length reads the same
  // either way round.
  const long double ls = Facing(sides, (corner + 2) % 3);
  const long double lt = Facing(sides, (corner + 1) % 3);
  if (!(ls > 0) || !(lt > 0)) return false;
  const long double cosine =
      std::fabs(((s->X - o.X) * (t->X - o.X) + (s->Y - o.Y) * (t->Y - o.Y)) / (ls * lt));
  if (cosine > kLooseCosine) return false;
  const long double legRatio = std::max(ls, lt) / std::min(ls, lt);
  if (legRatio > kLooseLegRatio) return false;
  // Finder centres lie 14 to 170 modules apart, measured here in modules of
  // whichever finder makes the bound loosest.
  if (std::min(ls, lt) / maxModule < 8 || std::max(ls, lt) / minModule > 170 * kLooseModuleRatio)
    return false;
  const long double cross = (s->X - o.X) * (t->Y - o.Y) - (s->Y - o.Y) * (t->X - o.X);
  shape.Corner = corner;
  shape.Swapped = cross < 0;
  shape.Module = (a.Module + b.Module + c.Module) / 3;
  shape.Score = 2 * cosine + (legRatio - 1) + (maxModule / minModule - 1);
  return true;
}

std::vector<TFinderTriple> THomographyLocator::PerspectiveTriples(
    const std::vector<TFinderCandidate>& candidates) {
  const size_t n = candidates.size();
  std::vector<long double> length(n * n, 0);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      length[i * n + j] = length[j * n + i] = Distance(candidates[i], candidates[j]);
  // Every triangle's shapes, small records: a busy picture's hundreds of
  // them are ranked before the few best are built.
  struct TFound {
    int32_t Weakest = 0;  // rows that confirmed the least confirmed finder
    std::array<size_t, 3> Vertices{};
    TFinderTriples::TTripleShape Shape;
  };
  std::vector<TFound> found;
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      for (size_t k = j + 1; k < n; ++k) {
        // Both ranks fail alike on the module sizes, the first test.
        const TFinderCandidate &a = candidates[i], &b = candidates[j], &c = candidates[k];
        if (!ModulesAlike(a, b, c)) continue;
        const std::array<const TFinderCandidate*, 3> p = {&a, &b, &c};
        const std::array<long double, 3> facing = {length[j * n + k], length[k * n + i],
                                                   length[i * n + j]};
        if (!MayBePerspective(p, {static_cast<double>(facing[0]), static_cast<double>(facing[1]),
                                  static_cast<double>(facing[2])}))
          continue;
        const TSides sides = SidesOf(facing);
        for (int32_t rank = 0; rank < 2; ++rank) {
          TFound shape;
          if (!PerspectiveShape(p, sides, rank, shape.Shape)) continue;
          shape.Weakest = std::min({a.Count, b.Count, c.Count});
          shape.Vertices = {i, j, k};
          found.push_back(shape);
        }
      }
  // The best few: best confirmed first, then by score, ties in the order
  // found.
  const std::vector<size_t> order = BestInOrder(
      found.size(), static_cast<size_t>(kMaxPerspectiveTriples), [&found](size_t x, size_t y) {
        const TFound &a = found[x], &b = found[y];
        return a.Weakest != b.Weakest ? a.Weakest > b.Weakest : a.Shape.Score < b.Shape.Score;
      });
  const size_t kept = order.size();
  std::vector<TFinderTriple> result(kept);
  for (size_t i = 0; i < kept; ++i) {
    const TFound& f = found[order[i]];
    TFinderTriples::BuildTriple(
        {&candidates[f.Vertices[0]], &candidates[f.Vertices[1]], &candidates[f.Vertices[2]]},
        f.Shape, result[i]);
  }
  return result;
}

bool THomographyLocator::Locate(const TPlaneBoolean& plane, const TDecodeSettings& settings,
                                const TLocationSink& sink) {
  // The refinement work of this run is bounded by the picture's size; a
  // direct Sample call is not bounded.
  struct TBudget {
    int64_t& Budget;
    ~TBudget() { Budget = std::numeric_limits<int64_t>::max(); }
  } const budget{FClarityBudget};
  FClarityBudget = std::max(kMinClarity, kClarityPerPixel * plane.Width() * plane.Height());
  FClarityWork = 0;
  const TFinderTriples& search = FindFinders(plane);
  if (search.Candidates().size() < 3) return false;
  std::vector<TFinderTriple> triples = search.Triples();
  int32_t offered = 0;
  // The finder search keeps its best few by shape; add those a strong
  // perspective explains, once each.
  auto same = [](const TFinderTriple& a, const TFinderTriple& b) {
    for (size_t i = 0; i < 3; ++i)
      if (a.Finders[i].X != b.Finders[i].X || a.Finders[i].Y != b.Finders[i].Y) return false;
    return true;
  };
  for (const TFinderTriple& extra : PerspectiveTriples(search.Candidates())) {
    bool known = false;
    for (const TFinderTriple& t : search.Triples()) known = known || same(t, extra);
    if (!known) triples.push_back(extra);
  }
  // Real finders are confirmed by many rows, look-alikes in the data by a
  // few: under perspective the shape scores of both come close, so the
  // triple whose weakest member is best confirmed goes first.
  std::stable_sort(
      triples.begin(), triples.end(),
      [](const TFinderTriple& a, const TFinderTriple& b) { return Weakest(a) > Weakest(b); });
  for (const TFinderTriple& triple : triples) {
    if (!TFinderTriples::ReadsAsFinders(plane, triple)) continue;
    const std::array<TPointReal, 3> finders = {
        TPointReal{triple.Finders[0].X, triple.Finders[0].Y},
        TPointReal{triple.Finders[1].X, triple.Finders[1].Y},
        TPointReal{triple.Finders[2].X, triple.Finders[2].Y}};
    const std::array<long double, 3> modules = {triple.Finders[0].Module, triple.Finders[1].Module,
                                                triple.Finders[2].Module};
    // Versions as the finder geometry and the affine grid suggest them.
    // The affine map of the finder search, in double precision (plenty for a
    // pixel index) with the divisions done once per size: the guess reads
    // every timing module of every size it weighs.
    const TGridProbe probe = [&plane, &triple](int32_t size) -> TModuleProbe {
      const TFinderCandidate& o = triple.Finders[0];
      const TFinderCandidate& a = triple.Finders[1];
      const TFinderCandidate& b = triple.Finders[2];
      const auto span = static_cast<double>(size - 7);
      const auto ox = static_cast<double>(o.X), oy = static_cast<double>(o.Y);
      const double ax = static_cast<double>(a.X - o.X) / span;
      const double ay = static_cast<double>(a.Y - o.Y) / span;
      const double bx = static_cast<double>(b.X - o.X) / span;
      const double by = static_cast<double>(b.Y - o.Y) / span;
      return [&plane, ox, oy, ax, ay, bx, by](int32_t mx, int32_t my) {
        // Module centres lie 3 modules short of the finder centres' 3.5.
        const double u = mx - 3.0, v = my - 3.0;
        const double px = ox + u * ax + v * bx;
        const double py = oy + u * ay + v * by;
        if (!(std::fabs(px) < 1e9) || !(std::fabs(py) < 1e9)) return false;
        return plane.At(static_cast<int32_t>(std::floor(px)), static_cast<int32_t>(std::floor(py)),
                        0) != 0;
      };
    };
    for (int32_t version :
         TVersionGuess::Candidates(triple, probe, TTripleLocator::kSpread, settings.ForceVersion)) {
      // The grid anchored on the alignment patterns (piecewise from
      // version 7, where it places the bottom-right pattern too); the one
      // estimated from the finders alone for version 1, or when no pattern
      // is found.
      const TGrid grid = version >= 7   ? TGrid::Piecewise
                         : version >= 2 ? TGrid::Single
                                        : TGrid::Estimated;
      // A fixed bound keeps a picture full of finder-like clutter cheap.
      if (offered >= kMaxOffers) return false;
      // Without the bottom-right alignment pattern the grid is estimated
      // from the finders; a grid whose timing reads like noise is not.
      const int32_t sampled = Sample(plane, finders, modules, version, grid);
      if (sampled != 0 &&
          (FEstimateNoise || Sample(plane, finders, modules, version, TGrid::Estimated) != 0))
        continue;
      ++offered;
      TLocation location;
      location.Matrix = &FMatrix;
      location.Size = FSize;
      location.Version = version;
      for (size_t i = 0; i < 3; ++i) location.Finders[i] = ToPixel(finders[i]);
      const std::array<TPointReal, 4> corners = OuterCorners();
      for (size_t i = 0; i < 4; ++i) location.Corners[i] = ToPixel(corners[i]);
      if (sink(location)) return true;
    }
  }
  return false;
}

}  // namespace vornak
