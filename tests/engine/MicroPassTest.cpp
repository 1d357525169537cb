#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Vornak.h"
#include "tests/support/Renderer.h"
#include "tests/support/ZintSymbol.h"

namespace vornak {
namespace {

using test::RenderBitmap;
using test::TRenderOptions;
using test::ZintSymbol;

// How a symbol is drawn: turned, mirrored, in perspective, small or blurred.
struct TView {
  std::string Name;
  TRenderOptions Options;
};

std::vector<TView> Views(int side) {
  std::vector<TView> views;
  auto add = [&views](const std::string& name, TRenderOptions o) { views.push_back({name, o}); };
  TRenderOptions o;
  o.ModuleSize = 5;
  add("upright", o);
  for (double degrees : {17.0, 90.0, 145.0, 180.0, 250.0, 303.0}) {
    o.RotationDegrees = degrees;
    add("turned " + std::to_string(static_cast<int>(degrees)), o);
  }
  o.RotationDegrees = 30;
  o.Mirror = true;
  add("mirrored", o);
  o.Mirror = false;
  o.RotationDegrees = 8;
  o.ModuleSize = 4;
  add("small", o);
  o.ModuleSize = 6;
  o.BlurSigma = 1.2;
  o.NoiseSigma = 12;
  add("blurred", o);
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
  for (const TView& view : Views(symbol.Columns)) {
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

}  // namespace
}  // namespace vornak
