// Format reading against libqrcodegen symbols: both copies, up to three bit
// errors, and a recorded failure when neither copy can be corrected.
#include "symbol/Symbol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <numeric>
#include <random>
#include <stdexcept>

#include "symbol/BCH15_5.h"
#include "symbol/StandardTables.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

using test::ReferenceSymbol;

// Module of format bit i (bit 14 most significant), independent of the code
// under test: copy 1 around the top-left finder, copy 2 split between the
// top-right (bits 0-7) and bottom-left (bits 8-14) finders.
TPoint FormatModule(int copy, int i, int n) {
  if (copy == 1) {
    if (i < 6) return {8, i};
    if (i < 8) return {8, i + 1};
    if (i == 8) return {7, 8};
    return {14 - i, 8};
  }
  return i < 8 ? TPoint{n - 1 - i, 8} : TPoint{8, n - 15 + i};
}

void Flip(ReferenceSymbol& symbol, int copy, int bit) {
  const TPoint p = FormatModule(copy, bit, symbol.Side());
  symbol.Matrix(p.X, p.Y) ^= 1;
}

// Writes a 15-bit unmasked word into one copy.
void WriteCopy(ReferenceSymbol& symbol, int copy, int32_t word) {
  const int32_t masked = word ^ FormatMask;
  for (int i = 0; i < 15; ++i) {
    const TPoint p = FormatModule(copy, i, symbol.Side());
    symbol.Matrix(p.X, p.Y) = (masked >> i) & 1;
  }
}

std::vector<int> RandomBits(std::mt19937& random, int count) {
  std::vector<int> bits(15);
  std::iota(bits.begin(), bits.end(), 0);
  std::shuffle(bits.begin(), bits.end(), random);
  bits.resize(static_cast<size_t>(count));
  return bits;
}

// A random 15-bit word at least four bits away from every format codeword:
// a copy damaged beyond correction.
int32_t FarWord(std::mt19937& random) {
  for (;;) {
    const int32_t word = static_cast<int32_t>(random() & 0x7FFF);
    bool far = true;
    for (const int32_t code : FormatInfoCodes)
      far = far && std::popcount(static_cast<uint32_t>(word ^ code)) >= 4;
    if (far) return word;
  }
}

// The format codeword of a level index and mask.
int32_t Codeword(int level, int mask) {
  static constexpr int kLevelBits[] = {1, 0, 3, 2};
  return FormatInfoCodes[static_cast<size_t>((kLevelBits[level] << 3) | mask)];
}

void ExpectFormat(const TSymbol& symbol, const ReferenceSymbol& reference, int copy) {
  EXPECT_TRUE(symbol.FormatOk());
  EXPECT_EQ(symbol.FormatCopy(), copy);
  EXPECT_EQ(symbol.Version(), reference.Version);
  EXPECT_EQ(symbol.Level(), reference.Level);
  EXPECT_EQ(symbol.Mask(), reference.Mask);
}

TEST(SymbolSweep, EveryVersionLevelAndMaskWithDamagedFormatCopies) {
  std::mt19937 random(4711);
  TSymbol symbol;
  for (int version = 1; version <= 40; ++version) {
    for (int level = 0; level < 4; ++level) {
      const std::vector<uint8_t> data(static_cast<size_t>(test::DataCodewordCount(version, level)),
                                      0xA5);
      for (int mask = 0; mask < 8; ++mask) {
        SCOPED_TRACE(testing::Message()
                     << "version " << version << " level " << level << " mask " << mask);
        const ReferenceSymbol clean = test::MakeFromDataCodewords(data, version, level, mask);
        const int n = clean.Side();

        symbol.LoadMatrix(clean.Matrix, n, n);
        ExpectFormat(symbol, clean, 1);
        EXPECT_EQ(symbol.ECCodewordCount(),
                  ECCodewords[static_cast<size_t>(version - 1)][static_cast<size_t>(level)]);
        EXPECT_EQ(symbol.BlockCount(),
                  ECBlocks[static_cast<size_t>(version - 1)][static_cast<size_t>(level)]);

        // Up to three errors in the first copy: the clean second copy is
        // nearer and decides; with the second copy beyond reach as well, the
        // first copy is corrected.
        const int flips = 1 + (version + mask) % 3;
        ReferenceSymbol damaged = clean;
        for (const int bit : RandomBits(random, flips)) Flip(damaged, 1, bit);
        symbol.LoadMatrix(damaged.Matrix, n, n);
        ExpectFormat(symbol, clean, 2);
        WriteCopy(damaged, 2, FarWord(random));
        symbol.LoadMatrix(damaged.Matrix, n, n);
        ExpectFormat(symbol, clean, 1);

        // Four to six there, and the clean second copy decides, also when
        // the first copy has drifted within three bits of another codeword.
        // (Seven flips can land exactly on another codeword; that tie goes
        // to the first copy by rule.)
        damaged = clean;
        for (const int bit : RandomBits(random, 4 + (level + mask) % 3)) Flip(damaged, 1, bit);
        symbol.LoadMatrix(damaged.Matrix, n, n);
        ExpectFormat(symbol, clean, 2);

        damaged = clean;
        const int32_t right = Codeword(level, mask);
        int32_t wrong = -1;
        for (const int32_t code : FormatInfoCodes)
          if (wrong < 0 && std::popcount(static_cast<uint32_t>(code ^ right)) == 7) wrong = code;
        ASSERT_GE(wrong, 0);
        const int32_t differing = right ^ wrong;
        int32_t misleading = right;
        for (int i = 0, moved = 0; i < 15 && moved < 4; ++i)
          if ((differing >> i) & 1) misleading ^= 1 << i, ++moved;
        ASSERT_LE(std::popcount(static_cast<uint32_t>(misleading ^ wrong)), 3);
        WriteCopy(damaged, 1, misleading);
        symbol.LoadMatrix(damaged.Matrix, n, n);
        ExpectFormat(symbol, clean, 2);

        // Both copies beyond three errors: recorded, not guessed.
        WriteCopy(damaged, 1, FarWord(random));
        WriteCopy(damaged, 2, FarWord(random));
        symbol.LoadMatrix(damaged.Matrix, n, n);
        EXPECT_FALSE(symbol.FormatOk());
        EXPECT_EQ(symbol.FormatCopy(), 0);
        EXPECT_EQ(symbol.Version(), version);
      }
    }
  }
}

TEST(Symbol, LevelMMask5AndTheSecondCopyAlone) {
  ReferenceSymbol symbol = test::Make("FORMAT", 1, 1, 5);
  TSymbol reader;
  reader.LoadMatrix(symbol.Matrix, 21, 21);
  ExpectFormat(reader, symbol, 1);
  // 00101: level bits 00, mask 101; element 0 is bit 10.
  EXPECT_EQ(reader.FormatBits(), (TBooleans{true, false, true, false, false}));
  // Any damage to the second copy changes nothing while the first is clean.
  for (int i = 0; i < 15; ++i) Flip(symbol, 2, i);
  reader.LoadMatrix(symbol.Matrix, 21, 21);
  ExpectFormat(reader, symbol, 1);
}

TEST(Symbol, EqualDistanceGoesToTheFirstCopy) {
  const ReferenceSymbol clean = test::Make("TIE", 3, 2, 6);
  const int32_t right = Codeword(2, 6);
  const int32_t other = Codeword(0, 1);
  TSymbol reader;

  // Two errors in each copy, the second copy near another codeword.
  ReferenceSymbol symbol = clean;
  WriteCopy(symbol, 1, right ^ 0x0101);
  WriteCopy(symbol, 2, other ^ 0x1010);
  reader.LoadMatrix(symbol.Matrix, symbol.Side(), symbol.Side());
  ExpectFormat(reader, clean, 1);

  // One error fewer in the second copy: the nearer copy decides.
  WriteCopy(symbol, 2, other ^ 0x0010);
  reader.LoadMatrix(symbol.Matrix, symbol.Side(), symbol.Side());
  EXPECT_TRUE(reader.FormatOk());
  EXPECT_EQ(reader.FormatCopy(), 2);
  EXPECT_EQ(reader.Level(), 0);
  EXPECT_EQ(reader.Mask(), 1);
}

TEST(Symbol, MalformedMatricesAreRefused) {
  TSymbol reader;
  const ReferenceSymbol symbol = test::Make("X", 2, 0, 0);
  EXPECT_THROW(reader.LoadMatrix(symbol.Matrix, 25, 21), std::invalid_argument);
  EXPECT_THROW(reader.LoadMatrix(symbol.Matrix, 24, 24), std::invalid_argument);
  EXPECT_THROW(reader.LoadMatrix(symbol.Matrix, 13, 13), std::invalid_argument);
  EXPECT_THROW(reader.LoadMatrix(symbol.Matrix, 181, 181), std::invalid_argument);
  EXPECT_THROW(reader.LoadMatrix(symbol.Matrix, 29, 29), std::invalid_argument);
  EXPECT_EQ(reader.Module(), nullptr);
  EXPECT_FALSE(reader.FormatOk());
  EXPECT_EQ(reader.Version(), 0);
  EXPECT_EQ(reader.ECCodewordCount(), 0);
  EXPECT_EQ(reader.BlockCount(), 0);
  // A good load afterwards works as usual.
  reader.LoadMatrix(symbol.Matrix, 25, 25);
  ExpectFormat(reader, symbol, 1);
  EXPECT_EQ(reader.Module()->GetRaw(0, 0), 1);
}

TEST(BCH15_5, NearestWithinThreeBits) {
  for (int d = 0; d < 32; ++d) {
    const int32_t code = FormatInfoCodes[static_cast<size_t>(d)];
    TBooleans bits(15);
    int32_t received = code ^ 0b100000100000001;  // three errors
    for (int i = 0; i < 15; ++i) bits[static_cast<size_t>(i)] = ((received >> i) & 1) != 0;
    TBCH15_5 decoder(bits);
    EXPECT_EQ(decoder.Received(), received);
    TBooleans out;
    decoder.Decode(out);
    EXPECT_FALSE(decoder.Failed());
    EXPECT_EQ(decoder.Codeword(), code);
    EXPECT_EQ(decoder.Distance(), 3);
    ASSERT_EQ(out.size(), 15u);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], ((code >> i) & 1) != 0);
  }
}

TEST(BCH15_5, FourErrorsFromEveryCodewordFailLikeMinusOne) {
  // The first word at least four bits from every codeword.
  int32_t word = -1;
  for (int32_t candidate = 0; candidate < 0x8000 && word < 0; ++candidate) {
    bool far = true;
    for (const int32_t code : FormatInfoCodes)
      far = far && TBCH15_5::HammingDistance(candidate, code) >= 4;
    if (far) word = candidate;
  }
  ASSERT_GE(word, 0);
  TBooleans bits(15);
  for (int i = 0; i < 15; ++i) bits[static_cast<size_t>(i)] = ((word >> i) & 1) != 0;
  TBCH15_5 decoder(bits);
  TBooleans out;
  decoder.Decode(out);
  EXPECT_TRUE(decoder.Failed());
  EXPECT_EQ(decoder.Codeword(), -1);
  ASSERT_EQ(out.size(), 15u);
  EXPECT_FALSE(out[0]);
  for (int i = 1; i < 15; ++i) EXPECT_TRUE(out[static_cast<size_t>(i)]);
  EXPECT_EQ(TBCH15_5::Nearest(word), -1);
}

}  // namespace
}  // namespace vornak
