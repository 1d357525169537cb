// The reference symbols themselves: what the encoders hand the other tests.
#include "tests/support/ReferenceSymbol.h"

#include <gtest/gtest.h>

namespace vornak::test {
namespace {

TEST(ReferenceSymbol, NumericVersion1MatchesTheStandardExample) {
  const ReferenceSymbol symbol = Make("01234567", 1, 1, 2);
  EXPECT_EQ(symbol.Version, 1);
  EXPECT_EQ(symbol.Level, 1);
  EXPECT_EQ(symbol.Mask, 2);
  ASSERT_EQ(symbol.Side(), 21);
  ASSERT_EQ(symbol.Matrix.Height(), 21);
  const std::vector<uint8_t> expected = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11,
                                         0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
  EXPECT_EQ(symbol.DataCodewords, expected);
  ASSERT_EQ(symbol.Codewords.size(), 26u);
  // One block: the data codewords come first, then the ten check codewords
  // of the standard's worked example.
  const std::vector<uint8_t> check = {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55};
  EXPECT_EQ(std::vector<uint8_t>(symbol.Codewords.begin(), symbol.Codewords.begin() + 16),
            expected);
  EXPECT_EQ(std::vector<uint8_t>(symbol.Codewords.begin() + 16, symbol.Codewords.end()), check);
}

TEST(ReferenceSymbol, MatrixHoldsTheFinderPatterns) {
  for (const int version : {1, 7, 40}) {
    const ReferenceSymbol symbol = Make("HELLO WORLD", version, 2, 5);
    const int n = symbol.Side();
    ASSERT_EQ(n, 4 * version + 17);
    for (const auto& [cx, cy] : {std::pair{3, 3}, std::pair{n - 4, 3}, std::pair{3, n - 4}}) {
      EXPECT_EQ(symbol.Matrix(cx, cy), 1);
      EXPECT_EQ(symbol.Matrix(cx - 2, cy), 0);
      EXPECT_EQ(symbol.Matrix(cx + 3, cy), 1);
    }
    // Separators are light; the dark module sits at (8, N - 8).
    EXPECT_EQ(symbol.Matrix(7, 7), 0);
    EXPECT_EQ(symbol.Matrix(8, n - 8), 1);
  }
}

TEST(ReferenceSymbol, ParametersOutOfRangeOrTooMuchDataAreRefused) {
  EXPECT_THROW(Make("1", 0, 0, 0), std::invalid_argument);
  EXPECT_THROW(Make("1", 41, 0, 0), std::invalid_argument);
  EXPECT_THROW(Make("1", 1, 4, 0), std::invalid_argument);
  EXPECT_THROW(Make("1", 1, 0, 8), std::invalid_argument);
  EXPECT_THROW(MakeBytes(std::vector<uint8_t>(20, 'a'), 1, 3, 0), std::invalid_argument);
  EXPECT_THROW(MakeFromDataCodewords(std::vector<uint8_t>(10, 0), 1, 0, 0), std::invalid_argument);
}

TEST(ReferenceSymbol, QrencodeKanjiStructuredAndEci) {
  // "漢字" in Shift JIS.
  const std::string kanji = "\x8A\xBF\x8E\x9A";
  const ReferenceSymbol symbol = MakeQrencode(kanji, 2, 1, true);
  EXPECT_EQ(symbol.Version, 2);
  EXPECT_EQ(symbol.Side(), 25);
  EXPECT_GE(symbol.Mask, 0);
  EXPECT_LE(symbol.Mask, 7);
  EXPECT_TRUE(symbol.DataCodewords.empty());

  const ReferenceSymbol eci = MakeQrencodeParts(
      {{QrencodeMode::Eci, "", 26}, {QrencodeMode::Byte, "caf\xC3\xA9", 0}}, 1, 0);
  EXPECT_EQ(eci.Version, 1);

  const std::vector<ReferenceSymbol> parts =
      MakeQrencodeStructured(std::string(100, 'A') + "abcdefghij", 1, 0, false);
  ASSERT_GE(parts.size(), 2u);
  for (const ReferenceSymbol& part : parts) EXPECT_EQ(part.Version, 1);
}

TEST(ReferenceSymbol, HandBuiltKanjiSegmentFitsTheEncoder) {
  const ReferenceSymbol symbol = MakeSegments({MakeKanjiSegment("\x8A\xBF\x8E\x9A")}, 1, 0, 3);
  // Mode 1000, count 2 in 8 bits, then 13 bits per character: 0x8ABF is
  // (0x09 * 0xC0 + 0x7F) = 1855 = 0 0111 0011 1111.
  ASSERT_GE(symbol.DataCodewords.size(), 3u);
  EXPECT_EQ(symbol.DataCodewords[0], 0x80);
  EXPECT_EQ(symbol.DataCodewords[1], 0x23);
  EXPECT_EQ(symbol.DataCodewords[2], 0x9F);
  EXPECT_THROW(MakeKanjiSegment("ab"), std::invalid_argument);
}

}  // namespace
}  // namespace vornak::test
