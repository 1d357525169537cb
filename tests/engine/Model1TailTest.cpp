// QR Code Model 1 through the tail: symbols of the reference builder (every
// version and level its table has blocks for) read exactly, also with
// errors up to the blocks' capacity; a table that gives a block too few
// check codewords, and Model 2 symbols dressed as Model 1, do not read; the
// classic pipeline leaves Model 1 alone.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/DataBlockReader.h"
#include "engine/Decorder.h"
#include "engine/Vornak.h"
#include "symbol/Model1Tables.h"
#include "symbol/StandardTables.h"
#include "tests/support/Model1Symbol.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

using test::MakeModel1;
using test::Model1Symbol;

struct TEntry {
  int Version;
  int Level;
};

std::vector<TEntry> BuildableEntries() {
  std::vector<TEntry> entries;
  for (int v = model1::kMinVersion; v <= model1::kMaxVersion; ++v)
    for (int level = 0; level < 4; ++level)
      if (model1::Level(v, level).Blocks > 0) entries.push_back({v, level});
  return entries;
}

std::string EntryName(const testing::TestParamInfo<TEntry>& info) {
  return "V" + std::to_string(info.param.Version) + "_" +
         ECLevelNames[static_cast<size_t>(info.param.Level)];
}

// A text of letters, digits and bytes filling about two thirds of the data.
std::string TextFor(const TEntry& entry) {
  const int bytes = model1::Level(entry.Version, entry.Level).Data * 2 / 3;
  std::string text = "Model 1 v" + std::to_string(entry.Version) + " ";
  for (int i = 0; static_cast<int>(text.size()) < bytes; ++i)
    text += i % 3 == 0 ? "31415926" : (i % 3 == 1 ? "ALPHA-NUMERIC " : "bytes~");
  return text.substr(0, static_cast<size_t>(bytes));
}

int MaskFor(const TEntry& entry) { return (entry.Version * 3 + entry.Level) % 8; }

// Codeword indices of block b in placement order: its data, then its check.
std::vector<int> BlockIndices(int version, int level, int b) {
  const model1::TLevelEntry& entry = model1::Level(version, level);
  const int total = model1::Codewords(version);
  const int check = (total - entry.Data) / entry.Blocks;
  const int shortData = entry.Data / entry.Blocks;
  const int longCount = entry.Data % entry.Blocks;
  std::vector<int> indices;
  int at = 0;
  for (int i = 0; i < b; ++i) at += shortData + (i >= entry.Blocks - longCount ? 1 : 0);
  const int own = shortData + (b >= entry.Blocks - longCount ? 1 : 0);
  for (int j = 0; j < own; ++j) indices.push_back(at + j);
  for (int j = 0; j < check; ++j) indices.push_back(entry.Data + b * check + j);
  return indices;
}

class Model1TailTest : public testing::TestWithParam<TEntry> {};

TEST_P(Model1TailTest, ReadsExactly) {
  const TEntry entry = GetParam();
  const std::string text = TextFor(entry);
  const Model1Symbol symbol = MakeModel1(text, entry.Version, entry.Level, MaskFor(entry));
  TDecorder decorder;
  std::string read;
  ASSERT_EQ(decorder.DecodeMatrix(symbol.Matrix, symbol.Matrix.Width(), read), 0)
      << decorder.ErrorText();
  EXPECT_EQ(read, text);
  EXPECT_EQ(decorder.Kind(), TSymbolKind::kModel1);
  EXPECT_EQ(decorder.Version(), entry.Version);
  EXPECT_EQ(decorder.Level(), entry.Level);
  EXPECT_EQ(decorder.Mask(), MaskFor(entry));
  EXPECT_EQ(decorder.CorrectedCodewords(), 0);
}

TEST_P(Model1TailTest, CorrectsErrorsUpToEachBlocksCapacity) {
  const TEntry entry = GetParam();
  const std::string text = TextFor(entry);
  Model1Symbol symbol = MakeModel1(text, entry.Version, entry.Level, MaskFor(entry));
  const int blocks = model1::Level(entry.Version, entry.Level).Blocks;
  const int check =
      (model1::Codewords(entry.Version) - model1::Level(entry.Version, entry.Level).Data) / blocks;
  const int errors = (check - TDecorder::MisdecodeProtection(entry.Version, entry.Level)) / 2;
  int flipped = 0;
  for (int b = 0; b < blocks; ++b) {
    const std::vector<int> indices = BlockIndices(entry.Version, entry.Level, b);
    // Every other codeword of the block from the end, one module each.
    for (int k = 0; k < errors; ++k) {
      const int index = indices[indices.size() - 1 - static_cast<size_t>(2 * k) % indices.size()];
      const TPoint p = symbol.Modules[static_cast<size_t>(index)].back();
      symbol.Matrix(p.X, p.Y) ^= 1;
      ++flipped;
    }
  }
  TDecorder decorder;
  std::string read;
  ASSERT_EQ(decorder.DecodeMatrix(symbol.Matrix, symbol.Matrix.Width(), read), 0)
      << decorder.ErrorText();
  EXPECT_EQ(read, text);
  EXPECT_EQ(decorder.CorrectedCodewords(), flipped);
}

INSTANTIATE_TEST_SUITE_P(EveryEntry, Model1TailTest, testing::ValuesIn(BuildableEntries()),
                         EntryName);

TEST(Model1Tail, ABlockWithMoreCheckCodewordsThanTheTableSaysIsRefused) {
  // Fourteen bytes fill 1-M's sixteen data codewords without a terminator.
  // Read as 1-L, the block is a codeword of 1-L's seven check codewords as
  // well (the ten of 1-M include their roots), and its three extra "data"
  // codewords run on as a segment: for this text, an alphanumeric "XZ".
  const std::string text = "fourteen byall";
  Model1Symbol symbol = MakeModel1(text, 1, 1, 2);
  const std::vector<uint8_t> first19(symbol.Codewords.begin(), symbol.Codewords.begin() + 19);
  const TIntegers asLevelL(first19.begin(), first19.end());
  TDataBlockReader runOn(asLevelL, 19, TSymbolKind::kModel1, 1);
  std::string wrong;
  ASSERT_TRUE(runOn.Decode(wrong));
  ASSERT_EQ(wrong, text + "XZ");

  TDecorder decorder;
  std::string read;
  ASSERT_EQ(decorder.DecodeMatrix(symbol.Matrix, symbol.Matrix.Width(), read), 0);
  ASSERT_EQ(read, text);
  test::SetModel1FormatLevel(symbol, 0);
  read = "unchanged";
  EXPECT_NE(decorder.DecodeMatrix(symbol.Matrix, symbol.Matrix.Width(), read), 0);
  EXPECT_EQ(read, "unchanged");
}

TEST(Model1Tail, TheClassicPipelineDoesNotReadModel1) {
  const std::string text = "MODEL 1 STAYS OUT OF THE CLASSIC PIPELINE";
  const Model1Symbol symbol = MakeModel1(text, 3, 1, 4);
  test::TRenderOptions options;
  options.ModuleSize = 4;
  const TBitmap bitmap = test::RenderBitmap(symbol.Matrix, options);
  TVornak classic;
  classic.SetClassic(true);
  EXPECT_FALSE(classic.Decode(bitmap));
  TVornak vornak;
  ASSERT_TRUE(vornak.Decode(bitmap)) << vornak.ErrorText();
  EXPECT_EQ(vornak.ResultText(), text);
  EXPECT_EQ(vornak.Kind(), TSymbolKind::kModel1);
  EXPECT_EQ(vornak.Version(), 3);
}

// A Model 2 symbol of libqrcodegen with its format under the Model 1 mask
// and Model 1's extension patterns and corner drawn over it passes every
// check before the blocks; its codewords are no Model 1 codewords, so it
// must not read as Model 1 (a Model 2 reading of its own text is allowed).
class Model1DressedModel2Test : public testing::TestWithParam<TEntry> {};

TEST_P(Model1DressedModel2Test, DoesNotReadAsModel1) {
  const TEntry entry = GetParam();
  const std::string text = "M2 V" + std::to_string(entry.Version);
  test::ReferenceSymbol symbol = test::Make(text, entry.Version, entry.Level, MaskFor(entry));
  TPlaneBoolean& m = symbol.Matrix;
  const int side = symbol.Side();
  const int swap = FormatMask ^ model1::FormatMask;
  for (int copy = 1; copy <= 2; ++copy)
    for (int i = 0; i < 15; ++i) {
      const TPoint p = TSymbol::FormatPosition(copy, i, side);
      m(p.X, p.Y) ^= static_cast<uint8_t>((swap >> i) & 1);
    }
  for (int k = 0; k < model1::ExtensionCount(entry.Version); ++k) {
    const int p = model1::ExtensionPosition(entry.Version, k);
    for (int i = p; i < p + 4; ++i) {
      m(side - 1, i) = 1;
      m(side - 2, i) = 0;
      m(i, side - 1) = 1;
      m(i, side - 2) = 0;
    }
  }
  m(side - 1, side - 1) = 1;
  m(side - 2, side - 1) = 0;
  m(side - 1, side - 2) = 0;
  m(side - 2, side - 2) = 0;
  TDecorder decorder;
  std::string read;
  const int32_t code = decorder.DecodeMatrix(m, side, read);
  if (code == 0) {
    EXPECT_EQ(decorder.Kind(), TSymbolKind::kModel2);
    EXPECT_EQ(read, text);
  } else {
    EXPECT_EQ(code, TDecorder::kReadError);
    // The blocks refused it, not a check before them (where the table has
    // blocks for the level the format names: the Model 2 symbol's own).
    EXPECT_EQ(decorder.Kind(), TSymbolKind::kModel1);
    EXPECT_TRUE(decorder.FormatOk());
    EXPECT_EQ(decorder.Level(), entry.Level);
    if (model1::Level(entry.Version, entry.Level).Blocks > 0) {
      EXPECT_GT(decorder.FailedBlocks(), 0);
    }
  }
}

std::vector<TEntry> Model2Entries() {
  std::vector<TEntry> entries;
  for (int v = 1; v <= model1::kMaxVersion; ++v)
    for (int level = 0; level < 4; ++level) entries.push_back({v, level});
  return entries;
}

INSTANTIATE_TEST_SUITE_P(Versions1To14, Model1DressedModel2Test, testing::ValuesIn(Model2Entries()),
                         EntryName);

// Every buildable entry rendered into a picture and read by the component.
class Model1RenderSweep : public testing::TestWithParam<TEntry> {};

TEST_P(Model1RenderSweep, ReadsTheRenderedSymbol) {
  const TEntry entry = GetParam();
  const std::string text = TextFor(entry);
  const Model1Symbol symbol = MakeModel1(text, entry.Version, entry.Level, MaskFor(entry));
  test::TRenderOptions options;
  options.ModuleSize = 3.5;
  options.RotationDegrees = 4;
  options.NoiseSigma = 12;
  TVornak vornak;
  ASSERT_TRUE(vornak.Decode(test::RenderBitmap(symbol.Matrix, options))) << vornak.ErrorText();
  EXPECT_EQ(vornak.ResultText(), text);
  EXPECT_EQ(vornak.Kind(), TSymbolKind::kModel1);
  EXPECT_EQ(vornak.Version(), entry.Version);
}

INSTANTIATE_TEST_SUITE_P(EveryEntry, Model1RenderSweep, testing::ValuesIn(BuildableEntries()),
                         EntryName);

}  // namespace
}  // namespace vornak
