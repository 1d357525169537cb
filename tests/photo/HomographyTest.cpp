#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "photo/AlignmentFinder.h"
#include "photo/FinderAnchors.h"
#include "photo/FinderTriples.h"
#include "photo/GridFit.h"
#include "photo/GridReader.h"
#include "photo/Homography.h"
#include "photo/HomographyLocator.h"
#include "symbol/SeedModule.h"
#include "tests/locate/LocateTestUtil.h"
#include "tests/photo/Triangles.h"
#include "tests/support/CylinderWarp.h"
#include "tests/support/Renderer.h"
#include "tests/support/TiltedCorners.h"

namespace vornak::test {
namespace {

int32_t Mismatches(const TPlaneBoolean& a, const TPlaneBoolean& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int32_t n = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) n += (a(x, y) != 0) != (b(x, y) != 0);
  return n;
}

TPointReal Real(const TPointF& p) { return TPointReal{p.X, p.Y}; }

// The apparent module size at module point (mx, my) of a picture, as a
// finder search measures it: the mean of one module's width and height.
template <typename ToPixel>
long double LocalModule(const ToPixel& toPixel, double mx, double my) {
  const TPointF a = toPixel(mx - 0.5, my), b = toPixel(mx + 0.5, my);
  const TPointF c = toPixel(mx, my - 0.5), d = toPixel(mx, my + 0.5);
  return (std::hypot(b.X - a.X, b.Y - a.Y) + std::hypot(d.X - c.X, d.Y - c.Y)) / 2;
}

// The true centres of a rendering's three finders (corner, axis A end, axis
// B end) and the module sizes a finder search would measure there.
template <typename ToPixel>
std::array<TPointReal, 3> TrueFinders(const ToPixel& toPixel, int32_t side) {
  return {Real(toPixel(3.5, 3.5)), Real(toPixel(side - 3.5, 3.5)), Real(toPixel(3.5, side - 3.5))};
}
template <typename ToPixel>
std::array<long double, 3> TrueModules(const ToPixel& toPixel, int32_t side) {
  return {LocalModule(toPixel, 3.5, 3.5), LocalModule(toPixel, side - 3.5, 3.5),
          LocalModule(toPixel, 3.5, side - 3.5)};
}

TEST(HomographyTest, FitsAProjectiveMapAndRejectsDegeneratePoints) {
  // A known perspective map, evaluated at four points, must be recovered and
  // reproduce every other point.
  const std::array<long double, 8> h = {3.1L, 0.4L, 12, -0.2L, 2.7L, 40, 0.004L, -0.0021L};
  auto apply = [&](long double u, long double v) {
    const long double w = h[6] * u + h[7] * v + 1;
    return TPointReal{(h[0] * u + h[1] * v + h[2]) / w, (h[3] * u + h[4] * v + h[5]) / w};
  };
  const std::array<TPointReal, 4> from = {TPointReal{3.5L, 3.5L}, TPointReal{53.5L, 3.5L},
                                          TPointReal{3.5L, 53.5L}, TPointReal{50.5L, 50.5L}};
  std::array<TPointReal, 4> to{};
  for (size_t i = 0; i < 4; ++i) to[i] = apply(from[i].X, from[i].Y);
  THomography t;
  ASSERT_TRUE(t.Fit(from, to));
  for (long double u = 0; u <= 57; u += 7.25L) {
    for (long double v = 0; v <= 57; v += 5.5L) {
      const TPointReal expected = apply(u, v);
      const TPointReal got = t.Map(u, v);
      EXPECT_NEAR(static_cast<double>(got.X), static_cast<double>(expected.X), 1e-6);
      EXPECT_NEAR(static_cast<double>(got.Y), static_cast<double>(expected.Y), 1e-6);
    }
  }
  // Pixels per module near the origin: the map's local stretch.
  EXPECT_GT(t.ScaleAt(TPointReal{10, 10}), 2.0L);
  EXPECT_LT(t.ScaleAt(TPointReal{10, 10}), 3.5L);

  // Three points on a line, and a repeated point, fix no transform; the
  // earlier one is kept.
  THomography kept = t;
  std::array<TPointReal, 4> line = {TPointReal{0, 0}, TPointReal{1, 1}, TPointReal{2, 2},
                                    TPointReal{0, 5}};
  EXPECT_FALSE(t.Fit(from, line));
  std::array<TPointReal, 4> repeated = to;
  repeated[1] = repeated[0];
  EXPECT_FALSE(t.Fit(from, repeated));
  // A bow-tie (two corners swapped) folds the plane through infinity.
  std::array<TPointReal, 4> square = {TPointReal{0, 0}, TPointReal{10, 0}, TPointReal{0, 10},
                                      TPointReal{10, 10}};
  std::array<TPointReal, 4> bowTie = {TPointReal{0, 0}, TPointReal{0, 10}, TPointReal{10, 0},
                                      TPointReal{10, 10}};
  bowTie = {TPointReal{0, 0}, TPointReal{10, 0}, TPointReal{10, 10}, TPointReal{0, 10}};
  EXPECT_FALSE(t.Fit(square, bowTie));
  // A source rectangle without width or height spans no plane either.
  const std::array<TPointReal, 4> flat = {TPointReal{3.5L, 3.5L}, TPointReal{3.5L, 3.5L},
                                          TPointReal{3.5L, 53.5L}, TPointReal{3.5L, 53.5L}};
  EXPECT_FALSE(t.Fit(flat, to));
  const std::array<TPointReal, 4> thin = {TPointReal{3.5L, 3.5L}, TPointReal{53.5L, 3.5L},
                                          TPointReal{3.5L, 3.5L}, TPointReal{53.5L, 3.5L}};
  EXPECT_FALSE(t.Fit(thin, to));
  EXPECT_EQ(t.Coefficients(), kept.Coefficients());
}

// The eight coefficients straight from the eight linear equations of the
// four point pairs, by Gaussian elimination with partial pivoting: the plain
// way the closed form of Fit must agree with.
bool PlainFit(const std::array<TPointReal, 4>& from, const std::array<TPointReal, 4>& to,
              std::array<long double, 8>& h) {
  std::array<std::array<long double, 9>, 8> m{};
  for (size_t i = 0; i < 4; ++i) {
    const long double u = from[i].X, v = from[i].Y, x = to[i].X, y = to[i].Y;
    m[2 * i] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
    m[2 * i + 1] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
  }
  for (size_t col = 0; col < 8; ++col) {
    size_t pivot = col;
    for (size_t row = col + 1; row < 8; ++row)
      if (std::fabs(m[row][col]) > std::fabs(m[pivot][col])) pivot = row;
    if (std::fabs(m[pivot][col]) < 1e-12L) return false;
    std::swap(m[pivot], m[col]);
    for (size_t row = 0; row < 8; ++row) {
      if (row == col) continue;
      const long double f = m[row][col] / m[col][col];
      for (size_t k = col; k < 9; ++k) m[row][k] -= f * m[col][k];
    }
  }
  for (size_t i = 0; i < 8; ++i) h[i] = m[i][8] / m[i][i];
  return true;
}

TEST(HomographyTest, FitAgreesWithTheLinearEquationsOfItsFourPointPairs) {
  // Source squares as the locator fits them (finder centres and the fourth
  // corner of versions 1 to 40), source quadrilaterals as its alignment
  // fits and cells use, and targets from mild to strong perspective.
  std::mt19937 random(20261209);
  std::uniform_real_distribution<double> jitter(-0.3, 0.3);
  int32_t compared = 0;
  for (int32_t version = 1; version <= 40; version += 3) {
    const long double far = 4 * version + 17 - 3.5L, a = 4 * version + 17 - 6.5L;
    for (int32_t trial = 0; trial < 20; ++trial) {
      const long double side = 50 + 30 * version * (1 + jitter(random));
      const TPointReal origin{200 + 100 * jitter(random), 150 + 100 * jitter(random)};
      // Corners at most a fifth of the side off the square stay convex.
      const long double skew = side * 2 / 3;
      std::array<TPointReal, 4> to = {origin,
                                      TPointReal{origin.X + side, origin.Y + skew * jitter(random)},
                                      TPointReal{origin.X + skew * jitter(random), origin.Y + side},
                                      TPointReal{origin.X + side + skew * jitter(random),
                                                 origin.Y + side + skew * jitter(random)}};
      for (const bool square : {true, false}) {
        const std::array<TPointReal, 4> from = {TPointReal{3.5L, 3.5L}, TPointReal{far, 3.5L},
                                                TPointReal{3.5L, far},
                                                square ? TPointReal{far, far} : TPointReal{a, a}};
        std::array<long double, 8> plain{};
        THomography t;
        const bool fitted = t.Fit(from, to);
        ASSERT_EQ(fitted, PlainFit(from, to, plain)) << version << " " << trial;
        if (!fitted) continue;
        ++compared;
        for (size_t i = 0; i < 8; ++i) {
          const long double tolerance = 1e-12L * (1 + std::fabs(plain[i]));
          EXPECT_NEAR(static_cast<double>(t.Coefficients()[i]), static_cast<double>(plain[i]),
                      static_cast<double>(tolerance))
              << version << " " << trial << " coefficient " << i;
        }
        for (size_t i = 0; i < 4; ++i) {
          const TPointReal p = t.Map(from[i].X, from[i].Y);
          EXPECT_NEAR(static_cast<double>(p.X), static_cast<double>(to[i].X), 1e-9);
          EXPECT_NEAR(static_cast<double>(p.Y), static_cast<double>(to[i].Y), 1e-9);
        }
      }
    }
  }
  // Every draw above is a convex quadrilateral, which always has a transform.
  EXPECT_EQ(compared, 14 * 20 * 2);
}

TEST(HomographyTest, FindsAlignmentPatternsNearTheirPredictedPlace) {
  for (const int32_t version : {2, 7, 16}) {
    const TPlaneBoolean matrix = EncodedMatrix(version);
    const int32_t side = matrix.Width();
    TRenderOptions o;
    o.ModuleSize = 4.6;
    o.RotationDegrees = 9;
    o.BlurSigma = 0.7;
    o.NoiseSigma = 10;
    const TPlaneBoolean plane = ThresholdBitmap(RenderBitmap(matrix, o), 128);
    TAlignmentFinder finder;
    for (int32_t c : TSeedModule(version).Coordinates()) {
      for (int32_t r : TSeedModule(version).Coordinates()) {
        if ((c == 6 && r == 6) || (c == 6 && r == side - 7) || (r == 6 && c == side - 7)) continue;
        const TPointF truth = ModuleToPixel(side, o, c + 0.5, r + 0.5);
        // Predicted two and a half modules off, diagonally.
        const TPointReal predicted{truth.X + 2.5 * o.ModuleSize, truth.Y - 1.5 * o.ModuleSize};
        TPointReal found{};
        ASSERT_TRUE(finder.Find(plane, predicted, o.ModuleSize, 4 * o.ModuleSize, found))
            << "version " << version << " at " << c << "," << r;
        EXPECT_NEAR(static_cast<double>(found.X), truth.X, 0.35 * o.ModuleSize);
        EXPECT_NEAR(static_cast<double>(found.Y), truth.Y, 0.35 * o.ModuleSize);
      }
    }
  }
  // Blank, all-dark and out-of-picture searches find nothing.
  TAlignmentFinder finder;
  TPointReal found{};
  EXPECT_FALSE(finder.Find(TPlaneBoolean(80, 80, 0), TPointReal{40, 40}, 4, 20, found));
  EXPECT_FALSE(finder.Find(TPlaneBoolean(80, 80, 1), TPointReal{40, 40}, 4, 20, found));
  EXPECT_FALSE(finder.Find(TPlaneBoolean(80, 80, 0), TPointReal{-500, 40}, 4, 20, found));
  EXPECT_FALSE(finder.Find(TPlaneBoolean(), TPointReal{0, 0}, 4, 20, found));
}

// Samples the symbol with the finder centres the picture puts them at; the
// figures are the modules sampled wrong per version.
TEST(HomographySweep, SamplesTiltedSymbolsThroughTheTransform) {
  THomographyLocator locator;
  std::string figures;
  int32_t failed = 0;
  for (const bool aboutY : {true, false}) {
    for (const int32_t version : {2, 3, 5, 7, 10, 14, 20, 27, 33, 40}) {
      const TPlaneBoolean matrix = EncodedMatrix(version);
      const int32_t side = matrix.Width();
      TRenderOptions o;
      o.UseCorners = true;
      // Three pixels per module at the far edge of a 40-degree tilt.
      const double pixels = side * 4.2;
      o.Corners = TiltedCorners(pixels, 40, aboutY, 20);
      o.Width = static_cast<int32_t>(pixels * 1.2) + 40;
      o.Height = o.Width;
      o.Supersample = 2;
      o.NoiseSigma = 6;
      const TPlaneBoolean plane = ThresholdBitmap(RenderBitmap(matrix, o), 128);
      auto toPixel = [&](double x, double y) { return ModuleToPixel(side, o, x, y); };
      const std::array<TPointReal, 3> finders = TrueFinders(toPixel, side);
      const std::array<long double, 3> modules = TrueModules(toPixel, side);
      ASSERT_EQ(
          locator.Sample(plane, finders, modules, version, THomographyLocator::TGrid::Piecewise),
          THomographyLocator::TSampled::Done)
          << "version " << version;
      const int32_t wrong = Mismatches(locator.Matrix(), matrix);
      figures +=
          " v" + std::to_string(version) + (aboutY ? "y" : "x") + "=" + std::to_string(wrong);
      // Reed-Solomon at level L mends about 7 %; the grid must do far better.
      if (wrong > side * side / 100) ++failed;
      // The bottom-right alignment pattern was found where it is.
      const TPointF truth = ModuleToPixel(side, o, side - 6.5, side - 6.5);
      double nearest = 1e9;
      for (const TPointReal& a : locator.Alignments())
        nearest = std::min(nearest, std::hypot(static_cast<double>(a.X) - truth.X,
                                               static_cast<double>(a.Y) - truth.Y));
      EXPECT_LT(nearest, 2.0) << "version " << version;
    }
  }
  std::printf("40-degree tilt, wrong modules:%s\n", figures.c_str());
  EXPECT_EQ(failed, 0);
}

// Modules of five pixels on a 30-degree tilt with one pixel in a hundred
// flipped: each module is read as the majority of a patch round its centre,
// which outvotes a stray pixel that the centre alone would follow. (Modules
// under about 4.5 pixels are read at their centre: there a patch reaches
// into the next module.)
TEST(HomographyTest, LargeModulesAreReadByTheirPatchOverStrayPixels) {
  THomographyLocator locator;
  std::string figures;
  for (const int32_t version : {3, 7, 10, 14}) {
    const TPlaneBoolean matrix = EncodedMatrix(version);
    const int32_t side = matrix.Width();
    TRenderOptions o;
    o.UseCorners = true;
    const double module = 5;
    const double pixels = side * module * 1.2;
    o.Corners = TiltedCorners(pixels, 30, true, 8 * module);
    o.Width = static_cast<int32_t>(pixels * 1.1 + 16 * module);
    o.Height = static_cast<int32_t>(pixels * 1.2 + 16 * module);
    o.NoiseSigma = 12;
    o.Seed = static_cast<uint32_t>(version);
    TPlaneBoolean plane = ThresholdBitmap(RenderBitmap(matrix, o), 128);
    std::mt19937 random(static_cast<uint32_t>(version));
    for (uint8_t& pixel : plane.Data())
      if (random() % 100 == 0) pixel = pixel != 0 ? 0 : 1;
    auto toPixel = [&](double x, double y) { return ModuleToPixel(side, o, x, y); };
    const std::array<TPointReal, 3> finders = TrueFinders(toPixel, side);
    const std::array<long double, 3> modules = TrueModules(toPixel, side);
    ASSERT_EQ(
        locator.Sample(plane, finders, modules, version, THomographyLocator::TGrid::Piecewise),
        THomographyLocator::TSampled::Done)
        << "version " << version;
    const int32_t wrong = Mismatches(locator.Matrix(), matrix);
    figures += " v" + std::to_string(version) + "=" + std::to_string(wrong);
    EXPECT_LE(wrong, side * side / 400) << "version " << version;
  }
  std::printf("30-degree tilt, stray pixels, wrong modules:%s\n", figures.c_str());
}

TEST(HomographyTest, SamplesALabelRoundABottle) {
  THomographyLocator locator;
  std::string figures;
  int32_t failed = 0, failedSingle = 0;
  for (const double turn : {0.0, 12.0}) {
    for (const int32_t version : {2, 4, 7, 9, 13, 18, 25, 32, 40}) {
      const TPlaneBoolean matrix = EncodedMatrix(version);
      const int32_t side = matrix.Width();
      TCylinderOptions o;
      o.ModuleSize = 4.0;
      o.TurnDegrees = turn;
      o.Supersample = 2;
      const TPlaneBoolean plane = ThresholdBitmap(RenderCylinder(matrix, o), 128);
      auto toPixel = [&](double x, double y) { return CylinderModuleToPixel(side, o, x, y); };
      const std::array<TPointReal, 3> finders = TrueFinders(toPixel, side);
      const std::array<long double, 3> modules = TrueModules(toPixel, side);
      ASSERT_EQ(
          locator.Sample(plane, finders, modules, version, THomographyLocator::TGrid::Piecewise),
          THomographyLocator::TSampled::Done)
          << "version " << version;
      const int32_t wrong = Mismatches(locator.Matrix(), matrix);
      // A turned label leaves a module or two per hundred off where the
      // nearest patterns are far apart (and below version 7 there is only
      // one); error correction takes that, as the decoding tests show.
      if (wrong > side * side / 40) ++failed;
      ASSERT_EQ(locator.Sample(plane, finders, modules, version, THomographyLocator::TGrid::Single),
                THomographyLocator::TSampled::Done);
      const int32_t wrongSingle = Mismatches(locator.Matrix(), matrix);
      if (wrongSingle > side * side / 100) ++failedSingle;
      figures += " v" + std::to_string(version) + "/" + std::to_string(static_cast<int>(turn)) +
                 "=" + std::to_string(wrong) + "(" + std::to_string(wrongSingle) + ")";
    }
  }
  std::printf("cylinder, wrong modules piecewise(single):%s\n", figures.c_str());
  // Only the piecewise grid is held to it: one transform cannot follow the
  // curve on large symbols, which is why the pieces exist.
  EXPECT_EQ(failed, 0);
  std::printf("single transform over 1%%: %d\n", failedSingle);
}

// A label spanning 105 degrees of a bottle's round: its modules at the
// sides show at 60 % of their width in the middle, and the transform through the
// finders lies over a module off beside the finders and beyond. Bent onto
// the fixed patterns, the grid must follow the timing patterns module by
// module (the walk from the corner finder) to lie within a fraction of a
// module everywhere; bent without the walk it stays off.
TEST(GridFitTest, FollowsTheTimingPatternsRoundABottle) {
  // Facing the camera, and turned so that the side of the finder across
  // from the corner narrows most (a version 6 label turned so is not
  // followed yet: its grid is off too far after the first rounds).
  const std::array<std::pair<int32_t, double>, 5> kLabels = {
      {{2, 0.0}, {4, 0.0}, {6, 0.0}, {2, 8.0}, {4, 8.0}}};
  for (const auto& [version, turn] : kLabels) {
    const TPlaneBoolean matrix = EncodedMatrix(version);
    const int32_t side = matrix.Width();
    TCylinderOptions o;
    o.ModuleSize = 5.0;
    o.DiameterFactor = 1.1;
    o.TurnDegrees = turn;
    o.Supersample = 2;
    const TPlaneBoolean plane = ThresholdBitmap(RenderCylinder(matrix, o), 128);
    auto toPixel = [&](double x, double y) { return CylinderModuleToPixel(side, o, x, y); };
    // The transform through the three finders' centres and where a fourth
    // would stand: the best one transform a locator can lay.
    const std::array<TPointReal, 3> finders = TrueFinders(toPixel, side);
    const TPointF fourth = toPixel(side - 3.5, side - 3.5);
    TModuleGrid laidGrid;
    laidGrid.Size = side;
    laidGrid.Bend.Reset(side);
    ASSERT_TRUE(laidGrid.Transform.Fit(
        FinderAnchors(side), {finders[0], finders[1], finders[2], TPointReal{fourth.X, fourth.Y}}));
    TPlaneBoolean laidMatrix(side, side, 0);
    TGridReader(plane, laidGrid).Sample(laidMatrix);
    // The largest distance of a module centre from where it shows, in
    // modules of the width it shows there.
    auto worst = [&](const TModuleGrid& grid) {
      const TGridReader reader(plane, grid);
      double most = 0;
      for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
          double px = 0, py = 0;
          reader.ReaderOf(x, y).Map(x + 0.5, y + 0.5, px, py);
          const TPointF t = toPixel(x + 0.5, y + 0.5), r = toPixel(x + 1.5, y + 0.5);
          const double width = std::hypot(r.X - t.X, r.Y - t.Y);
          most = std::max(most, std::hypot(px - t.X, py - t.Y) / width);
        }
      return most;
    };
    const double laid = worst(laidGrid);
    EXPECT_GT(laid, 1.0) << "version " << version << " turned " << turn;
    double bent[2] = {0, 0};
    for (const bool chains : {false, true}) {
      TModuleGrid grid = laidGrid;
      TPlaneBoolean read = laidMatrix;
      TGridFit fit;
      for (int32_t round = 0; round < TGridFit::kFixedRounds; ++round)
        ASSERT_TRUE(fit.Refine(plane, grid, read, round, chains));
      bent[chains ? 1 : 0] = worst(grid);
    }
    EXPECT_LT(bent[1], 0.45) << "version " << version << " turned " << turn;
    std::printf("v%d turned %.0f: laid %.2f, bent %.2f, with the walk %.2f modules off\n", version,
                turn, laid, bent[0], bent[1]);
  }
}

TEST(HomographyTest, SettlesTheFourthPointOfAVersion1SymbolWhereTheGridReadsClean) {
  // No alignment pattern: the finders alone, with equal module sizes (so no
  // perspective in the first estimate), must still give the tilted grid.
  THomographyLocator locator;
  int32_t worst = 0;
  for (const bool aboutY : {true, false}) {
    const TPlaneBoolean matrix = EncodedMatrix(1);
    TRenderOptions o;
    o.UseCorners = true;
    // Stronger tilts need the finders' measured sizes in the first estimate
    // (the decoding tests read version 1 at 40 degrees that way).
    o.Corners = TiltedCorners(21 * 6.0, 25, aboutY, 24);
    o.Width = 21 * 6 * 13 / 10 + 48;
    o.Height = o.Width;
    o.Supersample = 2;
    const TPlaneBoolean plane = ThresholdBitmap(RenderBitmap(matrix, o), 128);
    const std::array<TPointReal, 3> finders = {Real(ModuleToPixel(21, o, 3.5, 3.5)),
                                               Real(ModuleToPixel(21, o, 17.5, 3.5)),
                                               Real(ModuleToPixel(21, o, 3.5, 17.5))};
    ASSERT_EQ(locator.Sample(plane, finders, {5, 5, 5}, 1, THomographyLocator::TGrid::Estimated),
              THomographyLocator::TSampled::Done);
    worst = std::max(worst, Mismatches(locator.Matrix(), matrix));
  }
  EXPECT_LE(worst, 2);
}

// The slow fuzz inputs (fuzz/slow/): a grey picture in the bytes after a
// five-byte header whose first two bytes give the sides (see
// fuzz/FuzzInput.h), thresholded at level.
TPlaneBoolean FuzzPlane(const char* file, int32_t level) {
  std::ifstream in(std::string(VORNAK_SOURCE_DIR) + "/fuzz/slow/" + file, std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (data.size() < 5) return TPlaneBoolean();
  const int32_t width = data[0] % 160 + 1, height = data[1] % 160 + 1;
  TPlaneBoolean plane(width, height, 0);
  size_t at = 5;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width && at < data.size(); ++x, ++at)
      plane(x, y) = data[at] < level ? 1 : 0;
  return plane;
}

TEST(HomographyTest, BoundsItsWorkOnNoise) {
  // Noise whose finder-like specks once made the pass sample and refine
  // dozens of grids for every plane (half a second for a 50 x 50 picture):
  // triples whose finders do not read as finders, and grids whose timing
  // reads like noise, are dropped before any costly work, and the
  // refinement of the rest stays within a bound set by the picture's size.
  // The torn symbol in the 127 x 127 one keeps two of its finders; the
  // speck that stood in for the third does not read as a finder, so its
  // grid is no longer refined.
  struct TCase {
    const char* File;
    int32_t Level;
    int32_t MaxOffers;
    bool Refines;
  };
  for (const TCase& c : {TCase{"vornak_decode-50x50-homography-refine", 128, 0, false},
                         TCase{"vornak_decode-127x127-homography-refine", 160, 0, false}}) {
    const TPlaneBoolean plane = FuzzPlane(c.File, c.Level);
    ASSERT_FALSE(plane.Empty()) << c.File;
    THomographyLocator locator;
    int32_t offers = 0;
    EXPECT_FALSE(locator.Locate(plane, {}, [&offers](const TLocation&) {
      ++offers;
      return false;
    }));
    EXPECT_LE(offers, c.MaxOffers) << c.File;
    const int64_t bound =
        std::max(THomographyLocator::kMinClarity,
                 THomographyLocator::kClarityPerPixel * plane.Width() * plane.Height());
    // The grid being scored when the bound is reached may finish.
    const int64_t side = std::min<int64_t>(177, std::max(plane.Width(), plane.Height()));
    EXPECT_LE(locator.ClarityWork(), bound + 2 * side * side) << c.File;
    EXPECT_EQ(locator.ClarityWork() > 0, c.Refines) << c.File;
  }
}

TEST(HomographyTest, GrowingAlignmentSearchAnswersAsSearchesOneAfterAnother) {
  // The bottom-right pattern is looked for in windows of 4, 8 and 14 modules
  // about one or two predictions; the growing search reads each pixel's
  // cross-sections once for all of them and must answer exactly as the
  // single searches do, on symbols and on the slow fuzz inputs alike.
  std::vector<std::pair<TPlaneBoolean, double>> planes;
  for (const int32_t version : {2, 5, 7}) {
    TRenderOptions o;
    o.ModuleSize = 3.4 + version * 0.3;
    o.RotationDegrees = 7.0 * version;
    o.BlurSigma = 0.6;
    o.NoiseSigma = 25;
    planes.emplace_back(ThresholdBitmap(RenderBitmap(EncodedMatrix(version), o), 128),
                        o.ModuleSize);
  }
  planes.emplace_back(FuzzPlane("vornak_decode-50x50-homography-refine", 128), 2.5);
  planes.emplace_back(FuzzPlane("vornak_decode-127x127-homography-refine", 160), 3.5);
  std::mt19937 random(4814);
  int32_t misses = 0, firstHits = 0, laterHits = 0;
  TAlignmentFinder growing;
  for (const auto& [plane, module] : planes) {
    ASSERT_FALSE(plane.Empty());
    std::uniform_real_distribution<double> x(-10, plane.Width() + 10);
    std::uniform_real_distribution<double> y(-10, plane.Height() + 10);
    std::uniform_real_distribution<double> near(-3 * module, 3 * module);
    for (int32_t trial = 0; trial < 60; ++trial) {
      const long double scale = module * (0.8 + 0.1 * (trial % 5));
      std::vector<TPointReal> predictions = {TPointReal{x(random), y(random)}};
      if (trial % 2 == 1)
        predictions.push_back(
            TPointReal{predictions[0].X + near(random), predictions[0].Y + near(random)});
      const std::vector<long double> radii = {4 * scale, 8 * scale, 14 * scale};
      const TAlignmentFinder single;
      TPointReal expected{};
      int32_t tier = -1;
      for (size_t k = 0; k < radii.size() && tier < 0; ++k)
        for (const TPointReal& p : predictions)
          if (single.Find(plane, p, scale, radii[k], expected)) {
            tier = static_cast<int32_t>(k);
            break;
          }
      TPointReal got{};
      ASSERT_EQ(growing.FindGrowing(plane, predictions, scale, radii, got), tier >= 0) << trial;
      if (tier < 0) {
        ++misses;
        continue;
      }
      (tier == 0 ? firstHits : laterHits) += 1;
      EXPECT_EQ(got.X, expected.X) << trial;
      EXPECT_EQ(got.Y, expected.Y) << trial;
    }
  }
  // Every path was taken: a miss, a hit in the first window and one in a
  // later window, where remembered cross-sections answer.
  EXPECT_GT(misses, 0);
  EXPECT_GT(firstHits, 0);
  EXPECT_GT(laterHits, 0);
}

// The ranked perspective triples are what scoring every triangle one by one
// and sorting them all (best confirmed first, then by score, ties in the
// order found) gives: random candidate sets, some clustered so that many
// triangles pass, some on a lattice so that many tie, some a single nearly
// equilateral triangle that offers two corners.
TEST(HomographyTest, PerspectiveTriplesAreTheBestOfAllTrianglesInOrder) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> where(0, 400), size(2, 6);
  for (int32_t round = 0; round < 100; ++round) {
    std::vector<TFinderCandidate> candidates(3 + static_cast<size_t>(round % 10));
    for (TFinderCandidate& c : candidates) {
      c.X = where(random);
      c.Y = where(random) / (1 + round % 3);
      c.Module = c.ModuleX = c.ModuleY = size(random);
      c.Count = 2 + static_cast<int32_t>(random() % 4);
      // Every other round on a lattice with one module size: congruent
      // triangles tie on the score.
      if (round % 2 == 1) {
        c.X = 60 * static_cast<int32_t>(random() % 6);
        c.Y = 60 * static_cast<int32_t>(random() % 6);
        c.Module = c.ModuleX = c.ModuleY = 4;
        c.Count = 3;
      }
    }
    // Some rounds hold one nearly equilateral triangle: its second longest
    // side is nearly as long as the longest, so both corners are offered.
    if (round >= 40) {
      candidates.resize(3);
      std::uniform_real_distribution<double> shift(-12, 12);
      for (size_t v = 0; v < 3; ++v) {
        const double angle = 2.0944 * static_cast<double>(v);
        candidates[v].X = 200 + 150 * std::cos(angle) + shift(random);
        candidates[v].Y = 200 + 150 * std::sin(angle) + shift(random);
      }
    }
    std::vector<TFinderTriple> all;
    for (size_t i = 0; i < candidates.size(); ++i)
      for (size_t j = i + 1; j < candidates.size(); ++j)
        for (size_t k = j + 1; k < candidates.size(); ++k)
          for (int32_t rank = 0; rank < 2; ++rank) {
            TFinderTriple triple;
            if (MakeTriple(candidates[i], candidates[j], candidates[k], triple,
                           TFinderTriangles::kPerspective, rank))
              all.push_back(triple);
          }
    const auto weakest = [](const TFinderTriple& t) {
      return std::min({t.Finders[0].Count, t.Finders[1].Count, t.Finders[2].Count});
    };
    std::stable_sort(all.begin(), all.end(), [&](const TFinderTriple& a, const TFinderTriple& b) {
      return weakest(a) != weakest(b) ? weakest(a) > weakest(b) : a.Score < b.Score;
    });
    constexpr auto kMost = static_cast<size_t>(TFinderTriples::kMaxPerspectiveTriples);
    if (all.size() > kMost) all.resize(kMost);
    const std::vector<TFinderTriple> ranked = TFinderTriangles::Best(
        candidates, TFinderTriangles::Distances(candidates), TFinderTriangles::kPerspective, kMost);
    ASSERT_EQ(ranked.size(), all.size()) << "round " << round;
    for (size_t t = 0; t < all.size(); ++t) {
      EXPECT_EQ(ranked[t].Score, all[t].Score) << "round " << round << " triple " << t;
      EXPECT_EQ(ranked[t].Module, all[t].Module) << "round " << round << " triple " << t;
      for (size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(ranked[t].Finders[f].X, all[t].Finders[f].X) << "round " << round;
        EXPECT_EQ(ranked[t].Finders[f].Y, all[t].Finders[f].Y) << "round " << round;
      }
    }
  }
}

TEST(HomographyTest, RejectsBadInput) {
  THomographyLocator locator;
  const TPlaneBoolean plane(50, 50, 0);
  const std::array<TPointReal, 3> finders = {TPointReal{10, 10}, TPointReal{40, 10},
                                             TPointReal{10, 40}};
  EXPECT_EQ(locator.Sample(plane, finders, {2, 2, 2}, 0, THomographyLocator::TGrid::Estimated),
            THomographyLocator::TSampled::NoGrid);
  EXPECT_EQ(locator.Sample(plane, finders, {2, 2, 2}, 41, THomographyLocator::TGrid::Estimated),
            THomographyLocator::TSampled::NoGrid);
  EXPECT_EQ(locator.Sample(plane, finders, {2, NAN, 2}, 2, THomographyLocator::TGrid::Estimated),
            THomographyLocator::TSampled::NoGrid);
  EXPECT_EQ(
      locator.Sample(TPlaneBoolean(), finders, {2, 2, 2}, 2, THomographyLocator::TGrid::Estimated),
      THomographyLocator::TSampled::NoGrid);
  // Collinear finders fix no transform.
  const std::array<TPointReal, 3> line = {TPointReal{10, 10}, TPointReal{20, 20},
                                          TPointReal{30, 30}};
  EXPECT_EQ(locator.Sample(plane, line, {2, 2, 2}, 2, THomographyLocator::TGrid::Estimated),
            THomographyLocator::TSampled::NoGrid);
  // A blank picture has no timing patterns: every grid on it reads like
  // noise and is given up before the alignment search or the refinement.
  for (const auto grid : {THomographyLocator::TGrid::Single, THomographyLocator::TGrid::Estimated,
                          THomographyLocator::TGrid::Piecewise})
    EXPECT_EQ(locator.Sample(plane, finders, {1.4L, 1.4L, 1.4L}, 9, grid),
              THomographyLocator::TSampled::TimingNoise);
  EXPECT_EQ(
      locator.Sample(plane, finders, {1.4L, 1.4L, 1.4L}, 2, THomographyLocator::TGrid::Single),
      THomographyLocator::TSampled::TimingNoise);
}

}  // namespace
}  // namespace vornak::test
