#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "ecc/ReedSolomon.h"
#include "ecc/SoftCorrector.h"
#include "symbol/Arrangement.h"
#include "symbol/StandardTables.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

// The guard is the odds of the least safe repair that errors-only
// correction with the misdecode reserve accepts, over every QR block shape.
TEST(SoftCorrectorTest, GuardIsTheLeastSafeErrorsOnlyRepair) {
  double least = 1e9;
  for (int version = 1; version <= 40; ++version) {
    const int total = TArrangement(version).CodewordCount();
    for (int level = 0; level < 4; ++level) {
      const int blocks = ECBlocks[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
      const int check =
          ECCodewords[static_cast<size_t>(version - 1)][static_cast<size_t>(level)] / blocks;
      const int longest = (total + blocks - 1) / blocks;
      const int capacity = (check - test::MisdecodeProtection(version, level)) / 2;
      least = std::min(least, TSoftCorrector::OddsBits(longest, check, 0, capacity));
    }
  }
  EXPECT_NEAR(least, TSoftCorrector::kGuardBits, 0.05);  // 2-L: 30.97
  // 1-L: 26 codewords, 7 check, 2 errors: C(26,2) 255^2 + 26 x 255 + 1
  // words around each of 256^19 codewords among 256^26.
  EXPECT_NEAR(TSoftCorrector::OddsBits(26, 7, 0, 2),
              56.0 - std::log2(325.0 * 255 * 255 + 26.0 * 255 + 1), 1e-9);
  // Erasures only: each costs 8 bits of the 8 per check codeword.
  EXPECT_DOUBLE_EQ(TSoftCorrector::OddsBits(46, 30, 25, 0), 40.0);
}

// Damage beyond errors-only correction, every damaged codeword doubted and
// the rest certain: both ladders repair it exactly.
TEST(SoftCorrectorTest, DoubtedDamageBeyondErrorsOnlyIsRepaired) {
  std::mt19937 random(31);
  TReedSolomon rs;
  int repaired = 0;
  for (const auto ladder :
       {TSoftCorrector::TLadder::kEveryCount, TSoftCorrector::TLadder::kDoubling}) {
    TSoftCorrector soft;
    soft.SetLadder(ladder);
    for (int version : {4, 8, 15, 26, 40}) {
      for (int level = 0; level < 4; ++level) {
        const test::ReferenceBlocks blocks = test::RandomDataBlocks(version, level, random);
        const TIntegers& original = blocks.List.back();
        const int capacity = blocks.Check / 2;
        // Up to five check codewords short of all: 40 bits of odds left.
        for (int damaged = capacity + 1; damaged <= blocks.Check - 5; ++damaged) {
          TIntegers block = original;
          TIntegers doubt(block.size(), 0);
          const std::vector<int32_t> places = test::Shuffled(block.size(), random);
          for (int i = 0; i < damaged; ++i) {
            const auto place = static_cast<size_t>(places[static_cast<size_t>(i)]);
            block[place] ^= static_cast<int32_t>(1 + random() % 255);
            doubt[place] = 100 + static_cast<int32_t>(random() % 900);
          }
          const TIntegers received = block;
          rs.SetBlock(block, blocks.Check);
          ASSERT_FALSE(rs.Correct());
          ASSERT_TRUE(soft.Retry(block, blocks.Check, 0, doubt))
              << version << "-" << level << " damaged " << damaged;
          EXPECT_EQ(block, original);
          EXPECT_GT(soft.ErasedCount(), 0);
          EXPECT_LE(soft.ErasedCount(), damaged);
          EXPECT_EQ(soft.CorrectedCount(), damaged);
          EXPECT_GE(soft.Tries(), 1);
          ++repaired;
        }
      }
    }
  }
  EXPECT_GT(repaired, 150);
}

// Damage beyond any repair, doubts partly right, partly on clean codewords,
// partly missing: with the guard no try ends on a wrong block; without it
// the same trials do (so the trials can tell).
TEST(SoftCorrectorTest, MisplacedDoubtNeverGivesAWrongBlock) {
  TSoftCorrector guarded;
  TSoftCorrector bare;
  bare.SetGuardBits(-std::numeric_limits<double>::infinity());
  int trials = 0;
  int wrongGuarded = 0;
  int wrongBare = 0;
  int restored = 0;
  std::mt19937 random(1234);
  for (int version : {1, 2, 3, 5, 7, 12, 20, 33}) {
    for (int level = 0; level < 4; ++level) {
      const test::ReferenceBlocks blocks = test::RandomDataBlocks(version, level, random);
      const int protection = test::MisdecodeProtection(version, level);
      const TIntegers& original = blocks.List.front();
      for (int round = 0; round < 25; ++round) {
        const int errors = (blocks.Check - protection) / 2 + 1 + static_cast<int>(random() % 6);
        TIntegers block = original;
        TIntegers doubt(block.size(), 0);
        const std::vector<int32_t> places = test::Shuffled(block.size(), random);
        for (int i = 0; i < errors && i < static_cast<int>(block.size()); ++i)
          block[static_cast<size_t>(places[static_cast<size_t>(i)])] ^=
              static_cast<int32_t>(1 + random() % 255);
        // Doubt on a random share of the damaged and of the clean places.
        const unsigned rightShare = random() % 3;
        for (size_t i = 0; i < places.size(); ++i) {
          const bool damaged = static_cast<int>(i) < errors;
          const bool doubted = damaged ? random() % 3 < rightShare : random() % 4 == 0;
          if (doubted)
            doubt[static_cast<size_t>(places[i])] = 1 + static_cast<int32_t>(random() % 50);
        }
        for (TSoftCorrector* soft : {&guarded, &bare}) {
          TIntegers work = block;
          ++trials;
          if (!soft->Retry(work, blocks.Check, protection, doubt)) {
            EXPECT_EQ(work, block);
          } else if (work == original) {
            ++restored;
          } else {
            ++(soft == &guarded ? wrongGuarded : wrongBare);
          }
        }
      }
    }
  }
  RecordProperty("trials", trials / 2);
  RecordProperty("restored", restored);
  RecordProperty("wrongBare", wrongBare);
  EXPECT_EQ(wrongGuarded, 0) << "of " << trials / 2;
  EXPECT_GT(wrongBare, 0);
  EXPECT_GT(restored, 0);
}

TEST(SoftCorrectorTest, NothingDoubtedOrMismatchedDoubtTriesNothing) {
  std::mt19937 random(2);
  const test::ReferenceBlocks blocks = test::RandomDataBlocks(6, 3, random);
  TIntegers block = blocks.List[0];
  for (int i = 0; i < 20; ++i) block[static_cast<size_t>(i)] ^= 0x3C;
  const TIntegers received = block;
  TSoftCorrector soft;
  EXPECT_FALSE(soft.Retry(block, blocks.Check, 0, TIntegers(block.size(), 0)));
  EXPECT_EQ(soft.Tries(), 0);
  EXPECT_EQ(block, received);
  EXPECT_FALSE(soft.Retry(block, blocks.Check, 0, TIntegers(block.size() - 1, 5)));
  EXPECT_EQ(block, received);
  // The same damage doubted, the first twenty tied, is within reach of the
  // 28 check codewords.
  TIntegers doubt(block.size(), 0);
  std::fill(doubt.begin(), doubt.begin() + 20, 7);
  // The ladder stops at the first count that holds: 12 erasures leave 8
  // errors, 2 x 8 + 12 = 28.
  EXPECT_TRUE(soft.Retry(block, blocks.Check, 0, doubt));
  EXPECT_EQ(block, blocks.List[0]);
  EXPECT_EQ(soft.ErasedCount(), 12);
  EXPECT_EQ(soft.CorrectedCount(), 20);
  EXPECT_EQ(soft.Tries(), 12);
}

}  // namespace
}  // namespace vornak
