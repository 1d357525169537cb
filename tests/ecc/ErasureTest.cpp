#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "ecc/ReedSolomon.h"
#include "tests/ecc/ErrorsOnlyReedSolomon.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

// True when every syndrome of the block vanishes: a fresh decoder without
// protection finds nothing to change.
bool IsCodeword(const TIntegers& block, int check) {
  TReedSolomon rs;
  TIntegers copy = block;
  rs.SetBlock(copy, check);
  return rs.Correct() && rs.CorrectedCount() == 0 && copy == block;
}

// A sample of block shapes: short and long, weak and strong, with and
// without misdecode protection.
constexpr int kVersions[] = {1, 2, 3, 5, 9, 13, 21, 27, 40};

// e errors at unmarked places and s erasures (three in four given a random
// value, the others left right) for every 2e + s within the budget.
TEST(ReedSolomonErasureTest, ErrorsAndErasuresWithinBudgetAreRestored) {
  TReedSolomon rs;
  std::mt19937 random(4401);
  int trials = 0;
  for (int version : kVersions) {
    for (int level = 0; level < 4; ++level) {
      const test::ReferenceBlocks blocks = test::RandomDataBlocks(version, level, random);
      const int budget = blocks.Check - test::MisdecodeProtection(version, level);
      for (const TIntegers& original : {blocks.List.front(), blocks.List.back()}) {
        for (int s = 0; s <= budget; ++s) {
          for (int e = 0; 2 * e + s <= budget; ++e) {
            TIntegers block = original;
            const std::vector<int32_t> places = test::Shuffled(block.size(), random);
            for (int i = 0; i < e; ++i)
              block[static_cast<size_t>(places[static_cast<size_t>(i)])] ^=
                  static_cast<int32_t>(1 + random() % 255);
            TIntegers erasures(places.begin() + e, places.begin() + e + s);
            int changed = e;
            for (int32_t place : erasures) {
              if (random() % 4 == 0) continue;
              block[static_cast<size_t>(place)] = static_cast<int32_t>(random() & 0xFF);
              if (block[static_cast<size_t>(place)] != original[static_cast<size_t>(place)])
                ++changed;
            }
            rs.SetBlock(block, blocks.Check, test::MisdecodeProtection(version, level));
            ASSERT_EQ(rs.Budget(), budget);
            ++trials;
            ASSERT_TRUE(rs.Correct(erasures))
                << version << "-" << level << " errors " << e << " erasures " << s;
            ASSERT_EQ(block, original) << version << "-" << level << " e " << e << " s " << s;
            EXPECT_EQ(rs.CorrectedCount(), changed);
            if (changed > 0) {
              EXPECT_EQ(rs.ErrorCount(), e);
              EXPECT_EQ(rs.ErasureCount(), s);
            }
          }
        }
      }
    }
  }
  EXPECT_GT(trials, 5000);
}

// Correct() is the zero-erasure case of the new decoder: on encoder blocks
// with any number of errors, and on random words, it must give what the
// errors-only decoder gave: the verdict, the block and the count.
TEST(ReedSolomonErasureTest, ErrorsOnlyMatchesTheFormerDecoder) {
  TReedSolomon rs;
  test::TErrorsOnlyReedSolomon former;
  std::mt19937 random(90210);
  int corrected = 0;
  int refused = 0;
  for (int version = 1; version <= 40; ++version) {
    for (int level = 0; level < 4; ++level) {
      const test::ReferenceBlocks blocks = test::RandomDataBlocks(version, level, random);
      for (int round = 0; round < 12; ++round) {
        TIntegers block = blocks.List[static_cast<size_t>(round) % blocks.List.size()];
        const int errors = static_cast<int>(random() % static_cast<unsigned>(blocks.Check + 5));
        const std::vector<int32_t> places = test::Shuffled(block.size(), random);
        for (int i = 0; i < errors; ++i)
          block[static_cast<size_t>(places[static_cast<size_t>(i)])] ^=
              static_cast<int32_t>(1 + random() % 255);
        if (round == 11)
          for (int32_t& value : block) value = static_cast<int32_t>(random() & 0xFF);
        // Any protection, not only the table's, and now and then none.
        const int protection = static_cast<int>(random() % 4);
        TIntegers mine = block;
        TIntegers theirs = block;
        rs.SetBlock(mine, blocks.Check, protection);
        former.SetBlock(theirs, blocks.Check, protection);
        const bool verdict = round % 2 == 0 ? rs.Correct() : rs.Correct(TIntegers{});
        ASSERT_EQ(verdict, former.Correct()) << version << "-" << level << " errors " << errors;
        ASSERT_EQ(mine, theirs);
        ASSERT_EQ(rs.CorrectedCount(), former.CorrectedCount());
        ASSERT_EQ(rs.Capacity(), former.Capacity());
        EXPECT_EQ(rs.ErasureCount(), 0);
        if (verdict && rs.CorrectedCount() > 0) ++corrected;
        if (!verdict) ++refused;
      }
    }
  }
  // Both outcomes must have been compared many times.
  EXPECT_GT(corrected, 500);
  EXPECT_GT(refused, 500);
}

// Past the budget the decoder may land on another codeword (then it must be
// one) but never returns a block that is not a codeword, and a refused
// block is left as it was. Erasures are right (on corrupted places), mixed,
// or wrong (on clean places only).
TEST(ReedSolomonErasureTest, BeyondBudgetNeverClaimsANonCodeword) {
  TReedSolomon rs;
  std::mt19937 random(777);
  int trials = 0;
  int refused = 0;
  for (int version : kVersions) {
    for (int level = 0; level < 4; ++level) {
      const test::ReferenceBlocks blocks = test::RandomDataBlocks(version, level, random);
      const int protection = test::MisdecodeProtection(version, level);
      const int budget = blocks.Check - protection;
      const TIntegers& original = blocks.List.front();
      for (int kind = 0; kind < 3; ++kind) {
        for (int round = 0; round < 20; ++round) {
          const int over = 1 + static_cast<int>(random() % 4);
          const int s = static_cast<int>(random() % static_cast<unsigned>(budget + 1));
          // Corrupted places: erased ones first, then unmarked errors.
          const int markedBad = kind == 0 ? s : (kind == 1 ? s / 2 : 0);
          const int unmarked = (budget - s + over + 1) / 2;
          const std::vector<int32_t> places = test::Shuffled(original.size(), random);
          if (static_cast<size_t>(s + unmarked) > places.size()) continue;
          TIntegers block = original;
          for (int i = 0; i < s + unmarked; ++i) {
            const bool bad = i >= s || i < markedBad;
            if (bad)
              block[static_cast<size_t>(places[static_cast<size_t>(i)])] ^=
                  static_cast<int32_t>(1 + random() % 255);
          }
          const TIntegers erasures(places.begin(), places.begin() + s);
          const TIntegers received = block;
          rs.SetBlock(block, blocks.Check, protection);
          ++trials;
          if (rs.Correct(erasures)) {
            EXPECT_NE(block, original);
            EXPECT_TRUE(IsCodeword(block, blocks.Check)) << version << "-" << level;
            EXPECT_LE(2 * rs.ErrorCount() + rs.ErasureCount(), budget);
          } else {
            ++refused;
            EXPECT_EQ(block, received);
          }
        }
      }
    }
  }
  EXPECT_GT(trials, 1500);
  EXPECT_GT(refused, 0);
}

TEST(ReedSolomonErasureTest, ErasuresOutsideTheRulesAreRefused) {
  TReedSolomon rs;
  std::mt19937 random(5);
  const test::ReferenceBlocks blocks = test::RandomDataBlocks(5, 2, random);  // 18 check codewords
  ASSERT_EQ(blocks.Check, 18);
  TIntegers block = blocks.List[0];
  block[3] ^= 0x55;
  const TIntegers received = block;
  const auto length = static_cast<int32_t>(block.size());
  rs.SetBlock(block, blocks.Check);
  EXPECT_FALSE(rs.Correct({3, length}));
  EXPECT_EQ(block, received);
  EXPECT_FALSE(rs.Correct({-1, 3}));
  EXPECT_EQ(block, received);
  // One more erasure than check codewords.
  TIntegers many(19);
  std::iota(many.begin(), many.end(), 0);
  EXPECT_FALSE(rs.Correct(many));
  EXPECT_EQ(block, received);
  // With a protection of 4, fifteen erasures exceed the budget of 14.
  rs.SetBlock(block, blocks.Check, 4);
  EXPECT_EQ(rs.Budget(), 14);
  EXPECT_FALSE(rs.Correct(TIntegers(many.begin(), many.begin() + 15)));
  EXPECT_EQ(block, received);
  // Repeats count once: eighteen names of nine places fit.
  TIntegers repeated;
  for (int32_t i = 0; i < 9; ++i) repeated.insert(repeated.end(), {i, i});
  rs.SetBlock(block, blocks.Check);
  EXPECT_TRUE(rs.Correct(repeated));
  EXPECT_EQ(block, blocks.List[0]);
  EXPECT_EQ(rs.ErasureCount(), 9);
  EXPECT_EQ(rs.ErrorCount(), 0);
  EXPECT_EQ(rs.CorrectedCount(), 1);
}

TEST(ReedSolomonErasureTest, AnErrorOnAnErasedPlaceCostsOnlyTheErasure) {
  TReedSolomon rs;
  std::mt19937 random(6);
  const test::ReferenceBlocks blocks = test::RandomDataBlocks(10, 1, random);  // 26 check codewords
  ASSERT_EQ(blocks.Check, 26);
  // Twenty garbled codewords, all marked: beyond the thirteen errors the
  // block could bear unmarked.
  TIntegers block = blocks.List[1];
  TIntegers erasures;
  for (int32_t i = 0; i < 20; ++i) {
    const int32_t place = i * 3;
    block[static_cast<size_t>(place)] ^= 0xA5;
    erasures.push_back(place);
  }
  const TIntegers received = block;
  rs.SetBlock(block, blocks.Check);
  EXPECT_FALSE(rs.Correct());
  EXPECT_EQ(block, received);
  EXPECT_TRUE(rs.Correct(erasures));
  EXPECT_EQ(block, blocks.List[1]);
  EXPECT_EQ(rs.CorrectedCount(), 20);
  EXPECT_EQ(rs.ErasureCount(), 20);
  EXPECT_EQ(rs.ErrorCount(), 0);
  // The same with three unmarked errors more: 2 x 3 + 20 = 26.
  block = received;
  block[1] ^= 1;
  block[4] ^= 2;
  block.back() ^= 3;
  rs.SetBlock(block, blocks.Check);
  EXPECT_TRUE(rs.Correct(erasures));
  EXPECT_EQ(block, blocks.List[1]);
  EXPECT_EQ(rs.ErrorCount(), 3);
  EXPECT_EQ(rs.CorrectedCount(), 23);
}

TEST(ReedSolomonErasureTest, ErasuresOnACodewordChangeNothing) {
  TReedSolomon rs;
  std::mt19937 random(8);
  const test::ReferenceBlocks blocks = test::RandomDataBlocks(3, 3, random);
  TIntegers block = blocks.List[0];
  rs.SetBlock(block, blocks.Check);
  EXPECT_TRUE(rs.Correct({0, 1, 2, 5}));
  EXPECT_EQ(block, blocks.List[0]);
  EXPECT_EQ(rs.CorrectedCount(), 0);
  EXPECT_EQ(rs.ErasureCount(), 0);
}

}  // namespace
}  // namespace vornak
