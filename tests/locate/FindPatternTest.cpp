#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "locate/FindPattern.h"
#include "locate/PrincipalPattern.h"
#include "locate/TimingPattern.h"
#include "tests/locate/LocateTestUtil.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

TEST(FindPattern, RatioBoundariesFollowExtendedArithmetic) {
  // The dark run that just ended sits in slot s; the oldest run is in s + 1.
  auto ratio = [](std::array<int32_t, 5> runs) { return TFindPattern::IsFinderRatio(runs, 4); };
  EXPECT_TRUE(ratio({1, 1, 3, 1, 1}));
  EXPECT_TRUE(ratio({1, 1, 4, 1, 1}));
  EXPECT_FALSE(ratio({1, 1, 5, 1, 2}));  // the centre's upper bound falls just below 5
  EXPECT_TRUE(ratio({1, 1, 6, 2, 2}));
  EXPECT_TRUE(ratio({0, 0, 0, 0, 0}));
  EXPECT_TRUE(ratio({10, 10, 30, 10, 10}));
  EXPECT_FALSE(ratio({1, 1, 1, 1, 1}));
  EXPECT_FALSE(ratio({1, 1, 2, 1, 1}));
  EXPECT_FALSE(ratio({3, 1, 3, 1, 1}));
  // Module 2: every run within one pixel of its ideal width.
  EXPECT_TRUE(ratio({3, 1, 5, 3, 2}));
  EXPECT_FALSE(ratio({4, 2, 6, 2, 2}));  // module 16/7: the first run is off by 1.71
  // The slot only rotates the reading.
  const std::array<int32_t, 5> rotated{1, 1, 1, 4, 1};  // 1,1,4,1,1 ending in slot 0
  EXPECT_TRUE(TFindPattern::IsFinderRatio(rotated, 0));
  EXPECT_FALSE(TFindPattern::IsFinderRatio(rotated, 4));
  EXPECT_FALSE(TFindPattern::IsFinderRatio(rotated, 5));
}

// The ratio test in extended arithmetic throughout, for comparison.
bool ExtendedRatio(const std::array<int32_t, 5>& c, int32_t s) {
  const long double module = static_cast<long double>(c[0] + c[1] + c[2] + c[3] + c[4]) / 7.0L;
  const int32_t ratio[5] = {1, 1, 3, 1, 1};
  for (int32_t k = 0; k < 5; ++k) {
    const long double e = c[static_cast<size_t>((s + 1 + k) % 5)];
    const long double lo = ratio[k] * module - module / 2;
    const long double hi = ratio[k] * module + module / 2;
    if (!(lo <= e && e <= hi)) return false;
  }
  return true;
}

TEST(FindPattern, RatioAgreesWithExtendedArithmeticEverywhere) {
  std::mt19937 random(17);
  int32_t passed = 0;
  for (int32_t round = 0; round < 200000; ++round) {
    const int32_t module = 1 + static_cast<int32_t>(random() % 12);
    std::array<int32_t, 5> c{};
    for (size_t k = 0; k < 5; ++k)
      c[k] = std::max(0, module * (k == 2 ? 3 : 1) + static_cast<int32_t>(random() % 9) - 4);
    const int32_t s = static_cast<int32_t>(random() % 5);
    ASSERT_EQ(TFindPattern::IsFinderRatio(c, s), ExtendedRatio(c, s))
        << c[0] << "," << c[1] << "," << c[2] << "," << c[3] << "," << c[4] << " s " << s;
    passed += ExtendedRatio(c, s) ? 1 : 0;
  }
  EXPECT_GT(passed, 1000);
}

// A plane from rows of '#' (dark) and '.'.
TPlaneBoolean Picture(const std::vector<std::string>& rows) {
  TPlaneBoolean plane(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()), 0);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      plane(static_cast<int32_t>(x), static_cast<int32_t>(y)) = rows[y][x] == '#' ? 1 : 0;
  return plane;
}

TEST(FindPattern, ScanRecordsTheStretchFromFirstToLastDarkPixel) {
  TFindPattern finder;
  EXPECT_EQ(finder.Find(Picture({"..#.###.#..", "#.###.#....", "...........", "....#.###.#"})), 1);
  const TLines& runs = finder.HorzRuns();
  // Row 3's pattern ends on the last column: its dark run is never tested.
  ASSERT_EQ(runs.Count(), 2);
  EXPECT_EQ(runs.Get(0), (TLine{true, 0, TPoint{2, 0}, TPoint{8, 0}}));
  // A pattern from column 0 is counted from the edge.
  EXPECT_EQ(runs.Get(1), (TLine{true, 0, TPoint{0, 1}, TPoint{6, 1}}));
  // One-pixel modules pass in the column scan too.
  finder.Find(Picture({".", "#", ".", "#", "#", "#", ".", "#", "."}));
  ASSERT_EQ(finder.VertRuns().Count(), 1);
  EXPECT_EQ(finder.VertRuns().Get(0), (TLine{true, 0, TPoint{0, 1}, TPoint{0, 7}}));
}

TEST(FindPattern, RowStartingLightAfterADarkEndRecordsAnEmptyStretch) {
  TFindPattern finder;
  finder.Find(Picture({"....#", "....."}));
  ASSERT_EQ(finder.HorzRuns().Count(), 1);
  EXPECT_EQ(finder.HorzRuns().Get(0), (TLine{true, 0, TPoint{0, 1}, TPoint{-1, 1}}));
  // The column scan carries the colour the same way: column 4 ends light, so
  // nothing; a column ending dark before a light one gives (x, 0)-(x, -1).
  finder.Find(Picture({"....", "#..."}));
  ASSERT_EQ(finder.VertRuns().Count(), 1);
  EXPECT_EQ(finder.VertRuns().Get(0), (TLine{true, 0, TPoint{1, 0}, TPoint{1, -1}}));
}

// The column scan is the row scan of the transposed picture, colour carried
// from one column's end into the next column included.
TEST(FindPattern, ColumnScanIsTheRowScanOfTheTransposedPicture) {
  std::mt19937 random(23);
  int32_t total = 0;
  for (int32_t round = 0; round < 20; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 90);
    const int32_t height = 1 + static_cast<int32_t>(random() % 90);
    TPlaneBoolean plane(width, height, 0), transposed(height, width, 0);
    const uint32_t density = 2 + random() % 3;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        transposed(y, x) = plane(x, y) = random() % density == 0 ? 1 : 0;
    TFindPattern columns, rows;
    columns.Find(plane);
    rows.Find(transposed);
    ASSERT_EQ(columns.VertRuns().Count(), rows.HorzRuns().Count());
    total += rows.HorzRuns().Count();
    for (int32_t i = 0; i < rows.HorzRuns().Count(); ++i) {
      TLine expected = rows.HorzRuns().Get(i);
      std::swap(expected.StartPt.X, expected.StartPt.Y);
      std::swap(expected.EndPt.X, expected.EndPt.Y);
      TLine found = columns.VertRuns().Get(i);
      found.Active = expected.Active = true;
      ASSERT_EQ(found, expected) << "run " << i;
    }
  }
  EXPECT_GT(total, 100);
}

// The scans skip along runs several bytes at a time; a plain pixel-by-pixel
// scan of the rows, the colour carried from row to row, must give the same
// stretches on pictures of long runs of any non-zero dark value, in either
// direction.
std::vector<std::pair<TPoint, TPoint>> PlainRowScan(const TPlaneBoolean& plane) {
  std::vector<std::pair<TPoint, TPoint>> result;
  std::array<int32_t, 5> c{};
  int32_t s = 0;
  bool colour = false;
  for (int32_t y = 0; y < plane.Height(); ++y) {
    for (int32_t x = 0; x < plane.Width(); ++x) {
      const bool pixel = plane(x, y) != 0;
      if (pixel == colour) {
        ++c[static_cast<size_t>(s)];
        continue;
      }
      if (!pixel && TFindPattern::IsFinderRatio(c, s)) {
        const int32_t total = c[0] + c[1] + c[2] + c[3] + c[4];
        result.push_back({TPoint{x - total, y}, TPoint{x - 1, y}});
      }
      s = (s + 1) % 5;
      c[static_cast<size_t>(s)] = 1;
      colour = pixel;
    }
    c.fill(0);
    s = 0;
  }
  return result;
}

TEST(FindPattern, RunSkippingScansMatchAPixelByPixelScan) {
  std::mt19937 random(41);
  int32_t total = 0;
  for (int32_t round = 0; round < 60; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 300);
    const int32_t height = 1 + static_cast<int32_t>(random() % 60);
    TPlaneBoolean plane(width, height, 0), transposed(height, width, 0);
    // Runs of 1 to 40 pixels whose dark value is any non-zero byte, and
    // whole rows repeated so that columns hold long runs too.
    const int32_t longest = 1 + static_cast<int32_t>(random() % 40);
    bool dark = random() % 2 == 0;
    int32_t left = 0;
    for (int32_t y = 0; y < height; ++y) {
      if (y > 0 && random() % 3 == 0) {
        for (int32_t x = 0; x < width; ++x) plane(x, y) = plane(x, y - 1);
        continue;
      }
      for (int32_t x = 0; x < width; ++x) {
        if (left == 0) {
          dark = !dark;
          left = 1 + static_cast<int32_t>(random() % static_cast<uint32_t>(longest));
        }
        --left;
        plane(x, y) = dark ? static_cast<uint8_t>(1 + random() % 255) : 0;
      }
    }
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) transposed(y, x) = plane(x, y);
    TFindPattern rows, columns;
    rows.Find(plane);
    columns.Find(transposed);
    const auto expected = PlainRowScan(plane);
    total += static_cast<int32_t>(expected.size());
    ASSERT_EQ(rows.HorzRuns().Count(), static_cast<int32_t>(expected.size()));
    ASSERT_EQ(columns.VertRuns().Count(), static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
      const TLine row = rows.HorzRuns().Get(static_cast<int32_t>(i));
      ASSERT_EQ(row.StartPt, expected[i].first) << "round " << round << " run " << i;
      ASSERT_EQ(row.EndPt, expected[i].second) << "round " << round << " run " << i;
      const TLine column = columns.VertRuns().Get(static_cast<int32_t>(i));
      ASSERT_EQ(column.StartPt, (TPoint{expected[i].first.Y, expected[i].first.X}));
      ASSERT_EQ(column.EndPt, (TPoint{expected[i].second.Y, expected[i].second.X}));
    }
  }
  EXPECT_GT(total, 200);
}

// Three centres rotated clockwise on screen by degrees about (cx, cy).
std::array<TPoint, 3> Rotated(const std::array<TPoint, 3>& points, double degrees, bool mirror) {
  const double a = degrees * std::numbers::pi / 180.0;
  const double cx = 500, cy = 500;
  std::array<TPoint, 3> result{};
  for (size_t k = 0; k < 3; ++k) {
    double x = points[k].X - cx, y = points[k].Y - cy;
    if (mirror) x = -x;
    result[k] = TPoint{static_cast<int32_t>(std::lround(x * std::cos(a) - y * std::sin(a) + cx)),
                       static_cast<int32_t>(std::lround(x * std::sin(a) + y * std::cos(a) + cy))};
  }
  return result;
}

TEST(FindPattern, OrientFindsCornerAndTurnsClockwiseForEveryRotationAndOrder) {
  const std::array<TPoint, 3> upright{TPoint{300, 300}, TPoint{700, 300}, TPoint{300, 700}};
  const std::array<std::array<size_t, 3>, 6> orders{
      {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}}};
  for (bool mirror : {false, true})
    for (int32_t degrees = 0; degrees < 360; degrees += 15) {
      const std::array<TPoint, 3> truth = Rotated(upright, degrees, mirror);
      for (const auto& order : orders) {
        std::array<TPoint, 3> patterns{truth[order[0]], truth[order[1]], truth[order[2]]};
        TFindPattern::Orient(patterns);
        EXPECT_EQ(patterns[0], truth[0]) << degrees << "° mirror " << mirror;
        // A mirrored symbol comes out with the two axis ends exchanged.
        EXPECT_EQ(patterns[1], truth[mirror ? 2 : 1]) << degrees << "° mirror " << mirror;
        EXPECT_EQ(patterns[2], truth[mirror ? 1 : 2]) << degrees << "° mirror " << mirror;
      }
    }
  // Turned 90° clockwise: the top-left finder is at the picture's top-right.
  std::array<TPoint, 3> turned{TPoint{100, 100}, TPoint{500, 100}, TPoint{500, 500}};
  TFindPattern::Orient(turned);
  EXPECT_EQ(turned[0], (TPoint{500, 100}));
  EXPECT_EQ(turned[1], (TPoint{500, 500}));
  EXPECT_EQ(turned[2], (TPoint{100, 100}));
}

TEST(FindPattern, LongestSideKeepsTheEarlierAmongEqualTruncatedLengths) {
  // Isosceles right triangle: sides 0-1 and 2-0 are legs, 1-2 the hypotenuse.
  std::array<TPoint, 3> p{TPoint{0, 0}, TPoint{10, 0}, TPoint{0, 10}};
  EXPECT_EQ(TFindPattern::LongestSide(p), 1);
  // Three sides truncating to the same length: the first stays.
  EXPECT_EQ(TFindPattern::LongestSide({TPoint{0, 0}, TPoint{10, 0}, TPoint{5, 9}}), 0);
  EXPECT_EQ(TFindPattern::LongestSide({TPoint{0, 0}, TPoint{10, 0}, TPoint{10, 10}}), 2);
  EXPECT_EQ(TFindPattern::LongestSide({TPoint{4, 4}, TPoint{4, 4}, TPoint{4, 4}}), -1);
  for (const auto& order :
       std::array<std::array<TPoint, 3>, 3>{{{TPoint{0, 0}, TPoint{10, 0}, TPoint{0, 10}},
                                             {TPoint{10, 0}, TPoint{0, 10}, TPoint{0, 0}},
                                             {TPoint{0, 10}, TPoint{0, 0}, TPoint{10, 0}}}}) {
    std::array<TPoint, 3> q = order;
    TFindPattern::Orient(q);
    EXPECT_EQ(q[0], (TPoint{0, 0}));
    EXPECT_EQ(q[1], (TPoint{10, 0}));
    EXPECT_EQ(q[2], (TPoint{0, 10}));
  }
  // Coinciding centres: no crash, pattern 0 is the corner.
  std::array<TPoint, 3> same{TPoint{4, 4}, TPoint{4, 4}, TPoint{4, 4}};
  TFindPattern::Orient(same);
  EXPECT_EQ(same[0], (TPoint{4, 4}));
  std::array<TPoint, 3> two{TPoint{4, 4}, TPoint{4, 4}, TPoint{9, 4}};
  TFindPattern::Orient(two);
  EXPECT_EQ(two[0], (TPoint{4, 4}));
}

// A finder-like mark (7 x 7 modules) drawn at (x, y) with the module size.
void DrawMark(TPlaneBoolean& plane, int32_t x, int32_t y, int32_t module) {
  for (int32_t my = 0; my < 7; ++my)
    for (int32_t mx = 0; mx < 7; ++mx) {
      const bool dark =
          mx == 0 || my == 0 || mx == 6 || my == 6 || (mx >= 2 && mx <= 4 && my >= 2 && my <= 4);
      for (int32_t j = 0; j < module; ++j)
        for (int32_t i = 0; i < module; ++i)
          if (plane.Inside(x + mx * module + i, y + my * module + j))
            plane(x + mx * module + i, y + my * module + j) = dark ? 1 : 0;
    }
}

TEST(FindPattern, PicturesWithoutThreeCandidatesGiveOneAndKeepThePreviousCentres) {
  TFindPattern finder;
  EXPECT_EQ(finder.GetPattern(0), (TPoint{0, 0}));
  EXPECT_EQ(finder.Find(TPlaneBoolean(1, 1, 0)), 1);
  EXPECT_EQ(finder.Find(TPlaneBoolean(1, 1, 1)), 1);
  EXPECT_EQ(finder.Find(TPlaneBoolean()), 1);
  EXPECT_EQ(finder.Find(TPlaneBoolean(300, 200, 0)), 1);
  EXPECT_EQ(finder.Find(TPlaneBoolean(300, 200, 1)), 1);
  EXPECT_EQ(finder.GetPattern(2), (TPoint{0, 0}));

  // A real symbol first, then pictures that must not disturb its centres.
  test::TRenderOptions options;
  options.ModuleSize = 4;
  const TPlaneBoolean symbol = test::RenderPlane(test::EncodedMatrix(2), options);
  ASSERT_EQ(finder.Find(symbol), 0);
  const std::array<TPoint, 3> found = finder.Patterns();

  TPlaneBoolean one(200, 200, 0);
  DrawMark(one, 40, 40, 5);
  EXPECT_EQ(finder.Find(one), 1);
  TPlaneBoolean two = one;
  DrawMark(two, 120, 120, 4);
  EXPECT_EQ(finder.Find(two), 1);
  // A mark cut by the right edge: found only by the column scan.
  TPlaneBoolean edge = two;
  DrawMark(edge, 180, 20, 4);
  EXPECT_EQ(finder.Find(edge), 1);
  EXPECT_EQ(finder.Patterns(), found);
  EXPECT_EQ(finder.GetPattern(3), (TPoint{0, 0}));
  EXPECT_EQ(finder.GetPattern(-1), (TPoint{0, 0}));
}

TEST(FindPattern, ThreeMarksAreFoundAndAMarkFromTheTopLeftEdgeCounts) {
  TPlaneBoolean plane(200, 200, 0);
  DrawMark(plane, 0, 0, 4);  // first runs begin at column 0 and row 0
  DrawMark(plane, 120, 0, 4);
  DrawMark(plane, 0, 120, 4);
  TFindPattern finder;
  ASSERT_EQ(finder.Find(plane), 0);
  EXPECT_EQ(finder.GetPattern(0), (TPoint{14, 14}));
  EXPECT_EQ(finder.GetPattern(1), (TPoint{134, 14}));
  EXPECT_EQ(finder.GetPattern(2), (TPoint{14, 134}));
  // Extents larger than the plane are clipped, smaller ones honoured: the
  // marks at 120 lie outside a 100 x 100 window.
  EXPECT_EQ(finder.Find(plane, 5000, 5000), 0);
  EXPECT_EQ(finder.Find(plane, 100, 100), 1);
  EXPECT_EQ(finder.Find(plane, -3, 100), 1);
}

TEST(FindPattern, MirroredSymbolExchangesTheAxisEnds) {
  test::TRenderOptions options;
  options.ModuleSize = 5;
  options.Mirror = true;
  const TPlaneBoolean matrix = test::EncodedMatrix(3);
  TFindPattern finder;
  ASSERT_EQ(finder.Find(test::RenderPlane(matrix, options)), 0);
  const int32_t n = matrix.Width();
  // Mirrored, finder 1 of the symbol lies on the picture's left...
  const test::TPointF corner = test::ModuleToPixel(n, options, 3.5, 3.5);
  const test::TPointF endA = test::ModuleToPixel(n, options, n - 3.5, 3.5);
  const test::TPointF endB = test::ModuleToPixel(n, options, 3.5, n - 3.5);
  auto near = [](TPoint p, test::TPointF q) {
    return std::hypot(p.X + 0.5 - q.X, p.Y + 0.5 - q.Y) < 4;
  };
  EXPECT_TRUE(near(finder.GetPattern(0), corner));
  // ...and comes out as index 2.
  EXPECT_TRUE(near(finder.GetPattern(1), endB));
  EXPECT_TRUE(near(finder.GetPattern(2), endA));
}

// False candidates close to the edges of noisy pictures, carried through the
// version search and the principal pattern: defined results, no stray reads.
TEST(FindPattern, NoisyPicturesWithMarksAtTheEdgesRunThroughTheVersionSearch) {
  std::mt19937 random(3);
  int32_t located = 0;
  for (int32_t round = 0; round < 80; ++round) {
    const int32_t width = 40 + static_cast<int32_t>(random() % 120);
    const int32_t height = 40 + static_cast<int32_t>(random() % 120);
    TPlaneBoolean plane(width, height, 0);
    for (uint8_t& p : plane.Data()) p = random() % 4 == 0 ? 1 : 0;
    for (int32_t k = 0; k < 3; ++k) {
      const int32_t module = 1 + static_cast<int32_t>(random() % 3);
      // Anywhere, including partly outside the picture.
      const int32_t x = static_cast<int32_t>(random() % static_cast<uint32_t>(width)) - 5 * module;
      const int32_t y = static_cast<int32_t>(random() % static_cast<uint32_t>(height)) - 5 * module;
      DrawMark(plane, x, y, module);
    }
    TFindPattern finder;
    if (finder.Find(plane) != 0) continue;
    ++located;
    const TPoint c = finder.GetPattern(0), a = finder.GetPattern(1), b = finder.GetPattern(2);
    TTimingPattern timing(c, a, b);
    const int32_t estimate = timing.EstimateVersion(plane, width, height);
    EXPECT_GE(estimate, 1);
    for (int32_t v = estimate; v <= 14; ++v) timing.CheckVersion(v, plane, width, height);
    TPrincipalPattern principal(c, a, b);
    principal.SetVersion(1);
    const TPoint p = principal.ModuleOffset(-7, -3, a);
    EXPECT_LT(std::abs(p.X - a.X), 2 * (width + height));
  }
  EXPECT_GE(located, 10);
}

}  // namespace
}  // namespace vornak
