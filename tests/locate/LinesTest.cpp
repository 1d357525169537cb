#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "locate/Lines.h"

namespace vornak {
namespace {

// Records tagged by their StartPt.X so the order after sorting can be read back.
TLines Tagged(const std::vector<int32_t>& sizes) {
  TLines lines;
  for (size_t i = 0; i < sizes.size(); ++i)
    lines.Add(TLine{true, sizes[i], TPoint{static_cast<int32_t>(i), 0}, TPoint{}});
  return lines;
}

std::string Order(const TLines& lines) {
  std::string tags;
  for (int32_t i = 0; i < lines.Count(); ++i)
    tags += static_cast<char>('a' + lines.Get(i).StartPt.X);
  return tags;
}

TEST(Lines, AddGetPutAndCount) {
  TLines lines;
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(lines.Add(TLine{true, 0, TPoint{1, 2}, TPoint{3, 2}}), 0);
  EXPECT_EQ(lines.Add(TLine{true, 0, TPoint{4, 5}, TPoint{9, 5}}), 1);
  TLine line;
  lines.Get(1, line);
  EXPECT_EQ(line.StartPt, (TPoint{4, 5}));
  line.Active = false;
  lines.Put(1, line);
  EXPECT_FALSE(lines.Get(1).Active);
  EXPECT_TRUE(lines.Get(0).Active);
  EXPECT_THROW(lines.Get(2), std::out_of_range);
  EXPECT_THROW(lines.Put(-1, line), std::out_of_range);
  lines.Clear();
  EXPECT_EQ(lines.Count(), 0);
}

// The order left among equal group sizes decides which candidate centre wins
// a tie, so the exact permutation matters, not only the descending sizes.
TEST(Lines, SortLeavesTheExactOrderAmongEqualSizes) {
  struct Case {
    std::vector<int32_t> sizes;
    std::string order;
  };
  const std::vector<Case> cases = {
      {{5, 7, 5, 7}, "dbac"}, {{4, 4, 4}, "cba"}, {{1, 2, 3, 2, 1}, "cdbea"},
      {{3, 3, 2, 2}, "badc"}, {{9}, "a"},         {{1, 2}, "ba"},
      {{2, 1}, "ab"},         {{6, 6}, "ba"},
  };
  for (const Case& c : cases) {
    TLines lines = Tagged(c.sizes);
    lines.Sort();
    EXPECT_EQ(Order(lines), c.order) << "sizes of " << c.order;
  }
  TLines empty;
  empty.Sort();
  EXPECT_EQ(empty.Count(), 0);
}

TEST(Lines, SortIsDescendingOnLargeInput) {
  TLines lines;
  uint32_t seed = 12345;
  for (int32_t i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    lines.Add(TLine{true, static_cast<int32_t>((seed >> 16) % 7), TPoint{i, 0}, TPoint{}});
  }
  // Many equal keys, and an already sorted run afterwards.
  lines.Sort();
  for (int32_t i = 1; i < lines.Count(); ++i)
    ASSERT_GE(lines.Get(i - 1).GroupSize, lines.Get(i).GroupSize);
  lines.Sort();
  for (int32_t i = 1; i < lines.Count(); ++i)
    ASSERT_GE(lines.Get(i - 1).GroupSize, lines.Get(i).GroupSize);
}

}  // namespace
}  // namespace vornak
