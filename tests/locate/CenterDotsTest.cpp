#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "locate/CenterDots.h"
#include "locate/FindPattern.h"
#include "tests/locate/LocateTestUtil.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

TLine Horz(int32_t y, int32_t x0, int32_t x1) {
  return TLine{true, 0, TPoint{x0, y}, TPoint{x1, y}};
}
TLine Vert(int32_t x, int32_t y0, int32_t y1) {
  return TLine{true, 0, TPoint{x, y0}, TPoint{x, y1}};
}

// A "plus" of k horizontal runs (rows cy-k/2 ...) and l vertical runs
// (columns cx-l/2 ...), all crossing each other round (cx, cy).
void AddPlus(std::vector<TLine>& horz, std::vector<TLine>& vert, int32_t cx, int32_t cy, int32_t k,
             int32_t l) {
  for (int32_t i = 0; i < k; ++i) horz.push_back(Horz(cy - k / 2 + i, cx - 20, cx + 20));
  for (int32_t i = 0; i < l; ++i) vert.push_back(Vert(cx - l / 2 + i, cy - 20, cy + 20));
}

TLines ToLines(const std::vector<TLine>& items) {
  TLines lines;
  for (const TLine& l : items) lines.Add(l);
  return lines;
}

// The pairwise grouping written out plainly, as the reference the indexed
// grouping must reproduce run for run.
struct TReference {
  TLines HorzRuns, VertRuns, HorzGroups, VertGroups;
  std::vector<TCenterDot> Dots;
};

void ReferenceGroup(TLines& claimed, const TLines& across, bool claimedIsHorizontal,
                    TLines& groups) {
  for (int32_t a = 0; a < across.Count(); ++a) {
    const TLine other = across.Get(a);
    std::vector<TLine> members;
    for (int32_t i = 0; i < claimed.Count(); ++i) {
      TLine line = claimed.Get(i);
      const bool cross = claimedIsHorizontal ? TCenterDots::IsCross(line, other)
                                             : TCenterDots::IsCross(other, line);
      if (!line.Active || !cross) continue;
      members.push_back(line);
      line.Active = false;
      claimed.Put(i, line);
    }
    if (members.empty()) continue;
    TLine representative = members[members.size() / 2];
    representative.GroupSize = static_cast<int32_t>(members.size());
    groups.Add(representative);
  }
  groups.Sort();
}

TReference ReferenceBuild(const TLines& horz, const TLines& vert) {
  TReference r{horz, vert, {}, {}, {}};
  ReferenceGroup(r.HorzRuns, r.VertRuns, true, r.HorzGroups);
  ReferenceGroup(r.VertRuns, r.HorzRuns, false, r.VertGroups);
  for (const TLine& h : r.HorzGroups.Items())
    for (const TLine& v : r.VertGroups.Items())
      if (TCenterDots::IsCross(h, v))
        r.Dots.push_back(TCenterDot{h.GroupSize + v.GroupSize, TPoint{v.StartPt.X, h.StartPt.Y}});
  return r;
}

void ExpectSameAsReference(const TLines& horz, const TLines& vert) {
  const TReference expected = ReferenceBuild(horz, vert);
  TLines h = horz, v = vert;
  TCenterDots dots;
  dots.Build(h, v);
  ASSERT_EQ(dots.HorzGroups().Items(), expected.HorzGroups.Items());
  ASSERT_EQ(dots.VertGroups().Items(), expected.VertGroups.Items());
  ASSERT_EQ(dots.Dots(), expected.Dots);
  ASSERT_EQ(h.Items(), expected.HorzRuns.Items());
  ASSERT_EQ(v.Items(), expected.VertRuns.Items());
}

// The runs a scan of the picture produces, all still active.
void ScanRuns(const TPlaneBoolean& image, TLines& horz, TLines& vert) {
  TFindPattern finder;
  finder.Find(image);
  horz = finder.HorzRuns();
  vert = finder.VertRuns();
  for (TLines* lines : {&horz, &vert})
    for (int32_t i = 0; i < lines->Count(); ++i) {
      TLine l = lines->Get(i);
      l.Active = true;
      lines->Put(i, l);
    }
}

TEST(CenterDots, IsCrossIsStrictOnAllFourSides) {
  const TLine h = Horz(10, 0, 20);
  EXPECT_TRUE(TCenterDots::IsCross(h, Vert(10, 0, 20)));
  EXPECT_FALSE(TCenterDots::IsCross(h, Vert(0, 0, 20)));   // at the first pixel
  EXPECT_FALSE(TCenterDots::IsCross(h, Vert(20, 0, 20)));  // at the last pixel
  EXPECT_TRUE(TCenterDots::IsCross(h, Vert(1, 0, 20)));
  EXPECT_TRUE(TCenterDots::IsCross(h, Vert(19, 0, 20)));
  EXPECT_FALSE(TCenterDots::IsCross(h, Vert(10, 10, 20)));  // starts on the row
  EXPECT_FALSE(TCenterDots::IsCross(h, Vert(10, 0, 10)));   // ends on the row
  EXPECT_TRUE(TCenterDots::IsCross(h, Vert(10, 9, 11)));
  // The empty stretch a row start can record never crosses anything.
  EXPECT_FALSE(TCenterDots::IsCross(Horz(10, 0, -1), Vert(0, 0, 20)));
}

TEST(CenterDots, NoRunsGiveNothing) {
  TLines h, v;
  TCenterDots dots;
  dots.Build(h, v);
  EXPECT_EQ(dots.Count(), 0);
  EXPECT_EQ(dots.HorzGroups().Count(), 0);
  EXPECT_EQ(dots.GetPoint(0), (TPoint{0, 0}));
}

TEST(CenterDots, GroupRepresentativeIsTheEntryAtHalfTheCount) {
  for (int32_t n = 1; n <= 6; ++n) {
    std::vector<TLine> horz;
    for (int32_t i = 0; i < n; ++i) horz.push_back(Horz(100 + i, 0, 40));
    TLines h = ToLines(horz), v = ToLines({Vert(20, 90, 120)});
    TCenterDots dots;
    dots.Build(h, v);
    ASSERT_EQ(dots.HorzGroups().Count(), 1);
    const TLine rep = dots.HorzGroups().Get(0);
    EXPECT_EQ(rep.GroupSize, n);
    // n = 4 and n = 5 both give the third run.
    EXPECT_EQ(rep.StartPt.Y, 100 + n / 2) << n;
    for (const TLine& l : h.Items()) EXPECT_FALSE(l.Active);
  }
}

TEST(CenterDots, TouchingRunsAreNotClaimed) {
  // The vertical run ends on the second row and starts before the first; the
  // horizontal run on row 12 begins at the vertical run's column.
  TLines h = ToLines({Horz(10, 0, 30), Horz(11, 0, 30), Horz(12, 20, 40)});
  TLines v = ToLines({Vert(20, 5, 11)});
  TCenterDots dots;
  dots.Build(h, v);
  ASSERT_EQ(dots.HorzGroups().Count(), 1);
  EXPECT_EQ(dots.HorzGroups().Get(0).GroupSize, 1);
  EXPECT_FALSE(h.Get(0).Active);
  EXPECT_TRUE(h.Get(1).Active);
  EXPECT_TRUE(h.Get(2).Active);
}

TEST(CenterDots, CleanFinderGivesOneDotAtTheCentreBlock) {
  // Modules 2 pixels wide and 3 tall: the centre block spans 6 columns and 9
  // rows, from (left, top) = (20 + 4, 30 + 6).
  const int32_t mw = 2, mh = 3;
  TPlaneBoolean image(60, 70, 0);
  for (int32_t my = 0; my < 7; ++my)
    for (int32_t mx = 0; mx < 7; ++mx) {
      const bool ring = mx == 0 || my == 0 || mx == 6 || my == 6;
      const bool centre = mx >= 2 && mx <= 4 && my >= 2 && my <= 4;
      if (!ring && !centre) continue;
      for (int32_t y = 0; y < mh; ++y)
        for (int32_t x = 0; x < mw; ++x) image(20 + mx * mw + x, 30 + my * mh + y) = 1;
    }
  TFindPattern finder;
  EXPECT_EQ(finder.Find(image), 1);  // one centre is not three
  const TCenterDots& dots = finder.CenterDots();
  ASSERT_EQ(dots.HorzGroups().Count(), 1);
  ASSERT_EQ(dots.VertGroups().Count(), 1);
  EXPECT_EQ(dots.HorzGroups().Get(0).GroupSize, 9);
  EXPECT_EQ(dots.VertGroups().Get(0).GroupSize, 6);
  ASSERT_EQ(dots.Count(), 1);
  EXPECT_EQ(dots.Dots()[0].Score, 15);
  EXPECT_EQ(dots.Dots()[0].Center, (TPoint{24 + 6 / 2, 36 + 9 / 2}));
}

TEST(CenterDots, TiesGoToTheEarliestDotInSortedGroupOrder) {
  // Pluses a, b (3 x 3) and c, d (2 x 2), left to right. The horizontal
  // groups come out of the sort as b, a, d, c, and so do the dots: with equal
  // scores the earlier dot wins every pass.
  std::vector<TLine> horz, vert;
  const int32_t xs[4] = {100, 200, 300, 400};
  const int32_t sizes[4] = {3, 3, 2, 2};
  for (int32_t i = 0; i < 4; ++i) AddPlus(horz, vert, xs[i], 100, sizes[i], sizes[i]);
  // Scan order: rows top to bottom, left to right within a row.
  std::sort(horz.begin(), horz.end(), [](const TLine& a, const TLine& b) {
    return a.StartPt.Y != b.StartPt.Y ? a.StartPt.Y < b.StartPt.Y : a.StartPt.X < b.StartPt.X;
  });
  TLines h = ToLines(horz), v = ToLines(vert);
  TCenterDots dots;
  dots.Build(h, v);
  ASSERT_EQ(dots.Count(), 4);
  EXPECT_EQ(dots.Dots()[0].Center.X, 200);
  EXPECT_EQ(dots.Dots()[1].Center.X, 100);
  EXPECT_EQ(dots.Dots()[2].Center.X, 400);
  EXPECT_EQ(dots.GetPoint(0).X, 200);
  EXPECT_EQ(dots.GetPoint(1).X, 100);
  EXPECT_EQ(dots.GetPoint(2).X, 400);
  EXPECT_EQ(dots.GetPoint(3), (TPoint{0, 0}));
  ExpectSameAsReference(ToLines(horz), ToLines(vert));
}

TEST(CenterDots, ThreeDotsAreAllSelectedByDescendingScore) {
  std::vector<TLine> horz, vert;
  AddPlus(horz, vert, 100, 100, 2, 2);
  AddPlus(horz, vert, 100, 300, 4, 1);
  AddPlus(horz, vert, 100, 500, 3, 3);
  TLines h = ToLines(horz), v = ToLines(vert);
  TCenterDots dots;
  dots.Build(h, v);
  ASSERT_EQ(dots.Count(), 3);
  EXPECT_EQ(dots.GetPoint(0).Y, 500);
  EXPECT_EQ(dots.GetPoint(1).Y, 300);
  EXPECT_EQ(dots.GetPoint(2).Y, 100);
  // Two dots leave the selection as it was.
  TLines h2 = ToLines({Horz(10, 0, 20)}), v2 = ToLines({Vert(10, 0, 20)});
  dots.Build(h2, v2);
  EXPECT_EQ(dots.Count(), 1);
  EXPECT_EQ(dots.GetPoint(0).Y, 500);
}

TEST(CenterDots, DistanceAndIntSqrtTruncate) {
  EXPECT_EQ(TCenterDots::IntSqrt(0), 0);
  EXPECT_EQ(TCenterDots::IntSqrt(-5), 0);
  EXPECT_EQ(TCenterDots::IntSqrt(15), 3);
  EXPECT_EQ(TCenterDots::IntSqrt(16), 4);
  EXPECT_EQ(TCenterDots::IntSqrt(2147395599), 46339);  // 46340^2 - 1
  EXPECT_EQ(TCenterDots::Distance(TPoint{0, 0}, TPoint{3, 4}), 5);
  EXPECT_EQ(TCenterDots::Distance(TPoint{10, 10}, TPoint{7, 6}), 5);
  EXPECT_EQ(TCenterDots::Distance(TPoint{0, 0}, TPoint{1, 1}), 1);
  EXPECT_EQ(TCenterDots::Distance(TPoint{0, 0}, TPoint{5, 5}), 7);  // 7.07
  // Beyond the 32-bit range of the squares.
  EXPECT_EQ(TCenterDots::Distance(TPoint{0, 0}, TPoint{60000, 80000}), 100000);
  EXPECT_EQ(TCenterDots::Distance(TPoint{INT32_MIN, 0}, TPoint{INT32_MAX, 0}), INT32_MAX);
  EXPECT_EQ(TCenterDots::Distance(TPoint{-2000000000, 0}, TPoint{0, 2000000000}), INT32_MAX);
  EXPECT_EQ(TCenterDots::Distance(TPoint{0, -1000000000}, TPoint{0, 1000000000}), 2000000000);
}

// The indexed grouping gives the same groups, representatives, order, dots
// and claimed flags as the pairwise pass, on scans of real pictures...
TEST(CenterDots, IndexedGroupingMatchesThePairwisePassOnScans) {
  for (int32_t version : {1, 4, 9}) {
    const TPlaneBoolean matrix = test::EncodedMatrix(version);
    for (int32_t degrees : {0, 20, 45, 90, 135}) {
      test::TRenderOptions options;
      options.ModuleSize = 3 + version % 4;
      options.RotationDegrees = degrees;
      options.Supersample = 1;
      TLines h, v;
      ScanRuns(test::RenderPlane(matrix, options), h, v);
      ASSERT_GT(h.Count(), 10);
      ExpectSameAsReference(h, v);
    }
  }
  // ...on random noise with plenty of accidental stretches...
  std::mt19937 random(7);
  for (int32_t round = 0; round < 5; ++round) {
    TPlaneBoolean noise(150, 120, 0);
    for (uint8_t& p : noise.Data()) p = (random() % 3 == 0) ? 1 : 0;
    TLines h, v;
    ScanRuns(noise, h, v);
    ExpectSameAsReference(h, v);
  }
}

// ...and on lists in no scan order at all, overlapping and with inactive runs.
TEST(CenterDots, IndexedGroupingMatchesThePairwisePassOnArbitraryLists) {
  std::mt19937 random(11);
  auto coordinate = [&]() { return static_cast<int32_t>(random() % 40); };
  for (int32_t round = 0; round < 40; ++round) {
    TLines h, v;
    for (int32_t i = 0; i < 60; ++i) {
      const int32_t a = coordinate(), b = coordinate();
      TLine line = Horz(coordinate(), std::min(a, b), std::max(a, b));
      line.Active = random() % 5 != 0;
      h.Add(line);
      const int32_t c = coordinate(), d = coordinate();
      line = Vert(coordinate(), std::min(c, d), std::max(c, d));
      line.Active = random() % 5 != 0;
      v.Add(line);
    }
    ExpectSameAsReference(h, v);
    // The same kind of runs in scan shape (rows ascending, starts and ends
    // non-decreasing within a row), which the index takes.
    TLines hs, vs;
    for (int32_t row = 0; row < 40; row += 1 + static_cast<int32_t>(random() % 3)) {
      int32_t start = 0, end = 0;
      for (int32_t k = static_cast<int32_t>(random() % 4); k > 0; --k) {
        start += static_cast<int32_t>(random() % 8);
        end = std::max(end, start + static_cast<int32_t>(random() % 20));
        TLine line = Horz(row, start, end);
        line.Active = random() % 5 != 0;
        hs.Add(line);
        line = Vert(row, start, end);
        line.Active = random() % 5 != 0;
        vs.Add(line);
      }
    }
    ExpectSameAsReference(hs, vs);
  }
}

}  // namespace
}  // namespace vornak
