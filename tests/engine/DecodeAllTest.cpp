#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/AppendMerger.h"
#include "engine/SymbolResult.h"
#include "engine/SymbolSearch.h"
#include "engine/Vornak.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"
#include "tests/support/Sheet.h"
#include "tests/support/ZintSymbol.h"

namespace vornak {
namespace {

using test::TRenderOptions;
using test::TSheet;

// How many of the symbols read carry text.
size_t CountText(const std::vector<TSymbolResult>& symbols, const std::string& text) {
  return static_cast<size_t>(std::count_if(symbols.begin(), symbols.end(),
                                           [&](const TSymbolResult& s) { return s.Text == text; }));
}

// Every corner of the symbol laid as index on the sheet lies within one
// module of a corner the reader gave (the order depends on how it was
// read: a mirrored symbol's axes swap).
void ExpectCorners(const TSymbolResult& found, const TSheet& sheet, size_t index, double module) {
  for (const test::TPointF& truth : sheet.Corners(index)) {
    double nearest = 1e9;
    for (const TPoint& corner : found.Corners)
      nearest = std::min(nearest, std::hypot(corner.X - truth.X, corner.Y - truth.Y));
    // A pixel for the rounding of the corners to whole pixels.
    EXPECT_LE(nearest, module + 1.0) << "symbol " << index << " \"" << found.Text << "\" corner ("
                                     << truth.X << ", " << truth.Y << ")";
  }
}

TRenderOptions Style(double module, double rotation = 0, bool mirror = false,
                     bool inverted = false) {
  TRenderOptions options;
  options.ModuleSize = module;
  options.RotationDegrees = rotation;
  options.Mirror = mirror;
  if (inverted) {
    options.DarkColour = 0xFFFFFF;
    options.LightColour = 0x000000;
  }
  return options;
}

TEST(DecodeAllTest, OneSymbolIsWhatDecodeReads) {
  struct TCase {
    int Version;
    double Module;
    double Rotation;
    bool Mirror;
  };
  const TCase cases[] = {{1, 4, 0, false}, {5, 3, 20, false}, {10, 4, 0, true}, {3, 5, 90, false}};
  for (const TCase& c : cases) {
    const test::ReferenceSymbol symbol =
        test::Make("alone " + std::to_string(c.Version), c.Version, 1, 2);
    TRenderOptions options = Style(c.Module, c.Rotation, c.Mirror);
    const TBitmap picture = test::RenderBitmap(symbol.Matrix, options);
    TVornak single;
    ASSERT_TRUE(single.Decode(picture)) << c.Version;
    TVornak all;
    const std::vector<TSymbolResult> found = all.DecodeAll(picture);
    ASSERT_EQ(found.size(), 1U) << c.Version;
    const TSymbolResult& r = found[0];
    EXPECT_EQ(r.Text, single.ResultText());
    EXPECT_EQ(r.Version, single.Version());
    EXPECT_EQ(r.Level, single.Level());
    EXPECT_EQ(r.Mask, single.Mask());
    EXPECT_EQ(r.Eci, single.Eci());
    EXPECT_EQ(r.Pass, single.Pass());
    EXPECT_EQ(r.Mirrored, single.Mirrored());
    EXPECT_EQ(r.Corners, single.Corners());
    EXPECT_EQ(r.Finders, single.FinderCentres());
    // The getters keep what Decode found.
    EXPECT_EQ(all.ResultText(), single.ResultText());
    EXPECT_EQ(all.Pass(), single.Pass());
    EXPECT_EQ(all.Corners(), single.Corners());
  }
}

TEST(DecodeAllTest, NoSymbolGivesNothing) {
  const TBitmap blank(200, 150);
  TVornak vornak;
  EXPECT_TRUE(vornak.DecodeAll(blank).empty());
  EXPECT_NE(vornak.ErrorCode(), TVornak::kNoError);
}

TEST(DecodeAllTest, ClassicReadsOneOfTwo) {
  TSheet sheet(500, 260);
  sheet.Place(test::Make("left", 2, 1, 0).Matrix, Style(4), 10, 40);
  sheet.Place(test::Make("right", 2, 1, 0).Matrix, Style(4), 260, 40);
  TVornak vornak;
  vornak.SetClassic(true);
  EXPECT_LE(vornak.DecodeAll(sheet.Bitmap()).size(), 1U);
}

// A small symbol printed inside a larger one's data area, each with its
// quiet zone: both read, the large one despite the hole in its data.
TEST(DecodeAllTest, NestedPairReadsBoth) {
  const test::ReferenceSymbol outer = test::Make("the outer symbol, version ten", 10, 3, 4);
  const test::ReferenceSymbol inner = test::Make("inner", 1, 1, 1);
  TSheet sheet(420, 420);
  const double module = 6;
  sheet.Place(outer.Matrix, Style(module), 10, 10);
  TRenderOptions small = Style(2);
  small.QuietZone = 2;
  // Module 4 of the outer quiet zone plus 11 modules in: between its finder
  // and its middle alignment pattern.
  sheet.Place(inner.Matrix, small, 10 + static_cast<int32_t>((4 + 11) * module),
              10 + static_cast<int32_t>((4 + 11) * module));
  TVornak vornak;
  const std::vector<TSymbolResult> found = vornak.DecodeAll(sheet.Bitmap());
  EXPECT_EQ(CountText(found, "the outer symbol, version ten"), 1U);
  EXPECT_EQ(CountText(found, "inner"), 1U);
  EXPECT_EQ(found.size(), 2U);
  for (const TSymbolResult& s : found)
    ExpectCorners(s, sheet, s.Text == "inner" ? 1 : 0, s.Text == "inner" ? 2 : module);
}

// Dark on light and light on dark, plain and mirrored, side by side.
TEST(DecodeAllTest, MirroredAndInvertedAmongSeveral) {
  struct TKind {
    bool Mirror;
    bool Inverted;
    const char* Text;
  };
  const TKind kinds[] = {{false, false, "plain"},
                         {true, false, "mirrored"},
                         {false, true, "inverted"},
                         {true, true, "mirrored and inverted"}};
  TSheet sheet(640, 460);
  for (size_t i = 0; i < 4; ++i) {
    const test::ReferenceSymbol symbol = test::Make(kinds[i].Text, 3, 1, static_cast<int>(i));
    sheet.Place(symbol.Matrix, Style(4, 0, kinds[i].Mirror, kinds[i].Inverted),
                static_cast<int32_t>(10 + 320 * (i % 2)), static_cast<int32_t>(10 + 230 * (i / 2)));
  }
  TVornak vornak;
  const std::vector<TSymbolResult> found = vornak.DecodeAll(sheet.Bitmap());
  ASSERT_EQ(found.size(), 4U);
  // Reading order: the row above first, left to right.
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(found[i].Text, kinds[i].Text);
    ExpectCorners(found[i], sheet, i, 4);
  }
  EXPECT_TRUE(found[1].Mirrored);
  EXPECT_TRUE(found[3].Mirrored);
  EXPECT_FALSE(found[0].Mirrored);
}

// Symbols of one finder beside a QR Code: each read once, whichever is read
// first, with its kind.
TEST(DecodeAllTest, MicroAndRectangularBesideQrCode) {
  TSheet sheet(700, 420);
  sheet.Place(test::Make("the QR Code", 2, 1, 0).Matrix, Style(4), 10, 10);
  sheet.Place(test::MakeMicroQr("MICRO 1", 3, 1).Matrix, Style(5, 20), 300, 20);
  sheet.Place(test::MakeMicroQr("M2", 2, 1).Matrix, Style(5, 0, true), 520, 30);
  sheet.Place(test::MakeRmqr("rectangular", 7, 1).Matrix, Style(4, 3), 10, 180);
  TVornak vornak;
  const std::vector<TSymbolResult> found = vornak.DecodeAll(sheet.Bitmap());
  ASSERT_EQ(found.size(), 4U);
  EXPECT_EQ(found[0].Text, "the QR Code");
  EXPECT_EQ(found[0].Kind, TSymbolKind::kModel2);
  EXPECT_EQ(found[1].Text, "MICRO 1");
  EXPECT_EQ(found[1].Kind, TSymbolKind::kMicro);
  EXPECT_EQ(found[2].Text, "M2");
  EXPECT_TRUE(found[2].Mirrored);
  EXPECT_EQ(found[3].Text, "rectangular");
  EXPECT_EQ(found[3].Kind, TSymbolKind::kRect);
  EXPECT_EQ(found[3].Version, 7);
}

// Symbols touching each other, without a quiet zone between them.
TEST(DecodeAllTest, TouchingSymbols) {
  TSheet sheet(420, 200);
  TRenderOptions options = Style(4);
  options.QuietZone = 0;
  const std::vector<std::string> texts = {"one", "two", "three"};
  for (size_t i = 0; i < texts.size(); ++i)
    sheet.Place(test::Make(texts[i], 2, 1, static_cast<int>(i)).Matrix, options,
                static_cast<int32_t>(20 + 100 * i), 40);
  TVornak vornak;
  const std::vector<TSymbolResult> found = vornak.DecodeAll(sheet.Bitmap());
  ASSERT_EQ(found.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(found[i].Text, texts[i]);
}

// The four parts of one message from libqrencode on one picture, shuffled.
TEST(DecodeAllTest, StructuredAppendInOnePictureMerges) {
  const std::string message =
      "Parts of one message laid on one sheet, joined again in the order of their headers.";
  const std::vector<test::ReferenceSymbol> parts =
      test::MakeQrencodeStructured(message, 2, 1, false);
  ASSERT_GE(parts.size(), 3U);
  TSheet sheet(static_cast<int32_t>(150 * parts.size() + 20), 180);
  // Laid right to left, so that reading order is not part order.
  for (size_t i = 0; i < parts.size(); ++i)
    sheet.Place(parts[i].Matrix, Style(3), static_cast<int32_t>(10 + 150 * (parts.size() - 1 - i)),
                20);
  TVornak vornak;
  const std::vector<TSymbolResult> found = vornak.DecodeAll(sheet.Bitmap());
  ASSERT_EQ(found.size(), parts.size());
  TAppendMerger merger;
  for (const TSymbolResult& s : found) EXPECT_TRUE(merger.Add(s));
  const std::vector<TAppendMerger::TMessage> messages = merger.Messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].Complete) << messages[0].Problem;
  EXPECT_EQ(messages[0].Bytes, message);
}

TSymbolResult Part(int32_t index, int32_t total, const std::string& text, int32_t parity) {
  TSymbolResult s;
  s.Text = text;
  s.HasStructuredAppend = true;
  s.AppendIndex = index;
  s.AppendTotal = total;
  s.AppendParity = parity;
  return s;
}

TEST(AppendMergerTest, JoinsInIndexOrderAndChecksParity) {
  const std::string whole = "abcdefghij";
  const int32_t parity = TAppendMerger::Parity(whole);
  TAppendMerger merger;
  EXPECT_FALSE(merger.Add(TSymbolResult{}));
  merger.Add(Part(2, 3, "ghij", parity));
  merger.Add(Part(0, 3, "abc", parity));
  merger.Add(Part(1, 3, "def", parity));
  // The same part again (the same symbol in two pictures) counts once.
  merger.Add(Part(1, 3, "def", parity));
  const auto messages = merger.Messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].Complete);
  EXPECT_FALSE(messages[0].Refused);
  EXPECT_EQ(messages[0].Bytes, whole);
  EXPECT_TRUE(messages[0].Problem.empty());
}

TEST(AppendMergerTest, ParityIsTheXorOfTheBytes) {
  EXPECT_EQ(TAppendMerger::Parity(""), 0);
  EXPECT_EQ(TAppendMerger::Parity("A"), 0x41);
  EXPECT_EQ(TAppendMerger::Parity(std::string("\x81\x40\xFF", 3)), 0x81 ^ 0x40 ^ 0xFF);
}

TEST(AppendMergerTest, NamesMissingPartsAndKeepsTheOthers) {
  TAppendMerger merger;
  merger.Add(Part(0, 4, "one ", 7));
  merger.Add(Part(3, 4, "four", 7));
  merger.Add(Part(1, 4, "two ", 7));
  auto messages = merger.Messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_FALSE(messages[0].Complete);
  EXPECT_FALSE(messages[0].Refused);
  EXPECT_EQ(messages[0].Problem, "part 3 of 4 missing");
  EXPECT_EQ(messages[0].Bytes, "one two four");
  EXPECT_EQ(messages[0].Found, (std::vector<bool>{true, true, false, true}));
  merger.Clear();
  merger.Add(Part(1, 4, "two ", 7));
  messages = merger.Messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].Problem, "parts 1, 3, 4 of 4 missing");
}

TEST(AppendMergerTest, RefusesAWrongParityAndContradictoryParts) {
  TAppendMerger merger;
  merger.Add(Part(0, 2, "ab", 0));
  merger.Add(Part(1, 2, "cd", 0));  // a ^ b ^ c ^ d is 4, not 0
  auto messages = merger.Messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].Refused);
  EXPECT_FALSE(messages[0].Complete);
  EXPECT_TRUE(messages[0].Bytes.empty());
  EXPECT_NE(messages[0].Problem.find("parity 0x04"), std::string::npos) << messages[0].Problem;

  merger.Clear();
  const int32_t parity = TAppendMerger::Parity("abcd");
  merger.Add(Part(0, 2, "ab", parity));
  merger.Add(Part(1, 2, "cd", parity));
  merger.Add(Part(1, 2, "dc", parity));
  messages = merger.Messages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_TRUE(messages[0].Refused);
  EXPECT_EQ(messages[0].Problem, "part 2 of 2 read twice with different data");
}

TEST(AppendMergerTest, SeparatesSequencesByTotalAndParity) {
  TAppendMerger merger;
  merger.Add(Part(0, 2, "x", TAppendMerger::Parity("xy")));
  merger.Add(Part(0, 2, "p", TAppendMerger::Parity("pr")));
  merger.Add(Part(1, 2, "y", TAppendMerger::Parity("xy")));
  merger.Add(Part(1, 2, "r", TAppendMerger::Parity("pr")));
  const auto messages = merger.Messages();
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_EQ(messages[0].Bytes, "xy");
  EXPECT_EQ(messages[1].Bytes, "pr");
}

TEST(SymbolSearchTest, ReadingOrderIsRowsThenColumns) {
  auto at = [](int32_t x, int32_t y, int32_t size, const char* text) {
    TSymbolResult s;
    s.Text = text;
    s.Corners = {TPoint{x, y}, TPoint{x + size, y}, TPoint{x, y + size},
                 TPoint{x + size, y + size}};
    return s;
  };
  // The second row's left symbol sits a little higher than its right one.
  std::vector<TSymbolResult> symbols = {at(300, 210, 100, "d"), at(0, 0, 100, "a"),
                                        at(10, 190, 100, "c"), at(200, 15, 80, "b")};
  TSymbolSearch::SortReadingOrder(symbols);
  std::string order;
  for (const TSymbolResult& s : symbols) order += s.Text;
  EXPECT_EQ(order, "abcd");
}

TEST(SymbolSearchTest, SameSymbolTellsNestedAndNeighboursApart) {
  auto at = [](int32_t x, int32_t y, int32_t size) {
    TSymbolResult s;
    s.Corners = {TPoint{x, y}, TPoint{x + size, y}, TPoint{x, y + size},
                 TPoint{x + size, y + size}};
    return s;
  };
  // Read twice, a few pixels apart, the second time transposed.
  TSymbolResult twice = at(102, 98, 201);
  std::swap(twice.Corners[1], twice.Corners[2]);
  EXPECT_TRUE(TSymbolSearch::SameSymbol(at(100, 100, 200), twice));
  EXPECT_FALSE(TSymbolSearch::SameSymbol(at(100, 100, 200), at(180, 180, 40)));
  EXPECT_FALSE(TSymbolSearch::SameSymbol(at(100, 100, 200), at(300, 100, 200)));
}

// Sheets of 2 to 12 symbols of mixed versions, module sizes and rotations,
// a few mirrored or light on dark, each centred in its cell of a grid.
class DecodeAllSweep : public testing::TestWithParam<uint32_t> {};

TEST_P(DecodeAllSweep, EverySymbolOnceWithItsCorners) {
  std::mt19937 random(GetParam());
  const int count = std::uniform_int_distribution<int>(2, 12)(random);
  const int columns = count <= 4 ? 2 : count <= 9 ? 3 : 4;
  const int rows = (count + columns - 1) / columns;
  const int32_t cell = 330;
  TSheet sheet(columns * cell, rows * cell);
  std::vector<std::string> texts;
  std::vector<double> modules;
  for (int i = 0; i < count; ++i) {
    const int version = std::uniform_int_distribution<int>(1, 7)(random);
    const double module =
        std::uniform_int_distribution<int>(3, 5)(random) + (version > 4 ? 0 : 0.5);
    const double rotation = std::uniform_int_distribution<int>(0, 359)(random);
    const int level = std::uniform_int_distribution<int>(0, 3)(random);
    // Short enough for version 1 at level H.
    const std::string text = "S" + std::to_string(GetParam()) + " " + std::to_string(i);
    const test::ReferenceSymbol symbol = test::Make(text, version, level, i % 8);
    // Small enough that the turned picture fits its cell.
    // Now and then mirrored, or light on dark.
    const bool mirror = std::uniform_int_distribution<int>(0, 3)(random) == 0;
    const bool inverted = std::uniform_int_distribution<int>(0, 5)(random) == 0;
    TRenderOptions options =
        Style(std::min(module, 225.0 / (symbol.Side() + 8)), rotation, mirror, inverted);
    int32_t w = 0, h = 0;
    TSheet::Size(symbol.Side(), options, w, h);
    const int32_t left = (i % columns) * cell + (cell - w) / 2;
    const int32_t top = (i / columns) * cell + (cell - h) / 2;
    sheet.Place(symbol.Matrix, options, left, top);
    texts.push_back(text);
    modules.push_back(options.ModuleSize);
  }
  TVornak vornak;
  const std::vector<TSymbolResult> found = vornak.DecodeAll(sheet.Bitmap());
  EXPECT_EQ(found.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(CountText(found, texts[i]), 1U) << texts[i];
    // In reading order: the cells row by row.
    if (i < found.size()) {
      EXPECT_EQ(found[i].Text, texts[i]);
    }
    for (const TSymbolResult& s : found) {
      if (s.Text == texts[i]) ExpectCorners(s, sheet, i, modules[i]);
    }
  }
}

// The same with grey paper, ink that is not black, blur, noise and light
// falling off across each symbol.
TEST_P(DecodeAllSweep, PhotographLikeSheets) {
  std::mt19937 random(GetParam());
  const int count = std::uniform_int_distribution<int>(2, 9)(random);
  const int32_t cell = 330;
  TSheet sheet(3 * cell, (count + 2) / 3 * cell, 0xE0E0E0);
  std::vector<std::string> texts;
  std::vector<double> modules;
  for (int i = 0; i < count; ++i) {
    const int version = std::uniform_int_distribution<int>(1, 6)(random);
    const std::string text = "N" + std::to_string(GetParam()) + " " + std::to_string(i);
    const test::ReferenceSymbol symbol = test::Make(text, version, 1, i % 8);
    TRenderOptions options = Style(std::min(4.5, 225.0 / (symbol.Side() + 8)),
                                   std::uniform_int_distribution<int>(0, 359)(random));
    options.BlurSigma = 0.8;
    options.NoiseSigma = 10;
    options.Seed = GetParam() * 16 + static_cast<uint32_t>(i);
    options.Lighting = 0.3;
    options.LightingAngleDegrees = 40.0 * i;
    options.LightColour = 0xE8E8E8;
    options.DarkColour = 0x202020;
    int32_t w = 0, h = 0;
    TSheet::Size(symbol.Side(), options, w, h);
    sheet.Place(symbol.Matrix, options, (i % 3) * cell + (cell - w) / 2,
                (i / 3) * cell + (cell - h) / 2);
    texts.push_back(text);
    modules.push_back(options.ModuleSize);
  }
  TVornak vornak;
  const std::vector<TSymbolResult> found = vornak.DecodeAll(sheet.Bitmap());
  EXPECT_EQ(found.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(CountText(found, texts[i]), 1U) << texts[i];
    for (const TSymbolResult& s : found) {
      if (s.Text == texts[i]) ExpectCorners(s, sheet, i, modules[i]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sheets, DecodeAllSweep, testing::Range(1U, 61U));

}  // namespace
}  // namespace vornak
