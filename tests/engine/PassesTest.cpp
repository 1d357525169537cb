// The passes after the classic pipeline: rendered pictures that the classic
// pipeline cannot read (large versions, light-on-dark, mirrored, uneven light,
// a symbol away from the middle row) decode exactly, and the classic switch
// leaves the classic behaviour as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/AdaptiveBinarizer.h"
#include "engine/Decorder.h"
#include "engine/FrontImage.h"
#include "engine/GlobalBinarizer.h"
#include "engine/PassChain.h"
#include "engine/Vornak.h"
#include "locate/Locator.h"
#include "tests/support/PhotoFinish.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

using test::Make;
using test::RenderBitmap;
using test::TRenderOptions;

TPlaneGrey GreyOf(const TBitmap& bitmap) {
  TPlaneGrey grey(bitmap.Width(), bitmap.Height());
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const uint32_t c = bitmap.Pixel(x, y);
      grey(x, y) = static_cast<uint8_t>(
          (30 * (c & 0xFF) + 59 * ((c >> 8) & 0xFF) + 11 * ((c >> 16) & 0xFF)) / 100);
    }
  return grey;
}

// Decodes with the passes and with the classic pipeline alone; the passes
// must give the exact text, and whenever the classic pipeline reads the
// picture it must be the classic pass that did.
struct TOutcome {
  bool Passes = false;
  bool Classic = false;
  std::string Pass;
  bool Mirrored = false;
};

TOutcome DecodeBoth(const TBitmap& bitmap, const std::string& expected) {
  TOutcome outcome;
  TVornak classic;
  classic.SetClassic(true);
  outcome.Classic = classic.Decode(bitmap);
  if (outcome.Classic) {
    EXPECT_EQ(classic.ResultText(), expected);
  }
  TVornak vornak;
  outcome.Passes = vornak.Decode(bitmap);
  outcome.Pass = vornak.Pass();
  outcome.Mirrored = vornak.Mirrored();
  if (outcome.Passes) {
    EXPECT_EQ(vornak.ResultText(), expected) << "pass " << vornak.Pass();
    EXPECT_FALSE(vornak.Pass().empty());
    EXPECT_TRUE(vornak.HasGeometry());
    EXPECT_EQ(vornak.ErrorCode(), TVornak::kNoError);
    EXPECT_EQ(vornak.ErrorText(), "");
  } else {
    EXPECT_EQ(vornak.ResultText(), "");
    EXPECT_EQ(vornak.Pass(), "");
  }
  if (outcome.Classic) {
    EXPECT_EQ(outcome.Pass, "classic");
  }
  return outcome;
}

// Tallies decodes per group and prints them, so the figures show in the log.
struct TTally {
  explicit TTally(std::string group) : Group(std::move(group)) {}
  std::string Group;
  int Total = 0;
  int Passes = 0;
  int Classic = 0;
  std::map<std::string, int> ByPass;
  void Add(const TOutcome& o) {
    ++Total;
    Passes += o.Passes ? 1 : 0;
    Classic += o.Classic ? 1 : 0;
    if (o.Passes) ++ByPass[o.Pass];
  }
  ~TTally() {
    std::cout << "  " << Group << ": " << Passes << " of " << Total << " with the passes, "
              << Classic << " classic;";
    for (const auto& [name, count] : ByPass) std::cout << " " << name << "=" << count;
    std::cout << "\n";
  }
};

TEST(PassesSweep, EveryVersionDecodesWithoutForceVersion) {
  TTally tally("versions 1-40");
  for (int version = 1; version <= 40; ++version) {
    const std::string text = "version " + std::to_string(version);
    const test::ReferenceSymbol symbol = Make(text, version, version % 4, version % 8);
    TRenderOptions options;
    options.ModuleSize = version < 20 ? 4.0 : 3.0;
    options.RotationDegrees = (version * 7) % 30 - 15;  // -15..14 degrees
    options.NoiseSigma = 6;
    options.Seed = static_cast<uint32_t>(version);
    const TOutcome o = DecodeBoth(RenderBitmap(symbol.Matrix, options), text);
    EXPECT_TRUE(o.Passes) << "version " << version;
    tally.Add(o);
  }
}

TEST(PassesTest, InvertedSymbolsDecode) {
  TTally tally("inverted");
  for (int version : {1, 3, 7, 12, 25}) {
    const std::string text = "inv " + std::to_string(version);
    const test::ReferenceSymbol symbol = Make(text, version, 1, version % 8);
    TRenderOptions options;
    options.ModuleSize = 4;
    options.DarkColour = 0xF0F0F0;
    options.LightColour = 0x202020;
    options.RotationDegrees = version * 3;
    const TOutcome o = DecodeBoth(RenderBitmap(symbol.Matrix, options), text);
    EXPECT_TRUE(o.Passes) << "version " << version;
    EXPECT_FALSE(o.Classic) << "version " << version;
    EXPECT_NE(o.Pass.find("inverted"), std::string::npos) << o.Pass;
    tally.Add(o);
  }
}

TEST(PassesTest, MirroredSymbolsDecodeTransposed) {
  TTally tally("mirrored");
  for (int version : {1, 2, 5, 10, 22}) {
    const std::string text = "mirror " + std::to_string(version);
    const test::ReferenceSymbol symbol = Make(text, version, 2, (version + 3) % 8);
    TRenderOptions options;
    options.ModuleSize = 4;
    options.Mirror = true;
    options.RotationDegrees = 90.0 * (version % 4) + 5;
    const TOutcome o = DecodeBoth(RenderBitmap(symbol.Matrix, options), text);
    EXPECT_TRUE(o.Passes) << "version " << version;
    EXPECT_FALSE(o.Classic) << "version " << version;
    EXPECT_TRUE(o.Mirrored) << "version " << version;
    tally.Add(o);
  }
}

TEST(PassesTest, StrongLightingGradientDecodes) {
  TTally tally("lighting gradient");
  int classicFailures = 0;
  for (int version : {2, 4, 6, 9, 13}) {
    for (double angle : {0.0, 135.0, 250.0}) {
      const std::string text = "shadow " + std::to_string(version);
      const test::ReferenceSymbol symbol = Make(text, version, 1, version % 8);
      TRenderOptions options;
      options.ModuleSize = 4;
      options.QuietZone = 6;
      options.Lighting = 0.85;
      options.LightingAngleDegrees = angle;
      options.NoiseSigma = 4;
      const TOutcome o = DecodeBoth(RenderBitmap(symbol.Matrix, options), text);
      EXPECT_TRUE(o.Passes) << "version " << version << " angle " << angle;
      classicFailures += o.Classic ? 0 : 1;
      tally.Add(o);
    }
  }
  // The gradient is strong enough to defeat the one global threshold.
  EXPECT_GT(classicFailures, 0);
}

// Glare: light added round a spot, up to white, over one finder and the
// modules beside it. What is left of their contrast lies near the top of
// the range, where a share of the window mean would take it for paper.
TEST(PassesTest, GlareOverAFinderDecodes) {
  TTally tally("glare");
  const double finders[3][2] = {{3.5, 3.5}, {-3.5, 3.5}, {3.5, -3.5}};
  for (int version : {3, 5}) {
    const int side = 17 + 4 * version;
    for (const auto& finder : finders)
      for (double gain : {130.0, 160.0}) {
        const std::string text = "glare " + std::to_string(version);
        const test::ReferenceSymbol symbol = Make(text, version, 1, version % 8);
        TRenderOptions options;
        options.ModuleSize = 5;
        options.QuietZone = 6;
        options.BlurSigma = 0.8;
        options.NoiseSigma = 3;
        options.DarkColour = 0x303030;
        options.LightColour = 0xD8D8D8;
        TBitmap bitmap = RenderBitmap(symbol.Matrix, options);
        const double mx = finder[0] < 0 ? side + finder[0] : finder[0];
        const double my = finder[1] < 0 ? side + finder[1] : finder[1];
        const test::TPointF spot = test::ModuleToPixel(side, options, mx, my);
        test::TFinishOptions glare;
        glare.GlareX = spot.X;
        glare.GlareY = spot.Y;
        glare.GlareSigma = 0.14 * side * options.ModuleSize;
        glare.GlareLevels = gain;
        for (int32_t y = 0; y < bitmap.Height(); ++y)
          for (int32_t x = 0; x < bitmap.Width(); ++x) {
            const double added = test::GlareAt(glare, x + 0.5, y + 0.5);
            const auto level = static_cast<uint32_t>(
                std::min(255.0, static_cast<double>(bitmap.Pixel(x, y) & 0xFF) + added));
            bitmap.SetPixel(x, y, TBitmap::Rgb(level, level, level));
          }
        const TOutcome o = DecodeBoth(bitmap, text);
        EXPECT_TRUE(o.Passes) << "version " << version << " finder " << mx << "," << my << " gain "
                              << gain;
        tally.Add(o);
      }
  }
}

// Glare strong enough to wash a finder out leaves nothing of it to find,
// or only its core: the symbol is read from the other two, the third taken
// where they put it. (The finder and its separator drawn light, but for the
// core in every other symbol; the rest untouched.)
TEST(PassesTest, AFinderWashedOutIsTakenWhereTheOtherTwoPutIt) {
  TTally tally("washed-out finder");
  for (int version : {2, 4, 7}) {
    const int side = 17 + 4 * version;
    for (int finder = 0; finder < 3; ++finder) {
      const std::string text = "washed " + std::to_string(version);
      test::ReferenceSymbol symbol = Make(text, version, 2, (version + finder) % 8);
      const int x0 = finder == 1 ? side - 8 : 0, y0 = finder == 2 ? side - 8 : 0;
      const bool core = (version + finder) % 2 == 1;
      const int cx = finder == 1 ? side - 4 : 3, cy = finder == 2 ? side - 4 : 3;
      for (int y = y0; y < y0 + 8; ++y)
        for (int x = x0; x < x0 + 8; ++x)
          symbol.Matrix(x, y) = core && std::abs(x - cx) <= 1 && std::abs(y - cy) <= 1 ? 1 : 0;
      TRenderOptions options;
      options.ModuleSize = 4.5;
      options.QuietZone = 6;
      options.RotationDegrees = 8 + 30 * finder;
      options.BlurSigma = 0.6;
      options.NoiseSigma = 3;
      const TOutcome o = DecodeBoth(RenderBitmap(symbol.Matrix, options), text);
      EXPECT_TRUE(o.Passes) << "version " << version << " finder " << finder << " core " << core;
      EXPECT_FALSE(o.Classic);
      tally.Add(o);
    }
  }
}

TEST(PassesTest, SymbolAwayFromTheMiddleRowDecodes) {
  // A symbol on a grey card in the top or bottom third of a tall picture
  // whose middle row is white paper: the threshold from the middle row
  // turns the whole card dark.
  TTally tally("top or bottom third");
  for (int version : {1, 4, 8}) {
    for (double shift : {-1.0, 1.0}) {
      const std::string text = "tall " + std::to_string(version);
      const test::ReferenceSymbol symbol = Make(text, version, 0, version % 8);
      TRenderOptions options;
      options.ModuleSize = 4;
      options.LightColour = 0x989898;
      options.DarkColour = 0x101010;
      const int32_t side = (symbol.Side() + 8) * 4;
      options.Width = side + 40;
      options.Height = side * 3;
      options.OffsetY = shift * side;
      TBitmap bitmap = RenderBitmap(symbol.Matrix, options);
      const int32_t top = side + static_cast<int32_t>(shift) * side;
      for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x)
          if (y < top || y >= top + side) bitmap.SetPixel(x, y, 0xFFFFFF);
      const TOutcome o = DecodeBoth(bitmap, text);
      EXPECT_TRUE(o.Passes) << "version " << version << " shift " << shift;
      EXPECT_FALSE(o.Classic) << "version " << version << " shift " << shift;
      tally.Add(o);
    }
  }
}

TEST(PassesTest, SmallModulesWithoutQuietZoneDecode) {
  TTally tally("no quiet zone, 1-2 pixel modules");
  for (int version : {1, 2, 4, 7, 10}) {
    for (double module : {1.0, 2.0}) {
      const std::string text = "edge " + std::to_string(version);
      const test::ReferenceSymbol symbol = Make(text, version, 1, version % 8);
      TRenderOptions options;
      options.ModuleSize = module;
      options.QuietZone = 0;
      options.Supersample = 1;
      const TOutcome o = DecodeBoth(RenderBitmap(symbol.Matrix, options), text);
      EXPECT_TRUE(o.Passes) << "version " << version << " module " << module;
      tally.Add(o);
    }
  }
}

TEST(PassesTest, TheClassicSwitchKeepsTheClassicOutcome) {
  // A picture the classic pipeline reads: the same result either way, from
  // the classic pass.
  const test::ReferenceSymbol small = Make("classic", 3, 1, 2);
  TRenderOptions options;
  const TBitmap readable = RenderBitmap(small.Matrix, options);
  TVornak vornak;
  ASSERT_TRUE(vornak.Decode(readable));
  EXPECT_EQ(vornak.Pass(), "classic");
  EXPECT_FALSE(vornak.Classic());

  // A picture it does not read: with the switch, exactly the classic
  // failure; without it, the passes read it.
  const test::ReferenceSymbol large = Make("version 20", 20, 1, 5);
  options.ModuleSize = 3;
  const TBitmap unreadable = RenderBitmap(large.Matrix, options);
  TVornak classic;
  classic.SetClassic(true);
  EXPECT_TRUE(classic.Classic());
  EXPECT_FALSE(classic.Decode(unreadable));
  EXPECT_EQ(classic.Pass(), "");
  ASSERT_TRUE(vornak.Decode(unreadable));
  EXPECT_EQ(vornak.ResultText(), "version 20");
  EXPECT_EQ(vornak.Version(), 20);
  EXPECT_NE(vornak.Pass(), "classic");
  // The passes leave the failure of a picture with no symbol as the classic
  // pipeline reported it.
  TBitmap blank(300, 200);
  for (int32_t x = 40; x < 120; ++x)
    for (int32_t y = 50; y < 90; ++y) blank.SetPixel(x, y, 0x303030);
  EXPECT_FALSE(classic.Decode(blank));
  EXPECT_FALSE(vornak.Decode(blank));
  EXPECT_EQ(vornak.ErrorCode(), classic.ErrorCode());
  EXPECT_EQ(vornak.ErrorText(), classic.ErrorText());
  EXPECT_EQ(vornak.ExceptionText(), classic.ExceptionText());
  EXPECT_EQ(vornak.ResultText(), "");
  EXPECT_EQ(vornak.Pass(), "");
  EXPECT_FALSE(vornak.HasGeometry());
}

TEST(PassesTest, TheChainNamesItsPassesAndRunsOneAlone) {
  TPassChain chain;
  ASSERT_GE(chain.PassCount(), 4);
  EXPECT_EQ(chain.PassName(0), "global+triples");  // no new threshold: cheapest
  EXPECT_EQ(chain.PassName(-1), "");
  EXPECT_EQ(chain.PassName(chain.PassCount()), "");
  EXPECT_FALSE(chain.AddPass("no such binarizer", nullptr));

  // Version 18 dark on light: the inverted plane cannot read it, the finder
  // triples on the classic plane can.
  const test::ReferenceSymbol symbol = Make("eighteen", 18, 0, 1);
  TRenderOptions options;
  options.ModuleSize = 3;
  const TPlaneGrey grey = GreyOf(RenderBitmap(symbol.Matrix, options));
  TDecorder decorder;
  std::string text = "kept";
  chain.SetOnly("adaptive-inverted+triples");
  EXPECT_FALSE(chain.Run(grey, decorder, text));
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(chain.Pass(), "");
  chain.SetOnly("global+triples");
  ASSERT_TRUE(chain.Run(grey, decorder, text));
  EXPECT_EQ(text, "eighteen");
  EXPECT_EQ(chain.Pass(), "global+triples");
  EXPECT_EQ(decorder.Version(), 18);
  EXPECT_EQ(chain.Plane().Width(), grey.Width());
}

// Counts its searches and finds nothing; named like the kind it stands for.
class TCountingLocator : public TLocator {
 public:
  explicit TCountingLocator(const char* name) : FName(name) {}
  const char* Name() const override { return FName; }
  bool Locate(const TPlaneBoolean&, const TPlaneGrey*, const TDecodeSettings&,
              const TLocationSink&) override {
    ++Calls;
    return false;
  }
  int32_t Calls = 0;

 private:
  const char* FName;
};

TEST(PassesTest, APlaneLikeAnEarlierOneIsNotSearchedAgainByTheSameKind) {
  TPassChain chain;
  auto add = [&chain](const char* binarizer, const char* kind) {
    auto locator = std::make_unique<TCountingLocator>(kind);
    TCountingLocator* counter = locator.get();
    EXPECT_TRUE(chain.AddPass(binarizer, std::move(locator)));
    return counter;
  };
  TCountingLocator* global = add("global", "counting");
  TCountingLocator* adaptive = add("adaptive", "counting");
  TCountingLocator* inverted = add("adaptive-inverted", "counting");
  TCountingLocator* adaptiveOther = add("adaptive", "other");
  TCountingLocator* classic = add("global", "classic");
  TDecorder decorder;
  std::string text;

  // A flat picture: every threshold leaves every pixel light.
  const TPlaneGrey flat(120, 90, 200);
  EXPECT_FALSE(chain.Run(flat, decorder, text));
  EXPECT_EQ(global->Calls, 1);
  EXPECT_EQ(adaptive->Calls, 0);
  EXPECT_EQ(inverted->Calls, 0);
  EXPECT_EQ(adaptiveOther->Calls, 1);  // a kind that has not searched it
  EXPECT_EQ(classic->Calls, 1);

  // The classic locator already found nothing on the given classic plane.
  chain.SetOnly("global+classic");
  EXPECT_FALSE(chain.Run(flat, decorder, text));
  EXPECT_EQ(classic->Calls, 2);
  const TPlaneBoolean light(120, 90, 0);
  EXPECT_FALSE(chain.Run(flat, decorder, text, &light, false));
  EXPECT_EQ(classic->Calls, 2);
  EXPECT_FALSE(chain.Run(flat, decorder, text, &light, true));
  EXPECT_EQ(classic->Calls, 3);
  chain.SetOnly("");

  // Dark marks on a light gradient: the local threshold keeps marks the
  // global one loses, so the planes differ and both are searched.
  TPlaneGrey marks(120, 90);
  for (int32_t y = 0; y < 90; ++y)
    for (int32_t x = 0; x < 120; ++x) {
      const int32_t level = 250 - x * 2;
      marks(x, y) = static_cast<uint8_t>((x / 5 + y / 5) % 2 == 0 ? level / 2 : level);
    }
  EXPECT_FALSE(chain.Run(marks, decorder, text));
  EXPECT_EQ(global->Calls, 2);
  EXPECT_EQ(adaptive->Calls, 1);
  EXPECT_EQ(inverted->Calls, 1);
}

TEST(PassesTest, AdaptiveThresholdIgnoresFlatAreasAndFollowsTheLight) {
  // Left half flat mid grey with faint noise, right half a gradient with
  // dark marks whose light surround is darker than the marks on the left.
  TPlaneGrey grey(200, 100, 128);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) grey(x, y) = 128 + ((x * 7 + y * 13) % 5) - 2;
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 100; x < 200; ++x) {
      const int32_t light = 230 - (x - 100) * 2;  // 230 down to 32
      const bool mark = (x / 6) % 2 == 0 && (y / 6) % 2 == 0;
      grey(x, y) = mark ? light / 3 : light;
    }
  TAdaptiveBinarizer adaptive;
  TPlaneBoolean plane;
  adaptive.Binarize(grey, {}, plane);
  ASSERT_EQ(plane.Width(), 200);
  ASSERT_EQ(plane.Height(), 100);
  int flatDark = 0;
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 90; ++x) flatDark += plane(x, y);
  EXPECT_EQ(flatDark, 0);
  int wrong = 0;
  int marks = 0;
  for (int32_t y = 10; y < 90; ++y)
    for (int32_t x = 110; x < 190; ++x) {
      if ((x % 6) == 0 || (x % 6) == 5 || (y % 6) == 0 || (y % 6) == 5) continue;  // edges
      const bool mark = (x / 6) % 2 == 0 && (y / 6) % 2 == 0;
      marks += mark ? 1 : 0;
      wrong += (plane(x, y) != 0) != mark ? 1 : 0;
    }
  EXPECT_GT(marks, 0);
  EXPECT_EQ(wrong, 0);

  // The inverted binarizer reads the negated picture: its marks are the
  // light gaps, and the flat half stays light.
  TAdaptiveBinarizer inverted(TAdaptiveBinarizer::TPolarity::Inverted);
  EXPECT_STREQ(inverted.Name(), "adaptive-inverted");
  TPlaneBoolean negative;
  inverted.Binarize(grey, {}, negative);
  EXPECT_EQ(negative(20, 20), 0);
  EXPECT_EQ(negative(117, 20), 1);  // a gap between marks at the bright end
  EXPECT_EQ(negative(111, 14), 0);  // a mark

  // Empty and one-pixel planes do not break it.
  TPlaneGrey empty;
  adaptive.Binarize(empty, {}, plane);
  EXPECT_TRUE(plane.Empty());
  TPlaneGrey one(1, 1, 0);
  adaptive.Binarize(one, {}, plane);
  EXPECT_EQ(plane(0, 0), 0);
}

TEST(PassesTest, GlobalBinarizerIsTheClassicRule) {
  const test::ReferenceSymbol symbol = Make("global", 2, 1, 3);
  TRenderOptions options;
  options.Lighting = 0.4;
  options.NoiseSigma = 10;
  const TBitmap bitmap = RenderBitmap(symbol.Matrix, options);
  TPlaneInteger colours(bitmap.Width(), bitmap.Height());
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      colours(x, y) = static_cast<int32_t>(bitmap.Pixel(x, y));
  for (int32_t resolver : {1, 7, 40}) {
    TFrontImage front;
    front.SetResolver(resolver);
    TPlaneBoolean expected;
    front.Binarize(colours, bitmap.Width(), bitmap.Height(), expected);
    TGlobalBinarizer global;
    TDecodeSettings settings;
    settings.Resolver = resolver;
    TPlaneBoolean plane;
    global.Binarize(front.Grey(), settings, plane);
    EXPECT_EQ(plane, expected) << "resolver " << resolver;
  }
}

}  // namespace
}  // namespace vornak
