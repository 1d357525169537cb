#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/Vornak.h"
#include "symbol/RectTables.h"
#include "tests/support/RenderedViews.h"
#include "tests/support/Renderer.h"
#include "tests/support/ZintSymbol.h"

namespace vornak {
namespace {

using test::RenderBitmap;
using test::TRenderedView;
using test::TRenderOptions;
using test::ZintSymbol;

// How a symbol is drawn: the flat views, and in perspective. The renderer
// lays the rectangle in the top rows of a square of its width.
std::vector<TRenderedView> Views(int columns) {
  std::vector<TRenderedView> views = test::FlatViews(3.5);
  auto add = [&views](const std::string& name, TRenderOptions o) { views.push_back({name, o}); };
  // Perspective: the far end of the long side nearer the eye than the near
  // end, then the other way, then a keystone.
  TRenderOptions p;
  const double w = 5.0 * columns;
  p.UseCorners = true;
  p.Width = static_cast<int32_t>(w + 80);
  p.Height = static_cast<int32_t>(w + 80);
  // Corners of the square of side columns: the symbol takes its top rows.
  p.Corners = {{{40, 40}, {40 + w, 30}, {40 + 1.02 * w, 40 + 1.25 * w}, {40, 40 + 0.8 * w}}};
  add("perspective", p);
  p.Corners = {{{40 + w, 40 + w}, {40, 40 + 0.95 * w}, {50, 40}, {40 + 0.9 * w, 50}}};
  add("perspective turned", p);
  return views;
}

class RectRenderedSweep : public ::testing::TestWithParam<int> {};

// Rendered rMQR pictures of sizes across the range read exactly, as rMQR,
// by the pass chain.
TEST_P(RectRenderedSweep, ReadsRenderedPictures) {
  const int version = GetParam();
  // Digits fit the smallest sizes; the larger ones hold bytes.
  const std::string text = rmqr::SizeOf(version).Codewords < 30
                               ? "31415926" + std::to_string(version)
                               : "rMQR " + std::to_string(version) + " 2026";
  const ZintSymbol symbol = test::MakeRmqr(text, version, 1);
  ASSERT_TRUE(symbol.Error.empty()) << symbol.Error;
  ASSERT_EQ(symbol.Columns, rmqr::SizeOf(version).Width);
  TVornak vornak;
  for (const TRenderedView& view : Views(symbol.Columns)) {
    SCOPED_TRACE("version " + std::to_string(version) + " " + view.Name);
    ASSERT_TRUE(vornak.Decode(RenderBitmap(symbol.Matrix, view.Options)));
    EXPECT_EQ(vornak.ResultText(), text);
    EXPECT_EQ(vornak.Kind(), TSymbolKind::kRect);
    EXPECT_EQ(vornak.Version(), version);
    EXPECT_EQ(vornak.Mirrored(), view.Options.Mirror);
  }
}

INSTANTIATE_TEST_SUITE_P(SizesAcrossTheRange, RectRenderedSweep,
                         ::testing::Values(1, 7, 11, 15, 20, 26, 32),
                         [](const ::testing::TestParamInfo<int>& info) {
                           const rmqr::TSize& size = rmqr::SizeOf(info.param);
                           return "R" + std::to_string(size.Height) + "x" +
                                  std::to_string(size.Width);
                         });

class RectEverySizeSweep : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Every size at both levels, full of bytes, turned and mirrored at four
// pixels a module.
TEST_P(RectEverySizeSweep, ReadsTurnedAndMirrored) {
  const int version = std::get<0>(GetParam());
  const int level = std::get<1>(GetParam());
  std::string text = "every rMQR size and level, from libzint, read back exactly";
  ZintSymbol symbol;
  while (!text.empty()) {
    symbol = test::MakeRmqr(text, version, level);
    if (symbol.Error.empty()) break;
    text.pop_back();
  }
  ASSERT_FALSE(text.empty());
  TVornak vornak;
  TRenderOptions o;
  o.ModuleSize = 4;
  for (const bool mirror : {false, true}) {
    o.Mirror = mirror;
    o.RotationDegrees = mirror ? 35 : 200;
    SCOPED_TRACE(mirror ? "mirrored" : "turned");
    ASSERT_TRUE(vornak.Decode(RenderBitmap(symbol.Matrix, o)));
    EXPECT_EQ(vornak.ResultText(), text);
    EXPECT_EQ(vornak.Kind(), TSymbolKind::kRect);
    EXPECT_EQ(vornak.Version(), version);
    EXPECT_EQ(vornak.Level(), level);
    EXPECT_EQ(vornak.Mirrored(), mirror);
  }
}

INSTANTIATE_TEST_SUITE_P(BothLevels, RectEverySizeSweep,
                         ::testing::Combine(::testing::Range(1, 33), ::testing::Values(1, 3)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                           const rmqr::TSize& size = rmqr::SizeOf(std::get<0>(info.param));
                           return "R" + std::to_string(size.Height) + "x" +
                                  std::to_string(size.Width) +
                                  (std::get<1>(info.param) == 1 ? "_M" : "_H");
                         });

// Blurred as far as the one-module light separator round the finder reads
// dark in a two-level plane (sigma 0.45 module, noise): turns and module
// sizes of sizes across the range that the grey reading of a blurred
// finder's symbol reads exactly.
struct TBlurCase {
  int Version;
  int Level;  // 1 M, 3 H
  double Degrees;
  double Module;
};

class RectBlurSweep : public ::testing::TestWithParam<TBlurCase> {};

TEST_P(RectBlurSweep, ReadsBlurredSymbols) {
  const TBlurCase& c = GetParam();
  const std::string text = rmqr::SizeOf(c.Version).Codewords < 30 ? "31415926" : "rMQR 2026";
  const ZintSymbol symbol = test::MakeRmqr(text, c.Version, c.Level);
  ASSERT_TRUE(symbol.Error.empty()) << symbol.Error;
  TVornak vornak;
  ASSERT_TRUE(
      vornak.Decode(RenderBitmap(symbol.Matrix, test::HeavilyBlurred(c.Degrees, c.Module))));
  EXPECT_EQ(vornak.ResultText(), text);
  EXPECT_EQ(vornak.Kind(), TSymbolKind::kRect);
  EXPECT_EQ(vornak.Version(), c.Version);
}

INSTANTIATE_TEST_SUITE_P(TurnsAndSizes, RectBlurSweep,
                         ::testing::Values(TBlurCase{1, 1, 52, 3}, TBlurCase{1, 1, 322, 5},
                                           TBlurCase{6, 3, 232, 3}, TBlurCase{6, 1, 7, 5},
                                           TBlurCase{11, 1, 97, 5}, TBlurCase{11, 3, 187, 5},
                                           TBlurCase{20, 3, 187, 3}, TBlurCase{20, 3, 52, 5},
                                           TBlurCase{26, 1, 232, 5}, TBlurCase{26, 3, 277, 5}),
                         [](const ::testing::TestParamInfo<TBlurCase>& info) {
                           const rmqr::TSize& size = rmqr::SizeOf(info.param.Version);
                           return "R" + std::to_string(size.Height) + "x" +
                                  std::to_string(size.Width) +
                                  (info.param.Level == 1 ? "M_" : "H_") +
                                  std::to_string(static_cast<int>(info.param.Degrees)) + "deg_" +
                                  std::to_string(static_cast<int>(info.param.Module)) + "px";
                         });

}  // namespace
}  // namespace vornak
