#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/Vornak.h"
#include "tests/support/RenderedViews.h"
#include "tests/support/Renderer.h"
#include "tests/support/ZintSymbol.h"

namespace vornak {
namespace {

using test::RenderBitmap;
using test::TRenderedView;
using test::TRenderOptions;
using test::ZintSymbol;

// How a symbol is drawn: the flat views, and in perspective.
std::vector<TRenderedView> Views(int side) {
  std::vector<TRenderedView> views = test::FlatViews(4);
  auto add = [&views](const std::string& name, TRenderOptions o) { views.push_back({name, o}); };
  // Perspective: the far corner pulled in, one side shorter than the other.
  TRenderOptions p;
  const double w = 7.0 * side;
  p.UseCorners = true;
  p.Width = static_cast<int32_t>(w + 80);
  p.Height = static_cast<int32_t>(w + 80);
  p.Corners = {{{40, 40}, {40 + w, 52}, {40 + 0.86 * w, 40 + 0.9 * w}, {46, 40 + w}}};
  add("perspective", p);
  p.Corners = {{{40 + w, 40}, {40 + w * 0.95, 40 + w}, {40 + 0.08 * w, 40 + 0.88 * w}, {40, 48}}};
  add("perspective turned", p);
  p.Corners = {{{50, 40}, {40 + w, 40}, {40 + w * 0.9, 40 + 0.8 * w}, {40 + 0.1 * w, 40 + w}}};
  add("keystone", p);
  return views;
}

struct TSource {
  const char* Name;
  ZintSymbol (*Make)(const std::string& text, int version);
};

ZintSymbol FromZint(const std::string& text, int version) {
  return test::MakeMicroQr(text, version, version == 1 ? 0 : 1);
}
ZintSymbol FromQrencode(const std::string& text, int version) {
  return test::MakeQrencodeMicro(text, version, 0);
}

class MicroPass : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Rendered Micro QR pictures of every version from both encoders read
// exactly, as Micro QR, by the pass chain.
TEST_P(MicroPass, ReadsRenderedPictures) {
  static const TSource kSources[] = {{"zint", FromZint}, {"qrencode", FromQrencode}};
  const TSource& source = kSources[std::get<0>(GetParam())];
  const int version = std::get<1>(GetParam());
  static const char* const kTexts[] = {"31415", "MICRO7", "micro q", "Micro QR 2026!"};
  const std::string text = kTexts[version - 1];
  const ZintSymbol symbol = source.Make(text, version);
  ASSERT_TRUE(symbol.Error.empty()) << symbol.Error;
  ASSERT_EQ(symbol.Columns, 2 * version + 9);
  TVornak vornak;
  for (const TRenderedView& view : Views(symbol.Columns)) {
    SCOPED_TRACE(std::string(source.Name) + " M" + std::to_string(version) + " " + view.Name);
    ASSERT_TRUE(vornak.Decode(RenderBitmap(symbol.Matrix, view.Options)));
    EXPECT_EQ(vornak.ResultText(), text);
    EXPECT_EQ(vornak.Kind(), TSymbolKind::kMicro);
    EXPECT_EQ(vornak.Version(), version);
    EXPECT_EQ(vornak.Mirrored(), view.Options.Mirror);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryVersionBothEncoders, MicroPass,
                         ::testing::Combine(::testing::Range(0, 2), ::testing::Range(1, 5)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                           return std::string(std::get<0>(info.param) == 0 ? "zint" : "qrencode") +
                                  "_M" + std::to_string(std::get<1>(info.param));
                         });

// A QR Code picture is still read as QR Code, by the pass that read it
// before; a picture without a symbol reads as nothing.
TEST(MicroPass, LeavesOtherPicturesAlone) {
  TVornak vornak;
  TBitmap blank(120, 90);
  EXPECT_FALSE(vornak.Decode(blank));
  EXPECT_EQ(vornak.Kind(), TSymbolKind::kModel2);
}

// Blurred as far as a one-module light separator or a lone dark timing
// module on the edge reads like its neighbours in a two-level plane
// (sigma 0.45 module, noise): turns and module sizes of each version that
// the grey reading of a blurred finder's symbol reads exactly.
struct TBlurCase {
  int Version;
  double Degrees;
  double Module;
};

class MicroBlurSweep : public ::testing::TestWithParam<TBlurCase> {};

TEST_P(MicroBlurSweep, ReadsBlurredSymbols) {
  static const char* const kTexts[] = {"31415", "MICRO7", "micro q", "Micro QR 2026!"};
  const TBlurCase& c = GetParam();
  const std::string text = kTexts[c.Version - 1];
  const ZintSymbol symbol = FromZint(text, c.Version);
  ASSERT_TRUE(symbol.Error.empty()) << symbol.Error;
  TVornak vornak;
  ASSERT_TRUE(
      vornak.Decode(RenderBitmap(symbol.Matrix, test::HeavilyBlurred(c.Degrees, c.Module))));
  EXPECT_EQ(vornak.ResultText(), text);
  EXPECT_EQ(vornak.Kind(), TSymbolKind::kMicro);
  EXPECT_EQ(vornak.Version(), c.Version);
}

INSTANTIATE_TEST_SUITE_P(TurnsAndSizes, MicroBlurSweep,
                         ::testing::Values(TBlurCase{1, 67, 3}, TBlurCase{1, 187, 4},
                                           TBlurCase{1, 37, 6}, TBlurCase{2, 37, 3},
                                           TBlurCase{2, 157, 4}, TBlurCase{2, 337, 4},
                                           TBlurCase{3, 127, 3}, TBlurCase{3, 97, 4},
                                           TBlurCase{3, 307, 6}, TBlurCase{4, 307, 3},
                                           TBlurCase{4, 217, 4}, TBlurCase{4, 67, 6}),
                         [](const ::testing::TestParamInfo<TBlurCase>& info) {
                           return "M" + std::to_string(info.param.Version) + "_" +
                                  std::to_string(static_cast<int>(info.param.Degrees)) + "deg_" +
                                  std::to_string(static_cast<int>(info.param.Module)) + "px";
                         });

// A finder with its separator in a corner of random modules, without
// timing or format, blurred as above: a finder alone in the grey is no
// symbol, and nothing reads.
TEST(MicroBlurSweep, FinderWithoutSymbolReadsNothing) {
  std::mt19937 random(2026);
  TVornak vornak;
  for (const int side : {11, 17}) {
    TPlaneBoolean matrix(side, side, 0);
    for (int32_t y = 0; y < side; ++y)
      for (int32_t x = 0; x < side; ++x) {
        // The finder's rings (dark, light, dark core) round (3, 3), its
        // separator light, the rest random.
        const int32_t ring = std::max(std::abs(x - 3), std::abs(y - 3));
        if (x <= 7 && y <= 7)
          matrix(x, y) = ring == 3 || ring <= 1 ? 1 : 0;
        else
          matrix(x, y) = static_cast<uint8_t>(random() & 1);
      }
    for (const double degrees : {7.0, 127.0, 217.0})
      for (const double module : {3.0, 6.0}) {
        SCOPED_TRACE("side " + std::to_string(side) + " " + std::to_string(degrees) + " deg " +
                     std::to_string(module) + " px");
        EXPECT_FALSE(vornak.Decode(RenderBitmap(matrix, test::HeavilyBlurred(degrees, module))));
        EXPECT_TRUE(vornak.ResultText().empty());
      }
  }
}

}  // namespace
}  // namespace vornak
