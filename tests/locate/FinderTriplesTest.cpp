// Finder triples, version from geometry and the locators of the passes, on
// symbols from the independent encoder rendered to two-level planes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "locate/ClassicLocator.h"
#include "locate/FinderTriples.h"
#include "locate/TripleLocator.h"
#include "locate/VersionGuess.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

using test::Make;
using test::ModuleToPixel;
using test::RenderPlane;
using test::TRenderOptions;

// The true centre of a finder whose top-left module is (mx, my).
test::TPointF FinderCentre(int32_t side, const TRenderOptions& options, int32_t mx, int32_t my) {
  return ModuleToPixel(side, options, mx + 3.5, my + 3.5);
}

void ExpectNear(const TFinderCandidate& found, test::TPointF expected, double tolerance,
                const std::string& what) {
  EXPECT_NEAR(static_cast<double>(found.X), expected.X, tolerance) << what;
  EXPECT_NEAR(static_cast<double>(found.Y), expected.Y, tolerance) << what;
}

TEST(FinderTriplesTest, BestTripleIsTheSymbolsFindersInOrder) {
  for (int version : {1, 6, 13, 27, 40}) {
    for (double rotation : {0.0, 33.0, 200.0}) {
      const TPlaneBoolean matrix = Make("triples", version, 1, version % 8).Matrix;
      const int32_t side = matrix.Width();
      TRenderOptions options;
      options.ModuleSize = version > 20 ? 3.0 : 4.5;
      options.RotationDegrees = rotation;
      const TPlaneBoolean plane = RenderPlane(matrix, options);
      const std::string what =
          "version " + std::to_string(version) + " rotation " + std::to_string(rotation);

      TFinderTriples finder;
      ASSERT_GT(finder.Find(plane), 0) << what;
      EXPECT_LE(finder.Candidates().size(), static_cast<size_t>(TFinderTriples::kMaxCandidates));
      EXPECT_LE(finder.Triples().size(), static_cast<size_t>(TFinderTriples::kMaxTriples));
      const TFinderTriple& best = finder.Triples().front();
      const double tolerance = options.ModuleSize * 0.75;
      ExpectNear(best.Finders[0], FinderCentre(side, options, 0, 0), tolerance, what + " corner");
      ExpectNear(best.Finders[1], FinderCentre(side, options, side - 7, 0), tolerance, what + " A");
      ExpectNear(best.Finders[2], FinderCentre(side, options, 0, side - 7), tolerance, what + " B");
      EXPECT_EQ(TVersionGuess::EstimateVersion(best), version) << what;
      EXPECT_NEAR(static_cast<double>(TVersionGuess::EstimatedSide(best)), side, 1.6) << what;
    }
  }
}

TEST(FinderTriplesTest, TriplesThatCannotBeOneSymbolAreRejected) {
  TFinderCandidate a{100, 100, 4, 4, 4, 10};
  TFinderCandidate b{300, 100, 4, 4, 4, 10};
  TFinderCandidate c{100, 300, 4, 4, 4, 10};
  TFinderTriple triple;
  ASSERT_TRUE(TFinderTriples::MakeTriple(b, c, a, triple));
  // Ordered corner, axis A end, axis B end with A turning clockwise onto B.
  EXPECT_EQ(triple.Finders[0].X, 100);
  EXPECT_EQ(triple.Finders[0].Y, 100);
  EXPECT_EQ(triple.Finders[1].X, 300);
  EXPECT_EQ(triple.Finders[2].Y, 300);
  EXPECT_NEAR(static_cast<double>(triple.Score), 0.0, 1e-9);

  TFinderCandidate bigger = b;
  bigger.Module = 9;  // module sizes too different
  EXPECT_FALSE(TFinderTriples::MakeTriple(a, bigger, c, triple));
  TFinderCandidate line{500, 100, 4, 4, 4, 10};  // three in a row
  EXPECT_FALSE(TFinderTriples::MakeTriple(a, b, line, triple));
  TFinderCandidate longLeg{100, 500, 4, 4, 4, 10};  // legs 200 and 400 pixels
  EXPECT_FALSE(TFinderTriples::MakeTriple(a, b, longLeg, triple));
  TFinderCandidate close1{120, 100, 4, 4, 4, 10};  // five modules apart
  TFinderCandidate close2{100, 120, 4, 4, 4, 10};
  EXPECT_FALSE(TFinderTriples::MakeTriple(a, close1, close2, triple));
  TFinderCandidate same{100, 100, 4, 4, 4, 10};
  EXPECT_FALSE(TFinderTriples::MakeTriple(a, same, c, triple));
}

TEST(FinderTriplesTest, DecoyFindersInThePictureDoNotWin) {
  // Two extra finder-shaped marks beside the symbol, as large as its finders.
  const TPlaneBoolean matrix = Make("decoys", 5, 1, 4).Matrix;
  TRenderOptions options;
  options.ModuleSize = 4;
  options.Width = 400;
  options.Height = 260;
  options.OffsetX = -90;
  TPlaneBoolean plane = RenderPlane(matrix, options);
  for (int32_t cx : {300, 360})
    for (int32_t y = -14; y < 14; ++y)
      for (int32_t x = -14; x < 14; ++x) {
        const double d = std::max(std::fabs(x + 0.5), std::fabs(y + 0.5));
        plane(cx + x, 60 + y) = d < 6 || d >= 10 ? 1 : 0;
      }
  TFinderTriples finder;
  ASSERT_GT(finder.Find(plane), 0);
  EXPECT_GE(finder.Candidates().size(), 5u);
  const int32_t side = matrix.Width();
  const TFinderTriple& best = finder.Triples().front();
  ExpectNear(best.Finders[0], FinderCentre(side, options, 0, 0), 3, "corner");
  ExpectNear(best.Finders[1], FinderCentre(side, options, side - 7, 0), 3, "A");
  ExpectNear(best.Finders[2], FinderCentre(side, options, 0, side - 7), 3, "B");
}

TEST(FinderTriplesTest, VersionInformationAndTimingConfirmTheVersion) {
  for (int version : {3, 7, 21, 36}) {
    const TPlaneBoolean matrix = Make("version info", version, 0, 2).Matrix;
    const int32_t side = matrix.Width();
    // A grid of the given side laid over the symbol by its finder centres,
    // as a locator lays it over a picture.
    const auto grid = [&matrix, side](int32_t size) -> TModuleProbe {
      return [&matrix, side, size](int32_t x, int32_t y) {
        auto to = [side, size](int32_t m) {
          return static_cast<int32_t>(std::floor((m + 0.5 - 3.5) * (side - 7) / (size - 7) + 3.5));
        };
        return matrix.At(to(x), to(y), 0) != 0;
      };
    };
    EXPECT_EQ(TVersionGuess::ReadVersionInfo(grid(side), side), version >= 7 ? version : 0);
    EXPECT_DOUBLE_EQ(static_cast<double>(TVersionGuess::TimingAgreement(grid(side), side)), 1.0);
    // A grid one version too large or too small drifts off the timing.
    EXPECT_LT(static_cast<double>(TVersionGuess::TimingAgreement(grid(side + 4), side + 4)), 0.8)
        << version;
    if (version > 1) {
      EXPECT_LT(static_cast<double>(TVersionGuess::TimingAgreement(grid(side - 4), side - 4)), 0.8)
          << version;
    }
  }
  // A probe that reads all light names no version.
  const TModuleProbe light = [](int32_t, int32_t) { return false; };
  EXPECT_EQ(TVersionGuess::ReadVersionInfo(light, 57), 0);
  EXPECT_EQ(TVersionGuess::ReadVersionInfo(light, 21), 0);
}

TEST(FinderTriplesTest, CandidateVersionsPutTheRightOneFirst) {
  for (int version : {2, 6, 9, 17, 33, 40}) {
    const TPlaneBoolean matrix = Make("candidates", version, 1, 6).Matrix;
    TRenderOptions options;
    options.ModuleSize = 3.5;
    options.RotationDegrees = 12;
    const TPlaneBoolean plane = RenderPlane(matrix, options);
    TFinderTriples finder;
    ASSERT_GT(finder.Find(plane), 0) << version;
    const TFinderTriple& triple = finder.Triples().front();
    const TGridProbe grid = [&](int32_t size) -> TModuleProbe {
      return [&plane, &triple, size](int32_t x, int32_t y) {
        long double px = 0;
        long double py = 0;
        TTripleLocator::MapPoint(triple, size, x + 0.5L, y + 0.5L, px, py);
        return plane.At(static_cast<int32_t>(std::floor(px)), static_cast<int32_t>(std::floor(py)),
                        0) != 0;
      };
    };
    const std::vector<int32_t> versions = TVersionGuess::Candidates(triple, grid, 2);
    ASSERT_FALSE(versions.empty());
    EXPECT_EQ(versions.front(), version);
    EXPECT_LE(versions.size(), 6u);
    // A forced version goes first.
    EXPECT_EQ(TVersionGuess::Candidates(triple, grid, 2, 40 - version / 2).front(),
              40 - version / 2);
  }
}

TEST(FinderTriplesTest, LocatorsOfferMatricesAndStopWhenTold) {
  const TPlaneBoolean matrix = Make("offer", 4, 0, 1).Matrix;
  TRenderOptions options;
  options.ModuleSize = 5;
  const TPlaneBoolean plane = RenderPlane(matrix, options);

  TTripleLocator triples;
  EXPECT_STREQ(triples.Name(), "triples");
  int offered = 0;
  bool matched = false;
  EXPECT_TRUE(triples.Locate(plane, [&](const TLocation& location) {
    ++offered;
    matched = location.Size == matrix.Width() && location.Matrix != nullptr &&
              *location.Matrix == matrix && location.Version == 4;
    return matched;
  }));
  EXPECT_TRUE(matched);
  // Refusing every candidate exhausts a bounded list.
  offered = 0;
  EXPECT_FALSE(triples.Locate(plane, [&](const TLocation&) { return ++offered, false; }));
  EXPECT_GE(offered, 1);
  EXPECT_LE(offered, TFinderTriples::kMaxTriples * (2 * TTripleLocator::kSpread + 2));

  TClassicLocator classic;
  EXPECT_STREQ(classic.Name(), "classic");
  matched = false;
  EXPECT_TRUE(classic.Locate(plane, [&](const TLocation& location) {
    matched = *location.Matrix == matrix;
    return true;
  }));
  EXPECT_TRUE(matched);

  // Nothing to find: no candidate, whatever the locator.
  const TPlaneBoolean blank(120, 90);
  offered = 0;
  EXPECT_FALSE(triples.Locate(blank, [&](const TLocation&) { return ++offered, true; }));
  EXPECT_FALSE(classic.Locate(blank, [&](const TLocation&) { return ++offered, true; }));
  EXPECT_EQ(offered, 0);
  const TPlaneBoolean empty;
  EXPECT_FALSE(triples.Locate(empty, [&](const TLocation&) { return true; }));
  EXPECT_FALSE(classic.Locate(empty, [&](const TLocation&) { return true; }));
}

}  // namespace
}  // namespace vornak
