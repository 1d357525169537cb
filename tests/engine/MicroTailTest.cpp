#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/Decorder.h"
#include "symbol/MicroTables.h"
#include "symbol/Symbol.h"
#include "tests/support/ZintSymbol.h"

namespace vornak {
namespace {

using test::MakeMicroQr;
using test::ZintSymbol;

// One Micro QR symbol number: M1, M2-L .. M4-Q.
struct TMicroCase {
  int Version;
  int Level;  // 0 L, 1 M, 2 Q
  const char* Name;
};

const std::vector<TMicroCase>& MicroCases() {
  static const std::vector<TMicroCase> cases = {{1, 0, "M1"},   {2, 0, "M2_L"}, {2, 1, "M2_M"},
                                                {3, 0, "M3_L"}, {3, 1, "M3_M"}, {4, 0, "M4_L"},
                                                {4, 1, "M4_M"}, {4, 2, "M4_Q"}};
  return cases;
}

// Texts that go into one mode each, and one that mixes them; each case
// takes the longest start of a text that still fits, so that the symbols
// are full to the last bit.
struct TText {
  const char* Name;
  std::string Text;      // as handed to the encoder
  std::string Expected;  // the bytes the symbol holds for all of it
  bool Kanji;
};

const std::vector<TText>& Texts() {
  // Shift JIS of 点茗 is 93 5F E4 AA.
  std::string kanjiUtf8, kanjiSjis;
  for (int i = 0; i < 10; ++i) {
    kanjiUtf8 += "\xE7\x82\xB9\xE8\x8C\x97";
    kanjiSjis += "\x93\x5F\xE4\xAA";
  }
  static const std::vector<TText> texts = {
      {"Numeric", "31415926535897932384626433832795028841", "", false},
      {"Alphanumeric", "HELLO WORLD $%*+-./:0123ABCDEFGHIJKLMNOP", "", false},
      {"Byte", "micro qr, bytes & more: {}~\x01\xFF", "", false},
      {"Mixed", "12345678ABCDEFGHxyz0123456789ABCdef", "", false},
      {"Kanji", kanjiUtf8, kanjiSjis, true},
  };
  return texts;
}

// The longest start of a text (whole characters) the encoder fits into the
// symbol; an empty symbol when not even one character does.
ZintSymbol Longest(const TText& text, const TMicroCase& c, std::string& expected) {
  const size_t step = text.Kanji ? 6 : 1;
  for (size_t length = text.Text.size(); length >= step; length -= step) {
    ZintSymbol symbol = MakeMicroQr(text.Text.substr(0, length), c.Version,
                                    c.Version == 1 ? 0 : c.Level + 1, text.Kanji);
    if (symbol.Error.empty() && symbol.Columns == micro::SymbolSide(c.Version)) {
      expected = text.Kanji ? text.Expected.substr(0, length / 6 * 4) : text.Text.substr(0, length);
      return symbol;
    }
  }
  return {};
}

// The symbol numbers and modes that go together: M1 holds digits only, M2
// no bytes or Kanji.
std::vector<std::tuple<int, int>> Pairs() {
  std::vector<std::tuple<int, int>> pairs;
  for (int c = 0; c < 8; ++c)
    for (int t = 0; t < 5; ++t) {
      const int version = MicroCases()[static_cast<size_t>(c)].Version;
      if (version == 1 && t != 0 && t != 3) continue;
      if (version == 2 && (t == 2 || t == 4)) continue;
      pairs.emplace_back(c, t);
    }
  return pairs;
}

class MicroTail : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(MicroTail, ReadsZintSymbolsFullToTheLastBit) {
  const TMicroCase& c = MicroCases()[static_cast<size_t>(std::get<0>(GetParam()))];
  const TText& text = Texts()[static_cast<size_t>(std::get<1>(GetParam()))];
  std::string expected;
  const ZintSymbol symbol = Longest(text, c, expected);
  ASSERT_GT(symbol.Matrix.Width(), 0) << c.Name << " " << text.Name;
  TDecorder decorder;
  std::string decoded;
  ASSERT_EQ(decorder.DecodeMatrix(symbol.Matrix, symbol.Columns, decoded), 0)
      << c.Name << " " << text.Name << ": " << decorder.ErrorText();
  EXPECT_EQ(decoded, expected);
  EXPECT_EQ(decorder.Kind(), TSymbolKind::kMicro);
  EXPECT_EQ(decorder.Version(), c.Version);
  EXPECT_EQ(decorder.Level(), c.Level);
  EXPECT_EQ(decorder.CorrectedCodewords(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryVersionLevelAndMode, MicroTail, ::testing::ValuesIn(Pairs()),
    [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
      return std::string(MicroCases()[static_cast<size_t>(std::get<0>(info.param))].Name) + "_" +
             Texts()[static_cast<size_t>(std::get<1>(info.param))].Name;
    });

class MicroCorrection : public ::testing::TestWithParam<int> {};

// Damage as many codewords as the level corrects (after the misdecode
// reserve), each in one module of its own: the text still reads. M1 only
// detects errors: any damage fails, never reads as another text.
TEST_P(MicroCorrection, CorrectsWithinCapacityAndRefusesBeyond) {
  const TMicroCase& c = MicroCases()[static_cast<size_t>(GetParam())];
  std::string expected;
  const ZintSymbol clean = Longest(Texts()[0], c, expected);
  ASSERT_GT(clean.Matrix.Width(), 0);
  const micro::TSymbolNumber& number = micro::SymbolNumbers[static_cast<size_t>(GetParam())];
  const int capacity = (number.Check - number.Protection) / 2;

  // The first module of each codeword in placement order: walk the strips
  // as the standard lays them, from the bottom-right corner.
  TArrangement map(TSymbolKind::kMicro, c.Version);
  std::vector<TPoint> firsts;
  const int side = clean.Columns;
  int bits = 0;
  for (int right = side - 1, strip = 0; right >= 1; right -= 2, ++strip) {
    for (int k = 0; k < side; ++k) {
      const int y = strip % 2 == 0 ? side - 1 - k : k;
      for (int x : {right, right - 1}) {
        if (map.IsFunctionModule(x, y)) continue;
        if (bits % 8 == 0 && bits < 8 * (number.Data - 1)) firsts.push_back({x, y});
        ++bits;
      }
    }
  }
  ASSERT_GE(static_cast<int>(firsts.size()), capacity + 1);

  TDecorder decorder;
  std::string decoded;
  TPlaneBoolean damaged = clean.Matrix;
  for (int e = 0; e < capacity; ++e)
    damaged(firsts[static_cast<size_t>(e)].X, firsts[static_cast<size_t>(e)].Y) ^= 1;
  ASSERT_EQ(decorder.DecodeMatrix(damaged, side, decoded), 0) << c.Name;
  EXPECT_EQ(decoded, expected);
  EXPECT_EQ(decorder.CorrectedCodewords(), capacity);

  // One more than the capacity: refused (or, at worst, never a wrong text).
  damaged(firsts[static_cast<size_t>(capacity)].X, firsts[static_cast<size_t>(capacity)].Y) ^= 1;
  decoded.clear();
  const int32_t code = decorder.DecodeMatrix(damaged, side, decoded);
  if (code == 0) {
    EXPECT_EQ(decoded, expected);
  }
  if (c.Version == 1) {
    EXPECT_NE(code, 0) << "M1 detects, it does not correct";
  }
}

INSTANTIATE_TEST_SUITE_P(EverySymbolNumber, MicroCorrection, ::testing::Range(0, 8),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(MicroCases()[static_cast<size_t>(info.param)].Name);
                         });

TEST(MicroFormat, ReadsWithThreeFormatBitsWrongAndNamesTheSymbol) {
  for (const TMicroCase& c : MicroCases()) {
    std::string expected;
    const ZintSymbol symbol = Longest(Texts()[0], c, expected);
    ASSERT_GT(symbol.Matrix.Width(), 0);
    TPlaneBoolean damaged = symbol.Matrix;
    for (int i : {0, 7, 14}) {
      const TPoint p = TSymbol::MicroFormatPosition(i);
      damaged(p.X, p.Y) ^= 1;
    }
    TDecorder decorder;
    std::string decoded;
    ASSERT_EQ(decorder.DecodeMatrix(damaged, symbol.Columns, decoded), 0) << c.Name;
    EXPECT_EQ(decoded, expected) << c.Name;
    EXPECT_EQ(decorder.SymbolNumber(), static_cast<int>(&c - MicroCases().data())) << c.Name;
  }
}

// Random matrices of every Micro QR side: none may read.
TEST(MicroNoise, RandomMatricesDoNotRead) {
  std::mt19937 random(20261210);
  TDecorder decorder;
  int read = 0;
  for (int round = 0; round < 4000; ++round) {
    const int side = 11 + 2 * (round % 4);
    TPlaneBoolean noise(side, side);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) noise(x, y) = static_cast<uint8_t>(random() & 1);
    std::string text;
    if (decorder.DecodeMatrix(noise, side, text) == 0) ++read;
  }
  EXPECT_EQ(read, 0);
}

}  // namespace
}  // namespace vornak
