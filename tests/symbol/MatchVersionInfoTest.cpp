#include "symbol/MatchVersionInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

// Bit i of the bottom-left block sits at (i / 3, N - 11 + i % 3); the
// top-right block is its transpose.
TBooleans ReadBlock(const test::ReferenceSymbol& symbol, bool bottomLeft) {
  const int n = symbol.Side();
  TBooleans bits(18);
  for (int i = 0; i < 18; ++i) {
    const int a = i / 3;
    const int b = n - 11 + i % 3;
    bits[static_cast<size_t>(i)] = (bottomLeft ? symbol.Matrix(a, b) : symbol.Matrix(b, a)) != 0;
  }
  return bits;
}

TBooleans WithFlips(TBooleans bits, std::mt19937& random, int count) {
  std::vector<int> order(18);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), random);
  for (int i = 0; i < count; ++i)
    bits[static_cast<size_t>(order[static_cast<size_t>(i)])] =
        !bits[static_cast<size_t>(order[static_cast<size_t>(i)])];
  return bits;
}

TEST(MatchVersionInfo, EveryVersionFromEitherBlockWithUpToThreeErrors) {
  std::mt19937 random(17);
  for (int version = 7; version <= 40; ++version) {
    SCOPED_TRACE(version);
    const test::ReferenceSymbol symbol = test::Make("VERSION", version, version % 4, version % 8);
    for (const bool bottomLeft : {true, false}) {
      const TBooleans clean = ReadBlock(symbol, bottomLeft);
      EXPECT_EQ(MatchVersionInfo(clean), version);
      for (int flips = 1; flips <= 3; ++flips)
        for (int trial = 0; trial < 4; ++trial)
          EXPECT_EQ(MatchVersionInfo(WithFlips(clean, random, flips)), version) << flips;
      // Four errors leave the word at least four bits from every codeword.
      for (int trial = 0; trial < 4; ++trial)
        EXPECT_EQ(MatchVersionInfo(WithFlips(clean, random, 4)), 0);
    }
  }
}

TEST(MatchVersionInfo, Version7SampleAndMalformedInput) {
  TBooleans bits(18);
  for (int j = 0; j < 18; ++j) bits[static_cast<size_t>(j)] = ((0x07C94 >> j) & 1) != 0;
  EXPECT_EQ(MatchVersionInfo(bits), 7);
  bits[0] = !bits[0];
  bits[5] = !bits[5];
  bits[17] = !bits[17];
  EXPECT_EQ(MatchVersionInfo(bits), 7);
  bits[9] = !bits[9];
  EXPECT_EQ(MatchVersionInfo(bits), 0);
  EXPECT_EQ(MatchVersionInfo(TBooleans(17, false)), 0);
  EXPECT_EQ(MatchVersionInfo(TBooleans()), 0);
  // All light is no version (versions 1 to 6 carry no version information).
  EXPECT_EQ(MatchVersionInfo(TBooleans(18, false)), 0);
}

}  // namespace
}  // namespace vornak
