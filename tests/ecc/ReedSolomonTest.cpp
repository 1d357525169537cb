#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "ecc/ReedSolomon.h"
#include "symbol/StandardTables.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

struct Blocks {
  std::vector<TIntegers> List;
  int Check = 0;
};

// The Reed-Solomon blocks of an encoder-made symbol, taken apart from its
// placement-order codewords (short blocks first; the long blocks' extra data
// codeword comes after the last common data pass).
Blocks BlocksOf(const test::ReferenceSymbol& symbol) {
  const size_t v = static_cast<size_t>(symbol.Version - 1);
  const size_t l = static_cast<size_t>(symbol.Level);
  const int count = ECBlocks[v][l];
  Blocks blocks;
  blocks.Check = ECCodewords[v][l] / count;
  const int total = static_cast<int>(symbol.Codewords.size());
  const int dataTotal = static_cast<int>(symbol.DataCodewords.size());
  const int longCount = total % count;
  const int shortData = dataTotal / count;
  std::vector<int> dataLength(static_cast<size_t>(count), shortData);
  for (int b = count - longCount; b < count; ++b) dataLength[static_cast<size_t>(b)] += 1;
  blocks.List.assign(static_cast<size_t>(count), TIntegers{});
  size_t next = 0;
  for (int i = 0; i <= shortData; ++i)
    for (int b = 0; b < count; ++b)
      if (i < dataLength[static_cast<size_t>(b)])
        blocks.List[static_cast<size_t>(b)].push_back(symbol.Codewords[next++]);
  for (int i = 0; i < blocks.Check; ++i)
    for (int b = 0; b < count; ++b)
      blocks.List[static_cast<size_t>(b)].push_back(symbol.Codewords[next++]);
  EXPECT_EQ(next, symbol.Codewords.size());
  // The data parts, block after block, are the encoder's data codewords.
  std::vector<uint8_t> data;
  for (int b = 0; b < count; ++b) {
    const TIntegers& block = blocks.List[static_cast<size_t>(b)];
    data.insert(data.end(), block.begin(), block.end() - blocks.Check);
  }
  EXPECT_EQ(data, symbol.DataCodewords);
  return blocks;
}

std::vector<uint8_t> RandomData(std::mt19937& random, int count) {
  std::vector<uint8_t> data(static_cast<size_t>(count));
  for (uint8_t& d : data) d = static_cast<uint8_t>(random() & 0xFF);
  return data;
}

// Adds `errors` non-zero error values at distinct random positions.
void Corrupt(TIntegers& block, int errors, std::mt19937& random) {
  std::vector<size_t> positions(block.size());
  std::iota(positions.begin(), positions.end(), 0);
  std::shuffle(positions.begin(), positions.end(), random);
  for (int i = 0; i < errors; ++i)
    block[positions[static_cast<size_t>(i)]] ^= static_cast<int32_t>(1 + random() % 255);
}

TEST(ReedSolomonTest, FieldArithmetic) {
  TReedSolomon rs;
  EXPECT_EQ(rs.Power(8), 0x1D);  // x^8 = x^4 + x^3 + x^2 + 1
  EXPECT_EQ(rs.Power(255), 1);
  EXPECT_EQ(rs.Power(-1), rs.Power(254));
  EXPECT_EQ(rs.Multiply(0, 77), 0);
  EXPECT_EQ(rs.Multiply(0x80, 2), 0x1D);
  for (int a = 1; a < 256; ++a) EXPECT_EQ(rs.Multiply(a, rs.Inverse(a)), 1) << a;
  EXPECT_EQ(rs.Inverse(0), 0);
}

// Every version and level: clean blocks pass unchanged; random errors up to
// the rated capacity, anywhere in the block, are removed exactly.
TEST(ReedSolomonTest, EncoderBlocksAreRestoredUpToCapacity) {
  TReedSolomon rs;
  std::mt19937 random(20261208);
  for (int version = 1; version <= 40; ++version) {
    for (int level = 0; level < 4; ++level) {
      const auto symbol = test::MakeFromDataCodewords(
          RandomData(random, test::DataCodewordCount(version, level)), version, level, 0);
      const Blocks blocks = BlocksOf(symbol);
      const int protection = test::MisdecodeProtection(version, level);
      const int capacity = (blocks.Check - protection) / 2;
      for (const TIntegers& original : blocks.List) {
        EXPECT_TRUE(rs.IsCodeword(original, blocks.Check));
        TIntegers block = original;
        rs.SetBlock(block, blocks.Check, protection);
        EXPECT_EQ(rs.Capacity(), capacity);
        EXPECT_TRUE(rs.Correct());
        EXPECT_EQ(block, original);
        EXPECT_EQ(rs.CorrectedCount(), 0);
        for (int errors : {1, capacity / 2 + 1, capacity}) {
          block = original;
          Corrupt(block, errors, random);
          EXPECT_FALSE(rs.IsCodeword(block, blocks.Check));
          rs.SetBlock(block, blocks.Check, protection);
          ASSERT_TRUE(rs.Correct()) << version << "-" << level << " errors " << errors;
          EXPECT_EQ(block, original) << version << "-" << level;
          EXPECT_EQ(rs.CorrectedCount(), errors);
        }
      }
    }
  }
}

// Beyond capacity the decoder must not touch the block unless it lands on
// another valid codeword (a property of the code). Counts both outcomes.
TEST(ReedSolomonTest, BeyondCapacityFailsAndLeavesTheBlockAlone) {
  TReedSolomon rs;
  std::mt19937 random(7);
  int trials = 0;
  int failures = 0;
  int miscorrections = 0;
  for (int version : {1, 2, 3, 5, 10, 20, 40}) {
    for (int level = 0; level < 4; ++level) {
      const auto symbol = test::MakeFromDataCodewords(
          RandomData(random, test::DataCodewordCount(version, level)), version, level, 0);
      const Blocks blocks = BlocksOf(symbol);
      const int protection = test::MisdecodeProtection(version, level);
      const int capacity = (blocks.Check - protection) / 2;
      for (int extra : {1, 2, 4}) {
        for (int round = 0; round < 10; ++round) {
          const TIntegers& original = blocks.List[static_cast<size_t>(round) % blocks.List.size()];
          TIntegers block = original;
          Corrupt(block, std::min(capacity + extra, static_cast<int>(block.size())), random);
          const TIntegers received = block;
          rs.SetBlock(block, blocks.Check, protection);
          ++trials;
          if (rs.Correct()) {
            ++miscorrections;
            EXPECT_NE(block, original);
            // A miscorrection is only acceptable when it is a codeword.
            TIntegers again = block;
            rs.SetBlock(again, blocks.Check, 0);
            EXPECT_TRUE(rs.Correct());
            EXPECT_EQ(rs.CorrectedCount(), 0);
          } else {
            ++failures;
            EXPECT_EQ(block, received);
          }
        }
      }
    }
  }
  EXPECT_EQ(failures + miscorrections, trials);
  EXPECT_GE(failures * 100, trials * 95) << miscorrections << " miscorrections in " << trials;
  RecordProperty("miscorrections", miscorrections);
  RecordProperty("trials", trials);
}

TEST(ReedSolomonTest, SmallSymbolsKeepTheirProtection) {
  TReedSolomon rs;
  std::mt19937 random(3);
  // 1-L: seven check codewords, three kept back: two errors are corrected,
  // and a clean block is a codeword (all seven syndromes vanish).
  const auto symbol = test::MakeFromDataCodewords(RandomData(random, 19), 1, 0, 0);
  const Blocks blocks = BlocksOf(symbol);
  ASSERT_EQ(blocks.Check, 7);
  TIntegers block = blocks.List[0];
  Corrupt(block, 2, random);
  rs.SetBlock(block, 7, 3);
  EXPECT_TRUE(rs.Correct());
  EXPECT_EQ(block, blocks.List[0]);
  // Three errors are within the unprotected reach of 7 check codewords, but
  // not within the rated capacity: refused, block untouched.
  block = blocks.List[0];
  block[0] ^= 1;
  block[10] ^= 0x40;
  block[25] ^= 0xFF;
  const TIntegers received = block;
  rs.SetBlock(block, 7, 3);
  EXPECT_FALSE(rs.Correct());
  EXPECT_EQ(block, received);
  rs.SetBlock(block, 7, 0);
  EXPECT_TRUE(rs.Correct());
  EXPECT_EQ(block, blocks.List[0]);
}

TEST(ReedSolomonTest, StrongBlocksCorrectManyErrors) {
  // 40-H: thirty check codewords per block, fifteen errors.
  TReedSolomon rs;
  std::mt19937 random(11);
  const auto symbol =
      test::MakeFromDataCodewords(RandomData(random, test::DataCodewordCount(40, 3)), 40, 3, 0);
  const Blocks blocks = BlocksOf(symbol);
  ASSERT_EQ(blocks.Check, 30);
  for (int errors = 4; errors <= 15; ++errors) {
    TIntegers block = blocks.List[static_cast<size_t>(errors)];
    Corrupt(block, errors, random);
    rs.SetBlock(block, 30);
    EXPECT_TRUE(rs.Correct()) << errors;
    EXPECT_EQ(block, blocks.List[static_cast<size_t>(errors)]);
  }
  // Errors at both ends of the block: first data and last check codeword.
  TIntegers block = blocks.List[0];
  block.front() ^= 0x80;
  block.back() ^= 0x01;
  rs.SetBlock(block, 30);
  EXPECT_TRUE(rs.Correct());
  EXPECT_EQ(block, blocks.List[0]);
  EXPECT_EQ(rs.CorrectedCount(), 2);
}

TEST(ReedSolomonTest, UnusableShapesAreRefusedWithoutChange) {
  TReedSolomon rs;
  EXPECT_FALSE(rs.Correct());  // no block yet
  TIntegers empty;
  rs.SetBlock(empty, 7);
  EXPECT_FALSE(rs.Correct());
  TIntegers block(20, 0);
  rs.SetBlock(block, 0);
  EXPECT_FALSE(rs.Correct());
  rs.SetBlock(block, 21);
  EXPECT_FALSE(rs.Correct());
  rs.SetBlock(block, TReedSolomon::kMaxCheckCodewords + 1);
  EXPECT_FALSE(rs.Correct());
  block[3] = 256;
  rs.SetBlock(block, 10);
  EXPECT_FALSE(rs.Correct());
  EXPECT_EQ(block[3], 256);
  block[3] = -1;
  EXPECT_FALSE(rs.Correct());
  TIntegers tooLong(256, 0);
  rs.SetBlock(tooLong, 10);
  EXPECT_FALSE(rs.Correct());
  // The all-zero word is a codeword of any length.
  TIntegers zeros(255, 0);
  rs.SetBlock(zeros, 30);
  EXPECT_TRUE(rs.Correct());
}

}  // namespace
}  // namespace vornak
