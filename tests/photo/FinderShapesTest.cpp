// Components, finders found as nested shapes, the grid their corners fix and
// the grid laid onto the edges of the modules, on symbols from the
// independent encoder rendered at slants and turns.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "photo/Components.h"
#include "photo/FinderShapes.h"
#include "photo/GridFit.h"
#include "photo/Homography.h"
#include "symbol/StandardTables.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"
#include "tests/support/TiltedCorners.h"

namespace vornak::test {
namespace {

// Components by flood fill, the obvious way: dark 8-connected, light
// 4-connected; per pixel its component, numbered in raster order.
std::vector<int32_t> FloodLabels(const TPlaneBoolean& plane, int32_t& count) {
  const int32_t w = plane.Width(), h = plane.Height();
  std::vector<int32_t> label(static_cast<size_t>(w) * static_cast<size_t>(h), -1);
  count = 0;
  std::vector<std::pair<int32_t, int32_t>> stack;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      if (label[static_cast<size_t>(y * w + x)] >= 0) continue;
      const bool dark = plane(x, y) != 0;
      stack.assign(1, {x, y});
      label[static_cast<size_t>(y * w + x)] = count;
      while (!stack.empty()) {
        const auto [px, py] = stack.back();
        stack.pop_back();
        for (int32_t dy = -1; dy <= 1; ++dy)
          for (int32_t dx = -1; dx <= 1; ++dx) {
            if ((dx == 0 && dy == 0) || (!dark && dx != 0 && dy != 0)) continue;
            const int32_t nx = px + dx, ny = py + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
            if ((plane(nx, ny) != 0) != dark || label[static_cast<size_t>(ny * w + nx)] >= 0)
              continue;
            label[static_cast<size_t>(ny * w + nx)] = count;
            stack.push_back({nx, ny});
          }
      }
      ++count;
    }
  return label;
}

TEST(ComponentsTest, MatchFloodFillWithAreasBoxesAndEnclosingComponents) {
  std::mt19937 random(7);
  for (int32_t round = 0; round < 30; ++round) {
    const int32_t w = 1 + static_cast<int32_t>(random() % 70),
                  h = 1 + static_cast<int32_t>(random() % 50);
    TPlaneBoolean plane(w, h, 0);
    std::bernoulli_distribution dark(0.2 + 0.02 * round);
    for (uint8_t& v : plane.Data()) v = dark(random) ? 1 : 0;
    // Some nested rings, so that enclosing components are exercised.
    if (w > 12 && h > 12)
      for (int32_t y = 2; y < 11; ++y)
        for (int32_t x = 2; x < 11; ++x) {
          const int32_t ring = std::max(std::abs(x - 6), std::abs(y - 6));
          plane(x, y) = ring == 4 || ring <= 1 ? 1 : 0;
        }
    TComponents components;
    components.Label(plane);
    int32_t count = 0;
    const std::vector<int32_t> flood = FloodLabels(plane, count);
    ASSERT_EQ(static_cast<int32_t>(components.Components().size()), count) << "round " << round;
    // Numbered alike (both in raster order of first pixels).
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        ASSERT_EQ(components.At(x, y), flood[static_cast<size_t>(y * w + x)])
            << "round " << round << " at " << x << "," << y;
    std::vector<int64_t> area(static_cast<size_t>(count), 0);
    std::vector<std::array<int32_t, 4>> box(static_cast<size_t>(count), {w, h, -1, -1});
    // Filled row by row from first to last pixel: pixels, 2 sum x, 2 sum y.
    std::vector<std::array<int64_t, 3>> filled(static_cast<size_t>(count), {0, 0, 0});
    for (int32_t y = 0; y < h; ++y) {
      std::map<int32_t, std::pair<int32_t, int32_t>> span;
      for (int32_t x = 0; x < w; ++x) {
        const auto v = static_cast<size_t>(flood[static_cast<size_t>(y * w + x)]);
        ++area[v];
        box[v] = {std::min(box[v][0], x), std::min(box[v][1], y), std::max(box[v][2], x),
                  std::max(box[v][3], y)};
        if (!span.count(static_cast<int32_t>(v))) span[static_cast<int32_t>(v)] = {x, x};
        span[static_cast<int32_t>(v)].second = x;
      }
      for (const auto& [v, s] : span)
        for (int32_t x = s.first; x <= s.second; ++x) {
          std::array<int64_t, 3>& f = filled[static_cast<size_t>(v)];
          f = {f[0] + 1, f[1] + 2 * x + 1, f[2] + 2 * y + 1};
        }
    }
    for (int32_t i = 0; i < count; ++i) {
      const TComponents::TComponent& c = components.Components()[static_cast<size_t>(i)];
      EXPECT_EQ(c.Area, area[static_cast<size_t>(i)]);
      EXPECT_EQ((std::array<int32_t, 4>{c.X0, c.Y0, c.X1, c.Y1}), box[static_cast<size_t>(i)]);
      EXPECT_EQ((std::array<int64_t, 3>{c.Filled, c.FilledSumX2, c.FilledSumY2}),
                filled[static_cast<size_t>(i)]);
      // The enclosing component is the one above the first pixel.
      if (c.Y0 > 0) {
        int32_t first = -1;
        for (int32_t x = 0; x < w && first < 0; ++x)
          if (flood[static_cast<size_t>(c.Y0 * w + x)] == i) first = x;
        EXPECT_EQ(c.Parent, flood[static_cast<size_t>((c.Y0 - 1) * w + first)]);
      } else {
        EXPECT_EQ(c.Parent, -1);
      }
    }
    if (w > 12 && h > 12) {
      // The rings: core inside the light ring inside the dark ring.
      const int32_t core = components.At(6, 6), light = components.At(6, 4),
                    ring = components.At(2, 2);
      EXPECT_EQ(components.Components()[static_cast<size_t>(core)].Parent, light);
      EXPECT_EQ(components.Components()[static_cast<size_t>(light)].Parent, ring);
    }
  }
  TComponents empty;
  empty.Label(TPlaneBoolean());
  EXPECT_TRUE(empty.Components().empty());
}

struct TPose {
  const char* Name;
  double Rotation;
  double Tilt;  // degrees about the vertical axis, 0 = none
};

TEST(FinderShapesTest, FindsTheThreeFindersAndTheirCornersUnderTurnsAndSlants) {
  const TPose poses[] = {{"upright", 0, 0},
                         {"turned 30", 30, 0},
                         {"turned 125", 125, 0},
                         {"slant 50", 0, 50},
                         {"slant 60", 0, 60}};
  for (const TPose& pose : poses) {
    for (int32_t version : {2, 6}) {
      const TPlaneBoolean matrix = Make("shapes " + std::to_string(version), version, 1, 3).Matrix;
      const int32_t side = matrix.Width();
      TRenderOptions o;
      o.ModuleSize = 5;
      o.RotationDegrees = pose.Rotation;
      o.BlurSigma = 0.6;
      if (pose.Tilt > 0) {
        o.UseCorners = true;
        o.Corners = TiltedCorners(side * 6.0, pose.Tilt, true, 30);
      }
      const TPlaneBoolean plane = RenderPlane(matrix, o);
      TFinderShapes shapes;
      shapes.Find(plane);
      const std::string what = std::string(pose.Name) + " v" + std::to_string(version);
      ASSERT_FALSE(shapes.Triples().empty()) << what;
      const TFinderShapes::TTriple& best = shapes.Triples().front();
      // The finders of the symbol, in order (up to the mirror the triple's
      // order gives), each within a module of the truth.
      const TPointF truth[3] = {ModuleToPixel(side, o, 3.5, 3.5),
                                ModuleToPixel(side, o, side - 3.5, 3.5),
                                ModuleToPixel(side, o, 3.5, side - 3.5)};
      const double module = o.UseCorners ? 3 : o.ModuleSize;
      EXPECT_NEAR(static_cast<double>(best.Triple.Finders[0].X), truth[0].X, module) << what;
      EXPECT_NEAR(static_cast<double>(best.Triple.Finders[0].Y), truth[0].Y, module) << what;
      for (size_t k = 1; k < 3; ++k) {
        const TFinderCandidate& f = best.Triple.Finders[k];
        const double near1 = std::hypot(static_cast<double>(f.X) - truth[1].X,
                                        static_cast<double>(f.Y) - truth[1].Y);
        const double near2 = std::hypot(static_cast<double>(f.X) - truth[2].X,
                                        static_cast<double>(f.Y) - truth[2].Y);
        EXPECT_LT(std::min(near1, near2), module) << what << " finder " << k;
      }
      EXPECT_NEAR(static_cast<double>(best.Span), side - 7, 0.2 * (side - 7)) << what;
      // The grid the corners fix puts module centres within a third of a
      // module of where the picture has them.
      THomography grid;
      ASSERT_TRUE(shapes.FitGrid(best, side, grid)) << what;
      double worst = 0;
      for (int32_t my = 0; my < side; my += 3)
        for (int32_t mx = 0; mx < side; mx += 3) {
          const TPointReal p = grid.Map(mx + 0.5L, my + 0.5L);
          // Either the symbol's order or its mirror.
          const TPointF a = ModuleToPixel(side, o, mx + 0.5, my + 0.5);
          const TPointF b = ModuleToPixel(side, o, my + 0.5, mx + 0.5);
          worst = std::max(
              worst,
              std::min(std::hypot(static_cast<double>(p.X) - a.X, static_cast<double>(p.Y) - a.Y),
                       std::hypot(static_cast<double>(p.X) - b.X, static_cast<double>(p.Y) - b.Y)));
        }
      EXPECT_LT(worst, module * 0.4) << what;
    }
  }
}

TEST(FinderShapesTest, RingsWithoutTheProportionsOfAFinderAreNoShapes) {
  // An alignment pattern's proportions (a one-module core), a ring whose
  // core fills it, and a bare square.
  TPlaneBoolean plane(120, 60, 0);
  auto ring = [&plane](int32_t cx, int32_t cy, int32_t outer, int32_t hole, int32_t core) {
    for (int32_t y = -outer; y <= outer; ++y)
      for (int32_t x = -outer; x <= outer; ++x) {
        const int32_t r = std::max(std::abs(x), std::abs(y));
        plane(cx + x, cy + y) = r > hole || r <= core ? 1 : 0;
      }
  };
  ring(15, 15, 12, 9, 1);   // core far too small for the light ring
  ring(50, 15, 12, 9, 11);  // no light ring left
  for (int32_t y = 35; y < 55; ++y)
    for (int32_t x = 20; x < 40; ++x) plane(x, y) = 1;
  TFinderShapes shapes;
  shapes.Find(plane);
  EXPECT_TRUE(shapes.Shapes().empty());
  // A proper finder is found.
  ring(80, 40, 14, 10, 6);
  shapes.Find(plane);
  ASSERT_EQ(shapes.Shapes().size(), 1u);
  EXPECT_NEAR(static_cast<double>(shapes.Shapes()[0].Candidate.X), 80.5, 0.6);
  EXPECT_NEAR(static_cast<double>(shapes.Shapes()[0].Candidate.Module), 4.2, 0.5);
}

TEST(HomographyLeastSquaresTest, RecoversAProjectiveMapFromManyPointsAndRefusesDegenerateOnes) {
  THomography truth;
  ASSERT_TRUE(truth.Fit(
      {TPointReal{0, 0}, TPointReal{10, 0}, TPointReal{0, 10}, TPointReal{10, 10}},
      {TPointReal{100, 50}, TPointReal{400, 80}, TPointReal{130, 420}, TPointReal{380, 360}}));
  std::vector<TPointReal> from, to;
  for (int32_t v = 0; v <= 10; v += 2)
    for (int32_t u = 0; u <= 10; u += 5) {
      from.push_back({static_cast<long double>(u), static_cast<long double>(v)});
      to.push_back(truth.Map(u, v));
    }
  THomography fitted;
  ASSERT_TRUE(fitted.FitLeastSquares(from, to));
  for (size_t i = 0; i < 8; ++i)
    EXPECT_NEAR(static_cast<double>(fitted.Coefficients()[i]),
                static_cast<double>(truth.Coefficients()[i]),
                1e-9 * (1 + std::fabs(static_cast<double>(truth.Coefficients()[i]))));
  // Points on one line fix no transform, and the transform is kept.
  std::vector<TPointReal> line = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
  THomography kept = fitted;
  EXPECT_FALSE(kept.FitLeastSquares(line, line));
  EXPECT_EQ(kept.Coefficients(), fitted.Coefficients());
  EXPECT_FALSE(kept.FitLeastSquares({{0, 0}, {1, 0}}, {{0, 0}, {1, 0}}));
}

// Reads the matrix through grid.
TPlaneBoolean Read(const TPlaneBoolean& plane, const TModuleGrid& grid) {
  TPlaneBoolean matrix(grid.Size, grid.Size, 0);
  TGridReader(plane, grid).Sample(matrix);
  return matrix;
}

int32_t Wrong(const TPlaneBoolean& a, const TPlaneBoolean& b) {
  int32_t n = 0;
  for (size_t i = 0; i < a.Data().size(); ++i) n += (a.Data()[i] != 0) != (b.Data()[i] != 0);
  return n;
}

TEST(GridFitTest, BendsAGridThatIsOffBackOntoTheModules) {
  const TPlaneBoolean matrix = Make("grid fit", 5, 0, 2).Matrix;
  const int32_t side = matrix.Width();
  TRenderOptions o;
  o.ModuleSize = 6;
  o.BlurSigma = 0.8;
  const TPlaneBoolean plane = RenderPlane(matrix, o);
  // The true grid, then one stretched and turned by half a module at the far
  // corner: many modules there are read wrong.
  auto grid = [&](double stretch, double turn) {
    TModuleGrid g;
    g.Size = side;
    g.Patch = true;
    g.Bend.Reset(side);
    const TPointF a = ModuleToPixel(side, o, 0, 0), b = ModuleToPixel(side, o, side, 0);
    const TPointF c = ModuleToPixel(side, o, 0, side), d = ModuleToPixel(side, o, side, side);
    const long double n = side;
    EXPECT_TRUE(g.Transform.Fit(
        {TPointReal{0, 0}, TPointReal{n, 0}, TPointReal{0, n}, TPointReal{n, n}},
        {TPointReal{a.X, a.Y}, TPointReal{b.X + stretch, b.Y + turn},
         TPointReal{c.X - turn, c.Y + stretch}, TPointReal{d.X + stretch, d.Y + stretch}}));
    return g;
  };
  EXPECT_EQ(Wrong(Read(plane, grid(0, 0)), matrix), 0);
  TModuleGrid off = grid(3, 2);
  TPlaneBoolean read = Read(plane, off);
  const int32_t before = Wrong(read, matrix);
  EXPECT_GT(before, 20);
  TGridFit fit;
  for (int32_t round = 0; round < TGridFit::kRounds; ++round)
    ASSERT_TRUE(fit.Refine(plane, off, read, round));
  EXPECT_EQ(Wrong(read, matrix), 0) << "wrong before: " << before;

  // The finders, timing and alignment patterns have the colours the
  // standard gives them: their edges place the grid even when every module
  // was read at random, and the grid is off by more than the edges of data
  // modules are looked for.
  TModuleGrid lost = grid(5, 3);
  TPlaneBoolean noise(side, side, 0);
  uint32_t seed = 12345;
  for (uint8_t& module : noise.Data()) {
    seed = seed * 1664525u + 1013904223u;
    module = (seed >> 16) & 1;
  }
  EXPECT_GT(Wrong(Read(plane, lost), matrix), 300);
  for (int32_t round = 0; round < TGridFit::kRounds; ++round)
    ASSERT_TRUE(fit.Refine(plane, lost, noise, round));
  EXPECT_EQ(Wrong(noise, matrix), 0);

  // A blank picture shows no edges: nothing is fitted and the grid stays.
  TModuleGrid blank = grid(0, 0);
  TPlaneBoolean modules = matrix;
  const TPlaneBoolean white(plane.Width(), plane.Height(), 0);
  EXPECT_FALSE(fit.Refine(white, blank, modules, 0));
  EXPECT_FALSE(blank.Bend.Active());
  EXPECT_EQ(modules, matrix);
}

}  // namespace
}  // namespace vornak::test
