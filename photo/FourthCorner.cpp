#include "photo/FourthCorner.h"

#include <algorithm>
#include <cmath>

#include "photo/FinderAnchors.h"
#include "photo/PixelReader.h"

namespace vornak {

namespace {

// Finder module sizes closer than this (relative) count as equal.
constexpr long double kEqualModules = 0.08L;

}  // namespace

bool TFourthCorner::Estimate(const std::array<TPointReal, 3>& finders,
                             const std::array<long double, 3>& modules, int32_t side,
                             THomography& t) {
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
    if (t.Fit(FinderAnchors(side), {finders[0], finders[1], finders[2], fourth})) return true;
  }
  return Affine(finders, side, t);
}

bool TFourthCorner::Affine(const std::array<TPointReal, 3>& finders, int32_t side, THomography& t) {
  const TPointReal parallelogram{finders[1].X + finders[2].X - finders[0].X,
                                 finders[1].Y + finders[2].Y - finders[0].Y};
  return t.Fit(FinderAnchors(side), {finders[0], finders[1], finders[2], parallelogram});
}

int32_t TFourthCorner::Clarity(const TPlaneBoolean& plane, const THomography& t, int32_t side,
                               int32_t beat, bool half) {
  // Modules whose centre and four points a third of a module away agree: on
  // the right grid nearly all do, while a grid that drifts puts its samples
  // across module edges.
  const TPixelReader reader(plane, t);
  const int32_t step = half ? 2 : 1;
  const int32_t perRow = (side + step - 1) / step;
  int32_t clear = 0;
  for (int32_t y = 0; y < side; ++y) {
    // Stop once the rows left cannot lift the count above the score to beat.
    if (clear + (side - y) * perRow <= beat) return clear;
    FBudget -= perRow;
    FWork += perRow;
    const double v = y + 0.5;
    for (int32_t x = half ? y % 2 : 0; x < side; x += step) {
      const double u = x + 0.5;
      const int32_t dark = (reader.Dark(u, v) ? 1 : 0) + (reader.Dark(u - 0.3, v) ? 1 : 0) +
                           (reader.Dark(u + 0.3, v) ? 1 : 0) + (reader.Dark(u, v - 0.3) ? 1 : 0) +
                           (reader.Dark(u, v + 0.3) ? 1 : 0);
      if (dark == 0 || dark == 5) ++clear;
    }
  }
  return clear;
}

void TFourthCorner::Refine(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                           int32_t side, long double moduleSize, THomography& t) {
  const std::array<TPointReal, 4> from = FinderAnchors(side);
  if (FBudget <= 0) return;
  const TPointReal start = t.Map(from[3].X, from[3].Y);
  THomography bestTransform = t;
  // Every round scores every other module (a checkerboard): half the work,
  // and still hundreds of modules to tell a point 0.3 modules off.
  int32_t bestScore = Clarity(plane, t, side, -1, true);
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
    THomography candidate;
    if (!candidate.Fit(from, {finders[0], finders[1], finders[2], fourth})) return false;
    const int32_t score = Clarity(plane, candidate, side, bestScore, true);
    if (score <= bestScore) return false;
    bestScore = score;
    bestTransform = candidate;
    return true;
  };
  for (int32_t round = 0; round < kCoarseRounds && FBudget > 0; ++round) {
    const int32_t ci = bestI, cj = bestJ;
    const int32_t before = bestScore;
    // Out of work, the best point so far stands.
    for (int32_t j = cj - kReach; j <= cj + kReach && FBudget > 0; ++j) {
      for (int32_t i = ci - kReach; i <= ci + kReach && FBudget > 0; ++i) {
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
  if (FBudget > 0) {
    const long double cx = bestI * coarseStep, cy = bestJ * coarseStep;
    for (int32_t j = -kReach; j <= kReach && FBudget > 0; ++j) {
      for (int32_t i = -kReach; i <= kReach && FBudget > 0; ++i) {
        if (i == 0 && j == 0) continue;
        tryPoint(fourthAt(cx + i * fineStep, cy + j * fineStep));
      }
    }
  }
  t = bestTransform;
}

}  // namespace vornak
