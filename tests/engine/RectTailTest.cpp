#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/Decorder.h"
#include "symbol/RectTables.h"
#include "symbol/Symbol.h"
#include "tests/support/ZintSymbol.h"

namespace vornak {
namespace {

using test::MakeRmqr;
using test::ZintSymbol;

// Texts that go into one mode each and one that mixes them; each symbol
// takes the longest start of a text that still fits, so that it is full to
// the last bit (or as full as whole characters make it).
struct TText {
  const char* Name;
  std::string Text;      // as handed to the encoder
  std::string Expected;  // the bytes the symbol holds for all of it
  bool Kanji;
};

const std::vector<TText>& Texts() {
  static const std::vector<TText> texts = [] {
    std::string digits, upper, bytes, mixed, kanjiUtf8, kanjiSjis;
    for (int i = 0; i < 20; ++i) {
      digits += "31415926535897932384";
      upper += "HELLO WORLD $%*+-./:0123";
      bytes += "rmqr, bytes & more {}~";
      mixed += "12345678ABCDEFGHxyz0123456789ABCdef";
    }
    // Shift JIS of 点茗 is 93 5F E4 AA.
    for (int i = 0; i < 60; ++i) {
      kanjiUtf8 += "\xE7\x82\xB9\xE8\x8C\x97";
      kanjiSjis += "\x93\x5F\xE4\xAA";
    }
    return std::vector<TText>{{"Numeric", digits, "", false},
                              {"Alphanumeric", upper, "", false},
                              {"Byte", bytes, "", false},
                              {"Mixed", mixed, "", false},
                              {"Kanji", kanjiUtf8, kanjiSjis, true}};
  }();
  return texts;
}

ZintSymbol Longest(const TText& text, int version, int level, std::string& expected) {
  const size_t step = text.Kanji ? 6 : 1;
  // Halve the length until it fits, then grow it back one step at a time.
  size_t fits = 0;
  for (size_t length = text.Text.size() / step * step; length >= step;
       length = length / 2 / step * step) {
    if (MakeRmqr(text.Text.substr(0, length), version, level, text.Kanji).Error.empty()) {
      fits = length;
      break;
    }
  }
  if (fits == 0) return {};
  while (fits + step <= text.Text.size() &&
         MakeRmqr(text.Text.substr(0, fits + step), version, level, text.Kanji).Error.empty())
    fits += step;
  expected = text.Kanji ? text.Expected.substr(0, fits / 6 * 4) : text.Text.substr(0, fits);
  return MakeRmqr(text.Text.substr(0, fits), version, level, text.Kanji);
}

std::string VersionName(int version) {
  const rmqr::TSize& size = rmqr::SizeOf(version);
  return "R" + std::to_string(size.Height) + "x" + std::to_string(size.Width);
}

class RectTail : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Every size and level, each text full to the last bit: exact bytes, no
// codeword changed.
TEST_P(RectTail, ReadsZintSymbolsFullToTheLastBit) {
  const int version = std::get<0>(GetParam());
  const int level = std::get<1>(GetParam());
  for (const TText& text : Texts()) {
    std::string expected;
    const ZintSymbol symbol = Longest(text, version, level, expected);
    // R7x43-H holds three data codewords: libzint fits no Kanji in them.
    if (text.Kanji && version == 1 && level == 3) continue;
    ASSERT_GT(symbol.Matrix.Width(), 0) << text.Name;
    ASSERT_EQ(symbol.Columns, rmqr::SizeOf(version).Width);
    ASSERT_EQ(symbol.Rows, rmqr::SizeOf(version).Height);
    TDecorder decorder;
    std::string decoded;
    ASSERT_EQ(decorder.DecodeMatrix(symbol.Matrix, symbol.Columns, symbol.Rows, decoded, {}), 0)
        << text.Name << ": " << decorder.ErrorText();
    EXPECT_EQ(decoded, expected) << text.Name;
    EXPECT_EQ(decorder.Kind(), TSymbolKind::kRect);
    EXPECT_EQ(decorder.Version(), version);
    EXPECT_EQ(decorder.Level(), level);
    EXPECT_EQ(decorder.CorrectedCodewords(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(EverySizeAndLevel, RectTail,
                         ::testing::Combine(::testing::Range(1, 33), ::testing::Values(1, 3)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                           return VersionName(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == 1 ? "_M" : "_H");
                         });

// The first module of each codeword in placement order, walked as the
// standard lays the strips: from the column left of the right edge, up
// then down, function modules stepped over.
std::vector<TPoint> CodewordStarts(int version) {
  const TArrangement map(TSymbolKind::kRect, version);
  std::vector<TPoint> starts;
  int bits = 0;
  for (int right = map.Width() - 2, strip = 0; right >= 1; right -= 2, ++strip)
    for (int k = 0; k < map.Height(); ++k) {
      const int y = strip % 2 == 0 ? map.Height() - 1 - k : k;
      for (int x : {right, right - 1}) {
        if (map.IsFunctionModule(x, y)) continue;
        if (bits % 8 == 0) starts.push_back({x, y});
        ++bits;
      }
    }
  return starts;
}

class RectCorrection : public ::testing::TestWithParam<std::tuple<int, int>> {};

// As many damaged codewords as every block corrects (after what is kept
// back against miscorrection): the text reads. Damage spread round the
// blocks: codeword k of the placement is in block k mod blocks.
TEST_P(RectCorrection, CorrectsWithinCapacity) {
  const int version = std::get<0>(GetParam());
  const int level = std::get<1>(GetParam());
  std::string expected;
  const ZintSymbol clean = Longest(Texts()[3], version, level, expected);
  ASSERT_GT(clean.Matrix.Width(), 0);
  const rmqr::TBlocks& blocks = rmqr::SizeOf(version).Blocks[level == 1 ? 0 : 1];
  const int total = rmqr::SizeOf(version).Codewords;
  const int length = total / blocks.Count;
  const int capacity = (blocks.Check - TDecorder::GuardedProtection(length, blocks.Check)) / 2;
  ASSERT_GE(capacity, 1);
  const std::vector<TPoint> starts = CodewordStarts(version);
  ASSERT_GE(static_cast<int>(starts.size()), total);

  TPlaneBoolean damaged = clean.Matrix;
  const int count = capacity * blocks.Count;
  for (int k = 0; k < count; ++k)
    damaged(starts[static_cast<size_t>(k)].X, starts[static_cast<size_t>(k)].Y) ^= 1;
  TDecorder decorder;
  std::string decoded;
  ASSERT_EQ(decorder.DecodeMatrix(damaged, clean.Columns, clean.Rows, decoded, {}), 0)
      << decorder.ErrorText();
  EXPECT_EQ(decoded, expected);
  EXPECT_EQ(decorder.CorrectedCodewords(), count);
}

INSTANTIATE_TEST_SUITE_P(SomeSizes, RectCorrection,
                         ::testing::Combine(::testing::Values(1, 5, 11, 16, 22, 26, 32),
                                            ::testing::Values(1, 3)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                           return VersionName(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == 1 ? "_M" : "_H");
                         });

// Either format copy alone names the symbol, with up to three of its bits
// wrong; a format naming another size refuses the matrix.
TEST(RectFormat, EitherCopyReadsAndAnotherSizeIsRefused) {
  std::string expected;
  const ZintSymbol symbol = Longest(Texts()[1], 20, 3, expected);  // R13x77-H
  ASSERT_GT(symbol.Matrix.Width(), 0);
  for (int spoilt = 1; spoilt <= 2; ++spoilt) {
    TPlaneBoolean damaged = symbol.Matrix;
    for (int i = 0; i < 18; ++i) {
      const TPoint p = TSymbol::RectFormatPosition(spoilt, i, symbol.Columns, symbol.Rows);
      damaged(p.X, p.Y) = static_cast<uint8_t>(i % 2);
    }
    const int kept = 3 - spoilt;
    for (int i : {0, 9, 17}) {
      const TPoint p = TSymbol::RectFormatPosition(kept, i, symbol.Columns, symbol.Rows);
      damaged(p.X, p.Y) ^= 1;
    }
    TDecorder decorder;
    std::string decoded;
    ASSERT_EQ(decorder.DecodeMatrix(damaged, symbol.Columns, symbol.Rows, decoded, {}), 0)
        << "copy " << kept;
    EXPECT_EQ(decoded, expected);
    EXPECT_EQ(decorder.FormatCopy(), kept);
    EXPECT_EQ(decorder.Level(), 3);
  }

  // Both copies rewritten to name R13x59 (version 19) at level H.
  TPlaneBoolean other = symbol.Matrix;
  for (int copy = 1; copy <= 2; ++copy) {
    const int mask = copy == 1 ? rmqr::FormatMaskFinder : rmqr::FormatMaskSubFinder;
    const int word = rmqr::FormatCodes[32 + 18] ^ mask;
    for (int i = 0; i < 18; ++i) {
      const TPoint p = TSymbol::RectFormatPosition(copy, i, symbol.Columns, symbol.Rows);
      other(p.X, p.Y) = static_cast<uint8_t>((word >> i) & 1);
    }
  }
  TDecorder decorder;
  std::string decoded;
  EXPECT_NE(decorder.DecodeMatrix(other, symbol.Columns, symbol.Rows, decoded, {}), 0);
}

// Random matrices of every rMQR size, with the function patterns and a
// valid format drawn in (so that only the blocks can refuse): none reads.
TEST(RectNoise, RandomDataDoesNotRead) {
  std::mt19937 random(20261210);
  TDecorder decorder;
  int read = 0;
  for (int round = 0; round < 1280; ++round) {
    const int version = 1 + round % 32;
    const int level = (round / 32) % 2 == 0 ? 1 : 3;
    const ZintSymbol symbol = MakeRmqr("1", version, level);
    ASSERT_TRUE(symbol.Error.empty());
    const TArrangement map(TSymbolKind::kRect, version);
    TPlaneBoolean noise = symbol.Matrix;
    for (int y = 0; y < symbol.Rows; ++y)
      for (int x = 0; x < symbol.Columns; ++x)
        if (!map.IsFunctionModule(x, y)) noise(x, y) = static_cast<uint8_t>(random() & 1);
    std::string text;
    if (decorder.DecodeMatrix(noise, symbol.Columns, symbol.Rows, text, {}) == 0) ++read;
  }
  EXPECT_EQ(read, 0);
}

// Sizes that are no rMQR size are refused, not read as anything.
TEST(RectSizes, OtherRectanglesAreRefused) {
  TDecorder decorder;
  std::string text;
  for (auto [w, h] : {std::pair{43, 8}, {45, 7}, {27, 7}, {139, 19}, {21, 25}}) {
    TPlaneBoolean plane(w, h);
    EXPECT_EQ(decorder.DecodeMatrix(plane, w, h, text, {}), TDecorder::kUnsupportedVersion)
        << w << " x " << h;
  }
}

}  // namespace
}  // namespace vornak
