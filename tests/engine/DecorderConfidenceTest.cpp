#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/Decorder.h"
#include "symbol/Arrangement.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

using test::ReferenceSymbol;

struct TRegion {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool Holds(int x, int y) const { return x >= X && y >= Y && x < X + Width && y < Y + Height; }
};

// Everything a decode leaves behind that a caller can see.
struct TOutcome {
  int32_t Code = -1;
  std::string Text;
  std::string ErrorText;
  TIntegers Codewords;
  TIntegers DataCodewords;
  std::vector<TIntegers> Blocks;
  std::vector<TIntegers> ShortBlocks;
  std::vector<TIntegers> LongBlocks;
  int32_t Corrected = -1;
  int32_t Failed = -1;
  bool operator==(const TOutcome&) const = default;
};

TOutcome Decode(TDecorder& decorder, const TPlaneBoolean& matrix, int size,
                const TPlaneConfidence* confidence, bool withOverload) {
  TOutcome outcome;
  outcome.Text = "caller's text";
  outcome.Code = withOverload ? decorder.DecodeMatrix(matrix, size, outcome.Text, confidence)
                              : decorder.DecodeMatrix(matrix, size, outcome.Text);
  outcome.ErrorText = decorder.ErrorText();
  outcome.Codewords = decorder.Codewords();
  outcome.DataCodewords = decorder.DataCodewords();
  outcome.Blocks = decorder.Blocks();
  outcome.ShortBlocks = decorder.ShortBlocks();
  outcome.LongBlocks = decorder.LongBlocks();
  outcome.Corrected = decorder.CorrectedCodewords();
  outcome.Failed = decorder.FailedBlocks();
  return outcome;
}

// A symbol with modules flipped in a region (every one, or at random) and
// the confidence plane that doubts the given region, certain elsewhere.
TPlaneBoolean Damaged(const ReferenceSymbol& symbol, const TRegion& region, bool everyModule,
                      std::mt19937& random) {
  TPlaneBoolean matrix = symbol.Matrix;
  for (int y = 0; y < matrix.Height(); ++y)
    for (int x = 0; x < matrix.Width(); ++x)
      if (region.Holds(x, y) && (everyModule || random() % 2 == 0))
        matrix(x, y) = matrix(x, y) ? 0 : 1;
  return matrix;
}

TPlaneConfidence Doubting(int side, const TRegion& region) {
  TPlaneConfidence confidence(side, side, 255);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      if (region.Holds(x, y)) confidence(x, y) = 0;
  return confidence;
}

TEST(DecorderConfidenceTest, ModuleDoubtRanksConfidence) {
  EXPECT_EQ(TDecorder::ModuleDoubt(255), 0);
  EXPECT_EQ(TDecorder::ModuleDoubt(0), 1024);  // a coin toss: one bit
  for (int c = 1; c < 256; ++c) EXPECT_LT(TDecorder::ModuleDoubt(c), TDecorder::ModuleDoubt(c - 1));
  EXPECT_EQ(TDecorder::ModuleDoubt(-5), 1024);
  EXPECT_EQ(TDecorder::ModuleDoubt(300), 0);
}

// A codeword's doubt sums the doubts of the modules its bits were read
// from, in placement order as the test walks it.
TEST(DecorderConfidenceTest, CodewordDoubtFollowsThePlacement) {
  const ReferenceSymbol symbol = test::Make("PLACEMENT 1234567", 5, 2, 4);
  const auto modules = test::CodewordModules(5);
  const int side = symbol.Side();
  std::mt19937 random(17);
  for (size_t k : {size_t{0}, size_t{37}, modules.size() - 1}) {
    TPlaneConfidence confidence(side, side, 255);
    int32_t expected = 0;
    for (const TPoint& p : modules[k]) {
      const auto c = static_cast<uint8_t>(random() % 255);
      confidence(p.X, p.Y) = c;
      expected += TDecorder::ModuleDoubt(c);
    }
    TDecorder decorder;
    std::string text;
    ASSERT_EQ(decorder.DecodeMatrix(symbol.Matrix, side, text, &confidence), 0);
    EXPECT_EQ(text, "PLACEMENT 1234567");
    const TIntegers& doubt = decorder.CodewordDoubt();
    ASSERT_EQ(doubt.size(), modules.size());
    for (size_t i = 0; i < doubt.size(); ++i)
      EXPECT_EQ(doubt[i], i == k ? expected : 0) << "codeword " << i << " marked " << k;
  }
  // Without confidence there is none.
  TDecorder decorder;
  std::string text;
  ASSERT_EQ(decorder.DecodeMatrix(symbol.Matrix, side, text), 0);
  EXPECT_TRUE(decorder.CodewordDoubt().empty());
}

// nullptr, a plane of full certainty and a plane too small to cover the
// symbol all decode exactly as the overload without confidence: clean
// symbols, symbols with errors within and beyond capacity, noise.
TEST(DecorderConfidenceTest, NoUsableDoubtDecodesAsWithout) {
  std::mt19937 random(2718);
  TDecorder plain;
  TDecorder soft;
  int decoded = 0;
  int failed = 0;
  for (int version : {1, 2, 4, 7, 10, 16, 27}) {
    for (int level = 0; level < 4; ++level) {
      const std::string text = "SAME " + std::to_string(version * 10 + level);
      const ReferenceSymbol symbol = test::Make(text, version, level, (version + level) % 8);
      const int side = symbol.Side();
      const TPlaneConfidence certain(side, side, 255);
      const TPlaneConfidence small(side - 1, side, 0);
      for (int flips : {0, side / 4, side, side * 3, side * side / 3}) {
        TPlaneBoolean matrix = symbol.Matrix;
        for (int i = 0; i < flips; ++i) {
          uint8_t& module = matrix(static_cast<int>(random() % static_cast<unsigned>(side)),
                                   static_cast<int>(random() % static_cast<unsigned>(side)));
          module = module ? 0 : 1;
        }
        const TOutcome expected = Decode(plain, matrix, side, nullptr, false);
        EXPECT_EQ(Decode(soft, matrix, side, nullptr, true), expected) << version << "-" << level;
        EXPECT_EQ(soft.ErasedCodewords(), 0);
        EXPECT_EQ(Decode(soft, matrix, side, &certain, true), expected) << version << "-" << level;
        EXPECT_EQ(soft.ErasedCodewords(), 0);
        EXPECT_EQ(Decode(soft, matrix, side, &small, true), expected) << version << "-" << level;
        EXPECT_TRUE(soft.CodewordDoubt().empty());
        if (expected.Code == 0) {
          ++decoded;
          EXPECT_EQ(expected.Text, text);
        } else {
          ++failed;
        }
      }
    }
  }
  // Sizes that are no symbol, with and without a plane.
  const TPlaneBoolean odd(30, 30, 0);
  const TPlaneConfidence oddConfidence(30, 30, 0);
  EXPECT_EQ(Decode(soft, odd, 30, &oddConfidence, true), Decode(plain, odd, 30, nullptr, false));
  EXPECT_GT(decoded, 50);
  EXPECT_GT(failed, 30);
}

// Modules in one region inverted or scrambled, beyond what errors-only
// correction repairs; doubting exactly that region gives the text back.
TEST(DecorderConfidenceTest, DoubtedDamageDecodesWhereItFailsWithout) {
  std::mt19937 random(55);
  int rescued = 0;
  struct TCase {
    int Version;
    int Level;
  };
  for (const TCase c : {TCase{5, 3}, TCase{10, 2}, TCase{10, 3}, TCase{22, 1}, TCase{40, 3}}) {
    const std::string text = "ERASED " + std::to_string(c.Version) + " " + std::to_string(c.Level);
    const ReferenceSymbol symbol = test::Make(text, c.Version, c.Level, c.Version % 8);
    const int side = symbol.Side();
    for (bool everyModule : {true, false}) {
      // A band across the lower right part of the symbol (clear of the
      // format information), grown row by row until errors-only
      // correction gives up; the first such band must be within reach of
      // the erasures.
      TDecorder decorder;
      bool failedWithout = false;
      for (int rows = 1; rows < side / 2 && !failedWithout; ++rows) {
        const TRegion region{side / 3, side - 1 - rows, side - side / 3, rows};
        const TPlaneBoolean matrix = Damaged(symbol, region, everyModule, random);
        std::string decoded = "caller's text";
        if (decorder.DecodeMatrix(matrix, side, decoded) == 0) {
          EXPECT_EQ(decoded, text);
          continue;
        }
        failedWithout = true;
        EXPECT_EQ(decoded, "caller's text");
        EXPECT_GT(decorder.FailedBlocks(), 0);
        const TPlaneConfidence confidence = Doubting(side, region);
        ASSERT_EQ(decorder.DecodeMatrix(matrix, side, decoded, &confidence), 0)
            << c.Version << "-" << c.Level << " rows " << rows;
        EXPECT_EQ(decoded, text);
        EXPECT_EQ(decorder.FailedBlocks(), 0);
        EXPECT_GT(decorder.ErasedCodewords(), 0);
        EXPECT_GT(decorder.CorrectedCodewords(), 0);
        ++rescued;
      }
      EXPECT_TRUE(failedWithout) << c.Version << "-" << c.Level;
    }
  }
  EXPECT_EQ(rescued, 10);
}

// Doubt in the wrong place: a damaged region left certain and clean
// modules doubted, or doubt scattered at random over a damaged symbol.
// Whatever the decoder makes of it, the text is the symbol's or none.
TEST(DecorderConfidenceTest, MisplacedDoubtNeverGivesWrongText) {
  std::mt19937 random(8080);
  TDecorder decorder;
  int right = 0;
  int withErasures = 0;
  int refused = 0;
  int wrong = 0;
  for (int version : {1, 2, 3, 6, 9, 14}) {
    for (int level = 0; level < 4; ++level) {
      const std::string text = "MP " + std::to_string(version * 10 + level);
      const ReferenceSymbol symbol = test::Make(text, version, level, (version * 3 + level) % 8);
      const int side = symbol.Side();
      for (int round = 0; round < 24; ++round) {
        const int rows = 1 + static_cast<int>(random() % static_cast<unsigned>(side / 3));
        const TRegion damage{side / 3, side - 1 - rows, side - side / 3, rows};
        const TPlaneBoolean matrix = Damaged(symbol, damage, round % 2 == 0, random);
        TPlaneConfidence confidence(side, side, 255);
        const TRegion clean{side / 2, 0, side - side / 2, rows + 2};
        switch (round % 4) {
          case 0:  // clean modules doubted instead: a band at the top right
            confidence = Doubting(side, clean);
            break;
          case 1:  // doubt scattered at random
            for (uint8_t& c : confidence.Data())
              c = static_cast<uint8_t>(random() % 3 == 0 ? random() % 256 : 255);
            break;
          default:  // part of the damage doubted, the band shifted left, and clean modules
            confidence = Doubting(side, TRegion{damage.X - side / 4, damage.Y, damage.Width, rows});
            for (int y = clean.Y; y < clean.Y + clean.Height; ++y)
              for (int x = clean.X; x < side; ++x) confidence(x, y) = 0;
            break;
        }
        std::string decoded = "caller's text";
        const int32_t code = decorder.DecodeMatrix(matrix, side, decoded, &confidence);
        if (code != 0) {
          ++refused;
          EXPECT_EQ(decoded, "caller's text");
        } else if (decoded == text) {
          ++right;
          if (decorder.ErasedCodewords() > 0) ++withErasures;
        } else {
          ++wrong;
        }
      }
    }
  }
  RecordProperty("right", right);
  RecordProperty("withErasures", withErasures);
  RecordProperty("refused", refused);
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(withErasures, 0);  // the retry did run on some
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace vornak
