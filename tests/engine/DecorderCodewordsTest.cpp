// Unmasking and codeword reading checked against symbols of libqrcodegen.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/Decorder.h"
#include "symbol/StandardTables.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

using test::ReferenceSymbol;

TIntegers AsIntegers(const std::vector<uint8_t>& bytes) {
  return TIntegers(bytes.begin(), bytes.end());
}

void Load(TDecorder& decorder, const ReferenceSymbol& symbol) {
  decorder.LoadMatrix(symbol.Matrix, symbol.Side(), symbol.Side());
  ASSERT_TRUE(decorder.FormatOk());
  ASSERT_EQ(decorder.Mask(), symbol.Mask);
}

std::vector<uint8_t> RandomBytes(std::mt19937& random, int count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random() & 0xFF);
  return bytes;
}

TEST(DecorderCodewords, Version1NumericInReadingOrderForEveryMask) {
  const TIntegers expectedData = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11};
  for (int mask = 0; mask < 8; ++mask) {
    SCOPED_TRACE(mask);
    const ReferenceSymbol symbol = test::Make("01234567", 1, 1, mask);
    TDecorder decorder;
    Load(decorder, symbol);
    decorder.Unmask();
    decorder.ReadCodewords();
    ASSERT_EQ(decorder.Count(), 26);
    ASSERT_EQ(decorder.Codewords().size(), 26u);
    EXPECT_EQ(TIntegers(decorder.Codewords().begin(), decorder.Codewords().begin() + 8),
              expectedData);
    EXPECT_EQ(decorder.Codewords(), AsIntegers(symbol.Codewords));
  }
}

// Every version and level: the placement walk returns the encoder's codeword
// sequence, which also proves the block counts and check-codeword totals of
// the tables (the sequence is built from them and the encoder's own data
// capacity).
TEST(DecorderCodewords, EveryVersionAndLevelReadsTheEncodersSequence) {
  std::mt19937 random(2024);
  TDecorder decorder;
  for (int version = 1; version <= 40; ++version) {
    for (int level = 0; level < 4; ++level) {
      SCOPED_TRACE(testing::Message() << "version " << version << " level " << level);
      const int dataCount = test::DataCodewordCount(version, level);
      const int mask = (version + level) % 8;
      const ReferenceSymbol symbol =
          test::MakeFromDataCodewords(RandomBytes(random, dataCount), version, level, mask);
      Load(decorder, symbol);
      decorder.Unmask();
      decorder.ReadCodewords();
      EXPECT_EQ(decorder.Count(), decorder.Module()->CodewordCount());
      EXPECT_EQ(static_cast<size_t>(decorder.Count()), decorder.Codewords().size());
      EXPECT_EQ(decorder.Codewords(), AsIntegers(symbol.Codewords));
      EXPECT_EQ(dataCount + decorder.ECCodewordCount(), decorder.Count());
    }
  }
}

// The same data under each of the eight masks unmask to the same data layer,
// and that layer does not depend on how the function modules look.
TEST(DecorderCodewords, EveryMaskUnmasksToTheSameDataLayer) {
  std::mt19937 random(7);
  for (const int version : {1, 2, 7, 21, 40}) {
    const std::vector<uint8_t> data = RandomBytes(random, test::DataCodewordCount(version, 2));
    TDecorder reference;
    Load(reference, test::MakeFromDataCodewords(data, version, 2, 0));
    reference.Unmask();
    for (int mask = 1; mask < 8; ++mask) {
      SCOPED_TRACE(testing::Message() << "version " << version << " mask " << mask);
      const ReferenceSymbol symbol = test::MakeFromDataCodewords(data, version, 2, mask);
      TDecorder decorder;
      Load(decorder, symbol);
      decorder.Unmask();
      const TArrangement& module = *decorder.Module();
      int differing = 0;
      for (int y = 0; y < module.Height(); ++y)
        for (int x = 0; x < module.Width(); ++x)
          if (!module.IsFunctionModule(x, y) &&
              module.GetData(x, y) != reference.Module()->GetData(x, y))
            ++differing;
      EXPECT_EQ(differing, 0);
    }
  }
}

TEST(DecorderCodewords, MasksOneAndTwoInvertRowsAndColumns) {
  std::mt19937 random(11);
  for (const int mask : {1, 2}) {
    const ReferenceSymbol symbol =
        test::MakeFromDataCodewords(RandomBytes(random, test::DataCodewordCount(3, 0)), 3, 0, mask);
    TDecorder decorder;
    Load(decorder, symbol);
    decorder.MakeMask();
    const TArrangement& module = *decorder.Module();
    for (int y = 0; y < module.Height(); ++y) {
      for (int x = 0; x < module.Width(); ++x) {
        const bool expected =
            !module.IsFunctionModule(x, y) && (mask == 1 ? y % 2 == 0 : x % 3 == 0);
        ASSERT_EQ(module.GetMaskBit(x, y), expected ? 1 : 0) << x << "," << y;
      }
    }
  }
}

TEST(DecorderCodewords, LightDataRegionUnderMaskZeroUnmasksToCheckerboard) {
  ReferenceSymbol symbol = test::Make("CHECKER", 2, 1, 0);
  TDecorder decorder;
  Load(decorder, symbol);
  // Clear the data region and load again: format and function modules stay.
  for (int y = 0; y < symbol.Side(); ++y)
    for (int x = 0; x < symbol.Side(); ++x)
      if (!decorder.Module()->IsFunctionModule(x, y)) symbol.Matrix(x, y) = 0;
  Load(decorder, symbol);
  decorder.Unmask();
  const TArrangement& module = *decorder.Module();
  int dataModules = 0;
  for (int y = 0; y < module.Height(); ++y) {
    for (int x = 0; x < module.Width(); ++x) {
      if (module.IsFunctionModule(x, y)) continue;
      ++dataModules;
      ASSERT_EQ(module.GetData(x, y), (x + y) % 2 == 0 ? 1 : 0) << x << "," << y;
    }
  }
  EXPECT_EQ(dataModules, 44 * 8 + 7);
  // 359 data modules: 44 codewords, the 7 remainder bits dropped.
  decorder.ReadCodewords();
  EXPECT_EQ(decorder.Count(), 44);
  EXPECT_EQ(decorder.Codewords().size(), 44u);
}

TEST(DecorderCodewords, NothingLoadedReadsNothing) {
  TDecorder decorder;
  decorder.Unmask();
  decorder.ReadCodewords();
  EXPECT_EQ(decorder.Count(), 0);
  EXPECT_TRUE(decorder.Codewords().empty());
  EXPECT_FALSE(decorder.FormatOk());
  EXPECT_FALSE(TDecorder::MaskInverts(8, 0, 0));
  EXPECT_FALSE(TDecorder::MaskInverts(-1, 0, 0));
}

}  // namespace
}  // namespace vornak
