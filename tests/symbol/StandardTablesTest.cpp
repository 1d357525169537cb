#include "symbol/StandardTables.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "symbol/Arrangement.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

int Distance(int32_t a, int32_t b) { return std::popcount(static_cast<uint32_t>(a ^ b)); }

TEST(StandardTables, FormatInfoCodesAreTheBchWords) {
  EXPECT_EQ(FormatInfoCodes[0], 0);
  EXPECT_EQ(FormatInfoCodes[1], 0x0537);
  EXPECT_EQ(FormatInfoCodes[20], 0x5370);
  EXPECT_EQ(FormatInfoCodes[31], 0x7FFF);
  // Level M (00), mask 5.
  EXPECT_EQ(FormatInfoCodes[5], 0x14DC);
  // Level M, mask 5 as printed in the standard's table, i.e. after the mask.
  EXPECT_EQ(FormatInfoCodes[5] ^ FormatMask, 0x40CE);
  // L mask 0 and H mask 7 as they appear in symbols.
  EXPECT_EQ(FormatInfoCodes[0b01000] ^ FormatMask, 0x77C4);
  EXPECT_EQ(FormatInfoCodes[0b10111] ^ FormatMask, 0x083B);
  for (int d = 0; d < 32; ++d) {
    EXPECT_EQ(FormatInfoCodes[static_cast<size_t>(d)] >> 10, d);
    for (int e = d + 1; e < 32; ++e)
      EXPECT_GE(Distance(FormatInfoCodes[static_cast<size_t>(d)],
                         FormatInfoCodes[static_cast<size_t>(e)]),
                7)
          << d << " " << e;
  }
}

TEST(StandardTables, VersionInfoCodesAreTheBchWords) {
  EXPECT_EQ(VersionInfoCodes[0], 0x07C94);
  EXPECT_EQ(VersionInfoCodes[1], 0x085BC);
  EXPECT_EQ(VersionInfoCodes[33], 0x28C69);
  for (int k = 0; k < 34; ++k) {
    EXPECT_EQ(VersionInfoCodes[static_cast<size_t>(k)] >> 12, k + 7);
    for (int j = k + 1; j < 34; ++j)
      EXPECT_GE(Distance(VersionInfoCodes[static_cast<size_t>(k)],
                         VersionInfoCodes[static_cast<size_t>(j)]),
                8)
          << k << " " << j;
  }
}

// The version blocks of libqrcodegen's symbols carry exactly the table words:
// bit i at (i / 3, N - 11 + i % 3) bottom left and transposed top right.
TEST(StandardTables, VersionInfoCodesMatchTheEncoder) {
  for (int version = 7; version <= 40; ++version) {
    const test::ReferenceSymbol symbol = test::Make("V", version, 0, version % 8);
    const int n = symbol.Side();
    int32_t bottomLeft = 0;
    int32_t topRight = 0;
    for (int i = 0; i < 18; ++i) {
      if (symbol.Matrix(i / 3, n - 11 + i % 3)) bottomLeft |= 1 << i;
      if (symbol.Matrix(n - 11 + i % 3, i / 3)) topRight |= 1 << i;
    }
    EXPECT_EQ(bottomLeft, VersionInfoCodes[static_cast<size_t>(version - 7)]) << version;
    EXPECT_EQ(topRight, VersionInfoCodes[static_cast<size_t>(version - 7)]) << version;
  }
}

TEST(StandardTables, AlignmentRowsAndCounts) {
  const std::array<int32_t, 7> version1 = {6, 14, 0, 0, 0, 0, 0};
  const std::array<int32_t, 7> version7 = {6, 22, 38, 0, 0, 0, 0};
  const std::array<int32_t, 7> version40 = {6, 30, 58, 86, 114, 142, 170};
  EXPECT_EQ(AlignmentCentres[0], version1);
  EXPECT_EQ(AlignmentCentres[6], version7);
  EXPECT_EQ(AlignmentCentres[39], version40);
  for (int version = 1; version <= 40; ++version) {
    SCOPED_TRACE(version);
    const auto& row = AlignmentCentres[static_cast<size_t>(version - 1)];
    const int count = AlignmentCount[static_cast<size_t>(version - 1)];
    const int expectedCount = version == 1 ? 2 : version / 7 + 2;
    EXPECT_EQ(count, expectedCount);
    // First centre 6, last one seven modules in from the far edge, ascending,
    // padded with zeros.
    EXPECT_EQ(row[0], 6);
    EXPECT_EQ(row[static_cast<size_t>(count - 1)], 4 * version + 17 - 7);
    for (int j = 1; j < count; ++j)
      EXPECT_GT(row[static_cast<size_t>(j)], row[static_cast<size_t>(j - 1)]);
    for (int j = count; j < 7; ++j) EXPECT_EQ(row[static_cast<size_t>(j)], 0);
  }
}

TEST(StandardTables, ErrorCorrectionRowsDivideIntoEqualBlocks) {
  EXPECT_EQ(ECCodewords[0], (std::array<int32_t, 4>{7, 10, 13, 17}));
  EXPECT_EQ(ECCodewords[39], (std::array<int32_t, 4>{750, 1372, 2040, 2430}));
  EXPECT_EQ(ECBlocks[0], (std::array<int32_t, 4>{1, 1, 1, 1}));
  EXPECT_EQ(ECBlocks[4], (std::array<int32_t, 4>{1, 2, 4, 4}));
  EXPECT_EQ(ECBlocks[39], (std::array<int32_t, 4>{25, 49, 68, 81}));
  for (int v = 0; v < 40; ++v)
    for (int level = 0; level < 4; ++level)
      EXPECT_EQ(ECCodewords[static_cast<size_t>(v)][static_cast<size_t>(level)] %
                    ECBlocks[static_cast<size_t>(v)][static_cast<size_t>(level)],
                0)
          << v + 1 << " " << level;
}

// The encoder takes exactly the codewords the tables leave for data. (The
// block counts are checked against the encoder's interleaving in the engine
// tests, where the codewords are read back.)
TEST(StandardTables, ErrorCorrectionCodewordsMatchTheEncodersCapacity) {
  for (int version = 1; version <= 40; ++version) {
    const int total = TArrangement(version).CodewordCount();
    for (int level = 0; level < 4; ++level)
      EXPECT_EQ(test::DataCodewordCount(version, level) +
                    ECCodewords[static_cast<size_t>(version - 1)][static_cast<size_t>(level)],
                total)
          << version << " " << level;
  }
}

TEST(StandardTables, SmallConstants) {
  EXPECT_EQ(std::string(ECLevelNames[0]) + ECLevelNames[1] + ECLevelNames[2] + ECLevelNames[3],
            "LMQH");
  EXPECT_EQ(FinderRatio, (std::array<int32_t, 5>{1, 1, 3, 1, 1}));
  EXPECT_EQ(FinderModules, 3 * 64);
  EXPECT_EQ(FormatModules, 2 * 15 + 1);
  EXPECT_EQ(VersionModules, 2 * 18);
  EXPECT_EQ(AlphanumericChars[36], ' ');
  EXPECT_EQ(AlphanumericChars[44], ':');
  EXPECT_EQ(std::string(AlphanumericChars).size(), 45u);
}

}  // namespace
}  // namespace vornak
