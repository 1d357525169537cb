// A finder whose outer ring is broken is no shape; the other two tell
// where it is.

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "photo/FinderShapes.h"
#include "photo/ThirdFinder.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak::test {
namespace {

// Finder k (0 top left, 1 top right, 2 bottom left) with a gap of three
// modules in its outer ring where it faces the quiet zone: its light ring
// runs out into the margin, as where glare or a fold eats into the ring.
TPlaneBoolean BreakFinder(TPlaneBoolean matrix, int32_t k) {
  const int32_t n = matrix.Width();
  const int32_t x0 = k == 1 ? n - 7 : 0;
  const int32_t y = k == 2 ? n - 1 : 0;
  for (int32_t x = x0 + 2; x <= x0 + 4; ++x) matrix(x, y) = 0;
  return matrix;
}

class ThirdFinderTest : public ::testing::TestWithParam<std::tuple<int32_t, double>> {};

TEST_P(ThirdFinderTest, FindsTheBrokenFinderWhereTheOtherTwoPutIt) {
  const auto [k, rotation] = GetParam();
  const TPlaneBoolean matrix = BreakFinder(Make("https://vornak.test/third", 4, 1, 3).Matrix, k);
  const int32_t n = matrix.Width();
  TRenderOptions o;
  o.ModuleSize = 5;
  o.RotationDegrees = rotation;
  o.BlurSigma = 0.6;
  const TPlaneBoolean plane = RenderPlane(matrix, o);

  TFinderShapes shapes;
  shapes.Find(plane);
  // The broken finder is no shape, so no triple of shapes is found.
  ASSERT_TRUE(shapes.Triples().empty());

  // Where each finder really is, in the order of a triple.
  const std::array<TPointF, 3> truth = {ModuleToPixel(n, o, 3.5, 3.5),
                                        ModuleToPixel(n, o, n - 3.5, 3.5),
                                        ModuleToPixel(n, o, 3.5, n - 3.5)};
  const std::vector<TFinderShapes::TTriple> triples = TThirdFinder::Infer(shapes, plane);
  ASSERT_FALSE(triples.empty());
  const TFinderShapes::TTriple& best = triples[0];
  for (size_t i = 0; i < 3; ++i) {
    const TFinderCandidate& f = best.Triple.Finders[i];
    EXPECT_LT(
        std::hypot(static_cast<double>(f.X) - truth[i].X, static_cast<double>(f.Y) - truth[i].Y),
        0.5 * o.ModuleSize)
        << "finder " << i;
  }
  // The inferred one is the broken one.
  EXPECT_EQ(best.Shapes[static_cast<size_t>(k)], -1);
  EXPECT_TRUE(shapes.ReadsAsFinders(best, plane));
}

INSTANTIATE_TEST_SUITE_P(BrokenFinders, ThirdFinderTest,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values(0.0, 27.0, 150.0)));

// A label turned away: the side of the broken finder lies farther off,
// its modules smaller than the near finders' (by 6, 12 and 16 per cent: the
// parameter is how much shorter the far side is at each end, in pixels of
// the near side's 170).
class FarThirdFinderTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(FarThirdFinderTest, FindsTheBrokenFinderSmallerOnTheFarSide) {
  const int32_t shorter = GetParam();
  const TPlaneBoolean matrix = BreakFinder(Make("https://vornak.test/third", 4, 1, 3).Matrix, 1);
  const int32_t n = matrix.Width();
  TRenderOptions o;
  o.UseCorners = true;
  o.Corners = {TPointF{40, 30}, TPointF{190, 30.0 + shorter}, TPointF{190, 200.0 - shorter},
               TPointF{40, 200}};
  o.Width = 230;
  o.Height = 230;
  o.BlurSigma = 0.6;
  const TPlaneBoolean plane = RenderPlane(matrix, o);
  TFinderShapes shapes;
  shapes.Find(plane);
  ASSERT_TRUE(shapes.Triples().empty());
  const std::vector<TFinderShapes::TTriple> triples = TThirdFinder::Infer(shapes, plane);
  ASSERT_FALSE(triples.empty());
  const TPointF truth = ModuleToPixel(n, o, n - 3.5, 3.5);
  const TFinderCandidate& f = triples[0].Triple.Finders[1];
  EXPECT_EQ(triples[0].Shapes[1], -1);
  EXPECT_LT(std::hypot(static_cast<double>(f.X) - truth.X, static_cast<double>(f.Y) - truth.Y),
            2.5);
}

INSTANTIATE_TEST_SUITE_P(Perspective, FarThirdFinderTest, ::testing::Values(5, 10, 14));

TEST(ThirdFinderTest, TwoFindersAloneInfersNothingWhereNoFinderIs) {
  // Two finders on a blank page: the places they point to hold no finder.
  TPlaneBoolean matrix = Make("https://vornak.test/third", 4, 1, 3).Matrix;
  const int32_t n = matrix.Width();
  for (int32_t y = 0; y < n; ++y)
    for (int32_t x = 0; x < n; ++x)
      if (!(y < 8 && (x < 8 || x >= n - 8))) matrix(x, y) = 0;
  TRenderOptions o;
  o.ModuleSize = 5;
  const TPlaneBoolean plane = RenderPlane(matrix, o);
  TFinderShapes shapes;
  shapes.Find(plane);
  ASSERT_EQ(shapes.Shapes().size(), 2u);
  EXPECT_TRUE(TThirdFinder::Infer(shapes, plane).empty());
}

}  // namespace
}  // namespace vornak::test
