// Finder triples, version from geometry and the locators of the passes, on
// symbols from the independent encoder rendered to two-level planes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "locate/ClassicLocator.h"
#include "photo/AffineGrid.h"
#include "photo/FinderCheck.h"
#include "photo/FinderTriples.h"
#include "photo/KnownArea.h"
#include "photo/TripleLocator.h"
#include "photo/VersionGuess.h"
#include "tests/photo/Triangles.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"
#include "tests/support/TiltedCorners.h"

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

// The triple is the rendered symbol's finders in order: corner, axis A end,
// axis B end.
void ExpectSymbolFinders(const TFinderTriple& triple, int32_t side, const TRenderOptions& options,
                         double tolerance, const std::string& what) {
  ExpectNear(triple.Finders[0], FinderCentre(side, options, 0, 0), tolerance, what + " corner");
  ExpectNear(triple.Finders[1], FinderCentre(side, options, side - 7, 0), tolerance, what + " A");
  ExpectNear(triple.Finders[2], FinderCentre(side, options, 0, side - 7), tolerance, what + " B");
}

TEST(FinderTriplesSweep, BestTripleIsTheSymbolsFindersInOrder) {
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
      ExpectSymbolFinders(best, side, options, tolerance, what);
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
  ASSERT_TRUE(test::MakeTriple(b, c, a, triple));
  // Ordered corner, axis A end, axis B end with A turning clockwise onto B.
  EXPECT_EQ(triple.Finders[0].X, 100);
  EXPECT_EQ(triple.Finders[0].Y, 100);
  EXPECT_EQ(triple.Finders[1].X, 300);
  EXPECT_EQ(triple.Finders[2].Y, 300);
  EXPECT_NEAR(static_cast<double>(triple.Score), 0.0, 1e-9);

  TFinderCandidate bigger = b;
  bigger.Module = 9;  // module sizes too different
  EXPECT_FALSE(test::MakeTriple(a, bigger, c, triple));
  TFinderCandidate line{500, 100, 4, 4, 4, 10};  // three in a row
  EXPECT_FALSE(test::MakeTriple(a, b, line, triple));
  TFinderCandidate longLeg{100, 500, 4, 4, 4, 10};  // legs 200 and 400 pixels
  EXPECT_FALSE(test::MakeTriple(a, b, longLeg, triple));
  TFinderCandidate close1{120, 100, 4, 4, 4, 10};  // five modules apart
  TFinderCandidate close2{100, 120, 4, 4, 4, 10};
  EXPECT_FALSE(test::MakeTriple(a, close1, close2, triple));
  TFinderCandidate same{100, 100, 4, 4, 4, 10};
  EXPECT_FALSE(test::MakeTriple(a, same, c, triple));
}

// A symbol of the given module size in a picture of the given size, its
// centre offsetX pixels right of the picture's.
TRenderOptions Placed(double module, int32_t width, int32_t height, double offsetX) {
  TRenderOptions options;
  options.ModuleSize = module;
  options.Width = width;
  options.Height = height;
  options.OffsetX = offsetX;
  return options;
}

TEST(FinderTriplesTest, DecoyFindersInThePictureDoNotWin) {
  // Two extra finder-shaped marks beside the symbol, as large as its finders.
  const TPlaneBoolean matrix = Make("decoys", 5, 1, 4).Matrix;
  const TRenderOptions options = Placed(4, 400, 260, -90);
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
  ExpectSymbolFinders(best, side, options, 3, "decoys");
}

// Many marks that cross 1:1:3:1:1 along the axes but not the diagonals
// (rings cut short of their corners), larger than the symbol's finders and
// so confirmed by more rows: more of them than candidates are kept. Only
// those that also cross diagonally are kept, so the symbol's finders are
// not crowded out.
TEST(FinderTriplesTest, ManyAxisOnlyLookAlikesDoNotCrowdOutTheFinders) {
  const TPlaneBoolean matrix = Make("crowd", 5, 1, 4).Matrix;
  TRenderOptions options;
  options.ModuleSize = 3;
  options.Width = 620;
  options.Height = 300;
  options.OffsetX = -230;  // to the left of the marks
  TPlaneBoolean plane = RenderPlane(matrix, options);
  const double module = 5;
  int32_t decoys = 0;
  for (int32_t cy = 25; cy + 20 < 300; cy += 45)
    for (int32_t cx = 190; cx + 20 < 620; cx += 45, ++decoys)
      for (int32_t y = -18; y < 18; ++y)
        for (int32_t x = -18; x < 18; ++x) {
          const double ax = std::fabs(x + 0.5) / module, ay = std::fabs(y + 0.5) / module;
          const double d = std::max(ax, ay);
          const bool ring = d >= 2.5 && d < 3.5 && std::min(ax, ay) < 1.5;
          plane(cx + x, cy + y) = d < 1.5 || ring ? 1 : 0;
        }
  ASSERT_GT(decoys, TFinderTriples::kMaxCandidates * 2);
  TFinderTriples finder;
  ASSERT_GT(finder.Find(plane), 0);
  const int32_t side = matrix.Width();
  const TFinderTriple& best = finder.Triples().front();
  ExpectSymbolFinders(best, side, options, 2, "crowd");
  for (const TFinderCandidate& c : finder.Candidates()) EXPECT_LT(c.X, 170) << c.Y;
}

// A plane of square blocks of the given side, each dark with probability
// dark.
TPlaneBoolean BlockNoise(int32_t width, int32_t height, int32_t block, double dark,
                         std::mt19937& random) {
  TPlaneBoolean plane(width, height);
  std::bernoulli_distribution draw(dark);
  for (int32_t y = 0; y < height; y += block)
    for (int32_t x = 0; x < width; x += block) {
      const uint8_t value = draw(random) ? 1 : 0;
      for (int32_t j = y; j < std::min(height, y + block); ++j)
        for (int32_t i = x; i < std::min(width, x + block); ++i) plane(i, j) = value;
    }
  return plane;
}

// The kept triples are what scoring every triangle of the candidates one by
// one and sorting them all by score (ties in the order found) gives, on
// busy planes of block noise with finders drawn into them.
TEST(FinderTriplesTest, TriplesAreTheBestOfAllTrianglesInOrder) {
  std::mt19937 random(23);
  int32_t compared = 0;
  for (int32_t round = 0; round < 40; ++round) {
    const int32_t side = 160 + static_cast<int32_t>(random() % 200);
    const int32_t block = 1 + static_cast<int32_t>(random() % 4);
    TPlaneBoolean plane = BlockNoise(side, side, block, 0.3 + 0.1 * (round % 4), random);
    // Finders on a rough grid, so that many triangles come near a right
    // angle with equal legs.
    for (int32_t f = 0; f < 6; ++f) {
      const double module = 2 + (random() % 3);
      const int32_t cx = 30 + (f % 3) * (side - 60) / 2, cy = 30 + (f / 3) * (side - 60);
      for (int32_t y = -16; y < 16; ++y)
        for (int32_t x = -16; x < 16; ++x) {
          const double d = std::max(std::fabs(x + 0.5), std::fabs(y + 0.5)) / module;
          if (d < 4) plane(cx + x, cy + y) = d < 1.5 || (d >= 2.5 && d < 3.5) ? 1 : 0;
        }
    }
    TFinderTriples finder;
    finder.Find(plane);
    const std::vector<TFinderCandidate>& c = finder.Candidates();
    std::vector<TFinderTriple> all;
    for (size_t i = 0; i < c.size(); ++i)
      for (size_t j = i + 1; j < c.size(); ++j)
        for (size_t k = j + 1; k < c.size(); ++k) {
          TFinderTriple triple;
          if (test::MakeTriple(c[i], c[j], c[k], triple)) all.push_back(triple);
        }
    std::stable_sort(all.begin(), all.end(), [](const TFinderTriple& a, const TFinderTriple& b) {
      return a.Score < b.Score;
    });
    if (all.size() > static_cast<size_t>(TFinderTriples::kMaxTriples))
      all.resize(static_cast<size_t>(TFinderTriples::kMaxTriples));
    const std::vector<TFinderTriple>& kept = finder.Triples();
    ASSERT_EQ(kept.size(), all.size()) << "round " << round;
    for (size_t t = 0; t < all.size(); ++t, ++compared) {
      EXPECT_EQ(kept[t].Score, all[t].Score) << "round " << round << " triple " << t;
      EXPECT_EQ(kept[t].Module, all[t].Module) << "round " << round << " triple " << t;
      for (size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(kept[t].Finders[f].X, all[t].Finders[f].X) << "round " << round;
        EXPECT_EQ(kept[t].Finders[f].Y, all[t].Finders[f].Y) << "round " << round;
      }
    }
  }
  EXPECT_GT(compared, 100);
}

void ExpectSameSearch(const TFinderTriples& a, const TFinderTriples& b, const std::string& what) {
  ASSERT_EQ(a.Candidates().size(), b.Candidates().size()) << what;
  for (size_t i = 0; i < a.Candidates().size(); ++i) {
    EXPECT_EQ(a.Candidates()[i].X, b.Candidates()[i].X) << what << " candidate " << i;
    EXPECT_EQ(a.Candidates()[i].Y, b.Candidates()[i].Y) << what << " candidate " << i;
    EXPECT_EQ(a.Candidates()[i].Module, b.Candidates()[i].Module) << what << " candidate " << i;
    EXPECT_EQ(a.Candidates()[i].Count, b.Candidates()[i].Count) << what << " candidate " << i;
  }
  ASSERT_EQ(a.Triples().size(), b.Triples().size()) << what;
  for (size_t t = 0; t < a.Triples().size(); ++t)
    EXPECT_EQ(a.Triples()[t].Score, b.Triples()[t].Score) << what << " triple " << t;
  ASSERT_EQ(a.PerspectiveTriples().size(), b.PerspectiveTriples().size()) << what;
}

// One scan for both polarities finds what two scans find, the second of the
// inverted plane: on block noise with dark and light finders drawn in, some
// of them cut by the picture's left edge, so that rows start either colour.
TEST(FinderTriplesTest, OneScanFindsBothPolaritiesAsTwoScansDo) {
  std::mt19937 random(41);
  int32_t light = 0, dark = 0;
  for (int32_t round = 0; round < 30; ++round) {
    const int32_t width = 120 + static_cast<int32_t>(random() % 240);
    const int32_t height = 100 + static_cast<int32_t>(random() % 200);
    const int32_t block = 1 + static_cast<int32_t>(random() % 4);
    TPlaneBoolean plane = BlockNoise(width, height, block, 0.2 + 0.15 * (round % 5), random);
    for (int32_t f = 0; f < 8; ++f) {
      const double module = 1.5 + (random() % 4);
      const uint8_t ink = f % 2 == 0 ? 1 : 0;
      // The first two on the left edge, their outer rings cut off.
      const int32_t cx =
          f < 2 ? static_cast<int32_t>(2 * module)
                : 20 + static_cast<int32_t>(random() % static_cast<uint32_t>(width - 40));
      const int32_t cy = 20 + static_cast<int32_t>(random() % static_cast<uint32_t>(height - 40));
      for (int32_t y = -20; y < 20; ++y)
        for (int32_t x = -20; x < 20; ++x) {
          const double d = std::max(std::fabs(x + 0.5), std::fabs(y + 0.5)) / module;
          if (d >= 4.5 || cx + x < 0 || cx + x >= width || cy + y < 0 || cy + y >= height) continue;
          plane(cx + x, cy + y) =
              d < 1.5 || (d >= 2.5 && d < 3.5) ? ink : static_cast<uint8_t>(1 - ink);
        }
    }
    TPlaneBoolean inverted = plane;
    for (uint8_t& v : inverted.Data()) v = static_cast<uint8_t>(1 - v);
    TFinderTriples both, lightOnly, separate, separateLight;
    both.Find(plane, nullptr, &lightOnly);
    separate.Find(plane);
    separateLight.Find(inverted);
    const std::string what = "round " + std::to_string(round);
    ExpectSameSearch(both, separate, what + " dark");
    ExpectSameSearch(lightOnly, separateLight, what + " light");
    dark += static_cast<int32_t>(separate.Candidates().size());
    light += static_cast<int32_t>(separateLight.Candidates().size());
  }
  // The comparison saw finders of both kinds.
  EXPECT_GT(dark, 30);
  EXPECT_GT(light, 30);
}

// A search told the area of a symbol read passes over that symbol's own
// finders, but still finds those of a small symbol printed in its data area
// and those of a symbol beside it.
TEST(FinderTriplesTest, KnownAreasHideTheirOwnFindersOnly) {
  const TPlaneBoolean big = Make("known area", 3, 1, 2).Matrix;
  const TPlaneBoolean small = Make("nested", 1, 1, 5).Matrix;
  const TRenderOptions options = Placed(6, 420, 240, -90);
  TPlaneBoolean plane = RenderPlane(big, options);
  // The small symbol (two pixels a module) in the big one's data area.
  TRenderOptions nested;
  nested.ModuleSize = 2;
  const TPlaneBoolean inner = RenderPlane(small, nested);
  const int32_t side = big.Width();
  const test::TPointF data = ModuleToPixel(side, options, 9, 9);
  for (int32_t y = 0; y < inner.Height(); ++y)
    for (int32_t x = 0; x < inner.Width(); ++x)
      plane(static_cast<int32_t>(data.X) + x, static_cast<int32_t>(data.Y) + y) = inner(x, y);
  // A third symbol of the big one's size to its right.
  TRenderOptions beside = options;
  beside.OffsetX = 110;
  const TPlaneBoolean right = RenderPlane(Make("beside", 2, 1, 3).Matrix, beside);
  for (int32_t y = 0; y < plane.Height(); ++y)
    for (int32_t x = 230; x < plane.Width(); ++x) plane(x, y) = right(x, y);

  std::array<TKnownArea::TCorner, 4> outline{};
  const std::array<std::array<double, 2>, 4> corners = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
  for (size_t i = 0; i < 4; ++i) {
    const test::TPointF p =
        ModuleToPixel(side, options, side * corners[i][0], side * corners[i][1]);
    outline[i] = {p.X, p.Y};
  }
  const TKnownArea area(outline, options.ModuleSize);
  auto near = [](const TFinderTriples& finder, double module, double lo, double hi) {
    int32_t count = 0;
    for (const TFinderCandidate& c : finder.Candidates())
      count +=
          std::fabs(static_cast<double>(c.Module) - module) < 0.3 * module && c.X >= lo && c.X < hi
              ? 1
              : 0;
    return count;
  };
  const double bigRight = ModuleToPixel(side, options, side, 0).X;
  TFinderTriples plain, known;
  plain.Find(plane);
  known.SetKnown({area});
  known.Find(plane);
  // The three finders, and look-alikes in the data too.
  EXPECT_GE(near(plain, 6, 0, bigRight), 3);
  EXPECT_EQ(near(known, 6, 0, bigRight), 0);
  EXPECT_EQ(near(known, 2, 0, bigRight), 3);
  EXPECT_EQ(near(known, 6, 230, 420), 3);
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
    const TGridProbe grid = [&](int32_t size) { return TAffineGrid(triple, size).Probe(plane); };
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
  EXPECT_TRUE(triples.Locate(plane, {}, [&](const TLocation& location) {
    ++offered;
    matched = location.Size == matrix.Width() && location.Matrix != nullptr &&
              *location.Matrix == matrix && location.Version == 4;
    return matched;
  }));
  EXPECT_TRUE(matched);
  // Refusing every candidate exhausts a bounded list.
  offered = 0;
  EXPECT_FALSE(triples.Locate(plane, {}, [&](const TLocation&) { return ++offered, false; }));
  EXPECT_GE(offered, 1);
  EXPECT_LE(offered, TFinderTriples::kMaxTriples * (2 * TTripleLocator::kSpread + 2));

  TClassicLocator classic;
  EXPECT_STREQ(classic.Name(), "classic");
  matched = false;
  EXPECT_TRUE(classic.Locate(plane, {}, [&](const TLocation& location) {
    matched = *location.Matrix == matrix;
    return true;
  }));
  EXPECT_TRUE(matched);

  // Nothing to find: no candidate, whatever the locator.
  const TPlaneBoolean blank(120, 90);
  offered = 0;
  EXPECT_FALSE(triples.Locate(blank, {}, [&](const TLocation&) { return ++offered, true; }));
  EXPECT_FALSE(classic.Locate(blank, {}, [&](const TLocation&) { return ++offered, true; }));
  EXPECT_EQ(offered, 0);
  const TPlaneBoolean empty;
  EXPECT_FALSE(triples.Locate(empty, {}, [&](const TLocation&) { return true; }));
  EXPECT_FALSE(classic.Locate(empty, {}, [&](const TLocation&) { return true; }));
}

TEST(FinderTriplesTest, SymbolFindersReadAsFindersAndNoiseSpecksDoNot) {
  // A symbol's finders read right in their own frames whatever the pose,
  // blur, module size or surround.
  struct TPose {
    const char* Name;
    int32_t Version;
    double Module;
    double Rotation;
    double Tilt;  // degrees about the vertical axis; 0: none
    double Blur;
    bool DarkSurround;
  };
  const std::vector<TPose> poses = {
      {"upright", 3, 4.0, 0, 0, 0, false},        {"small modules", 7, 2.0, 0, 0, 0, false},
      {"rotated 20", 5, 3.3, 20, 0, 0, false},    {"rotated 45", 1, 5.0, 45, 0, 0.8, false},
      {"rotated 160", 25, 3.0, 160, 0, 0, false}, {"tilted 40", 4, 0, 0, 40, 0.6, false},
      {"dark surround", 10, 3.0, 0, 0, 0.6, true}};
  for (const TPose& pose : poses) {
    const TPlaneBoolean matrix = Make("finders", pose.Version, 1, 2).Matrix;
    TRenderOptions options;
    options.ModuleSize = pose.Module;
    options.RotationDegrees = pose.Rotation;
    options.BlurSigma = pose.Blur;
    if (pose.Tilt != 0) {
      options.UseCorners = true;
      options.Corners = test::TiltedCorners(matrix.Width() * 5.0, pose.Tilt, true, 20);
      for (const test::TPointF& corner : options.Corners) {
        options.Width = std::max(options.Width, static_cast<int32_t>(corner.X) + 20);
        options.Height = std::max(options.Height, static_cast<int32_t>(corner.Y) + 20);
      }
    }
    if (pose.DarkSurround) {
      // One light module round the symbol, then the dark box.
      options.QuietZone = 1;
      options.Width = static_cast<int32_t>((matrix.Width() + 10) * pose.Module);
      options.Height = options.Width;
    }
    TPlaneBoolean plane = RenderPlane(matrix, options);
    if (pose.DarkSurround) {
      const double margin = 3 * pose.Module;
      for (int32_t y = 0; y < plane.Height(); ++y)
        for (int32_t x = 0; x < plane.Width(); ++x)
          if (x < margin || y < margin || x >= plane.Width() - margin ||
              y >= plane.Height() - margin)
            plane(x, y) = 1;
    }
    // The candidates nearest the true centres, as the corner, axis A and
    // axis B finders (under a strong tilt the best ranked triple may hold a
    // look-alike instead, which is then rightly refused).
    TFinderTriples finder;
    finder.Find(plane);
    const int32_t side = matrix.Width();
    const std::array<test::TPointF, 3> centres = {FinderCentre(side, options, 0, 0),
                                                  FinderCentre(side, options, side - 7, 0),
                                                  FinderCentre(side, options, 0, side - 7)};
    TFinderTriple best;
    for (size_t k = 0; k < 3; ++k) {
      double nearest = 1e300;
      for (const TFinderCandidate& c : finder.Candidates()) {
        const double d = std::hypot(static_cast<double>(c.X) - centres[k].X,
                                    static_cast<double>(c.Y) - centres[k].Y);
        if (d < nearest) {
          nearest = d;
          best.Finders[k] = c;
        }
      }
      ASSERT_LT(nearest, 8.0) << pose.Name << " finder " << k;
    }
    EXPECT_TRUE(TFinderCheck::ReadsAsFinders(plane, best)) << pose.Name;
    for (int32_t i = 0; i < 3; ++i) {
      const int32_t misreads = TFinderCheck::FinderMisreads(plane, best, i);
      EXPECT_LE(misreads, TFinderCheck::kMaxFinderMisreads) << pose.Name << " finder " << i;
      if (pose.Rotation == 0 && pose.Tilt == 0 && pose.Blur == 0 && !pose.DarkSurround) {
        EXPECT_EQ(misreads, 0) << pose.Name << " finder " << i;
      }
    }
    EXPECT_EQ(TFinderCheck::FinderMisreads(plane, best, 3), 64);
  }

  // Specks of block noise that pass the run test across and down are
  // almost never three finders of one symbol.
  std::mt19937 random(11);
  int32_t triples = 0, passed = 0;
  for (const int32_t block : {1, 2, 3, 4})
    for (const double density : {0.3, 0.5, 0.65})
      for (int32_t picture = 0; picture < 3; ++picture) {
        TPlaneBoolean plane(240, 240);
        std::bernoulli_distribution dark(density);
        for (int32_t y = 0; y < 240; y += block)
          for (int32_t x = 0; x < 240; x += block) {
            const uint8_t value = dark(random) ? 1 : 0;
            for (int32_t j = y; j < std::min(240, y + block); ++j)
              for (int32_t i = x; i < std::min(240, x + block); ++i) plane(i, j) = value;
          }
        TFinderTriples finder;
        finder.Find(plane);
        for (const TFinderTriple& triple : finder.Triples()) {
          ++triples;
          passed += TFinderCheck::ReadsAsFinders(plane, triple) ? 1 : 0;
        }
      }
  std::cout << "noise triples reading as finders: " << passed << " of " << triples << "\n";
  EXPECT_GT(triples, 50);
  EXPECT_LE(passed * 50, triples);
}

}  // namespace
}  // namespace vornak
