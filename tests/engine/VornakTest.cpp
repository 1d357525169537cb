#include "engine/Vornak.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

using test::Make;
using test::RenderBitmap;
using test::TRenderOptions;

const std::string kNotFound = "位置検出パターンがみつかりません。";
const std::string kReadError = "セルの読み込みでエラーが発生しました。";

TBitmap Picture(const test::ReferenceSymbol& symbol, double module = 4.0) {
  TRenderOptions options;
  options.ModuleSize = module;
  return RenderBitmap(symbol.Matrix, options);
}

// Rotated symbols cut close at the picture's edges, for which the corner
// geometry breaks down and raises.
struct TRaising {
  int Version;
  double Module;
  int QuietZone;
  double Rotation;
  int Left, Top, Right, Bottom;
  int Mask;
  int Warp;
  const char* Message;
};
constexpr TRaising kRaising[] = {
    {1, 4, 2, 227, 5, 4, 1, 14, 7, 6, "Base Angle Error"},
    {2, 5, 1, 150, 5, 3, 5, 19, 2, 3, "Program Error"},
};

TBitmap PictureThatRaises(const TRaising& r) {
  TRenderOptions options;
  options.ModuleSize = r.Module;
  options.QuietZone = r.QuietZone;
  options.RotationDegrees = r.Rotation;
  const TBitmap full = RenderBitmap(Make("exception hunt", r.Version, 1, r.Mask).Matrix, options);
  TBitmap cut(full.Width() - r.Left - r.Right, full.Height() - r.Top - r.Bottom);
  for (int32_t y = 0; y < cut.Height(); ++y)
    for (int32_t x = 0; x < cut.Width(); ++x) cut.SetPixel(x, y, full.Pixel(x + r.Left, y + r.Top));
  return cut;
}

// Counts the events and checks they come with the component itself.
struct TEvents {
  int Decoded = 0;
  int Errors = 0;
  void Attach(TVornak& vornak) {
    vornak.OnDecoded = [this, &vornak](TVornak& sender) {
      EXPECT_EQ(&sender, &vornak);
      ++Decoded;
    };
    vornak.SetOnError([this, &vornak](TVornak& sender) {
      EXPECT_EQ(&sender, &vornak);
      ++Errors;
    });
  }
};

TEST(VornakTest, TuningValuesAreClampedAndForceVersionCappedAt40) {
  TVornak vornak;
  EXPECT_EQ(vornak.Resolver(), 7);
  EXPECT_EQ(vornak.ForceVersion(), 0);
  const std::vector<std::pair<int32_t, int32_t>> warps = {{0, 1}, {-5, 1}, {1, 1},  {4, 4},
                                                          {6, 6}, {7, 6},  {100, 6}};
  for (const auto& [written, taken] : warps) {
    vornak.SetWarp(written);
    EXPECT_EQ(vornak.Warp(), taken) << written;
  }
  const std::vector<std::pair<int32_t, int32_t>> resolvers = {
      {0, 1}, {-128, 1}, {7, 7}, {255, 255}, {256, 255}, {100000, 255}};
  for (const auto& [written, taken] : resolvers) {
    vornak.SetResolver(written);
    EXPECT_EQ(vornak.Resolver(), taken) << written;
  }
  for (const auto& [written, taken] :
       std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {-3, -3}, {15, 15}, {40, 40}, {41, 40}}) {
    vornak.SetForceVersion(written);
    EXPECT_EQ(vornak.ForceVersion(), taken);
  }
}

TEST(VornakTest, DecodesAndReportsWhatItLearnt) {
  const auto symbol = Make("Vornak reads this", 3, 2, 5);
  TVornak vornak;
  vornak.SetWarp(6);
  TEvents events;
  events.Attach(vornak);
  const TBitmap bitmap = Picture(symbol, 5.0);
  ASSERT_TRUE(vornak.Decode(bitmap)) << vornak.ErrorText() << " " << vornak.ExceptionText();
  EXPECT_EQ(vornak.ResultText(), "Vornak reads this");
  EXPECT_EQ(vornak.ErrorText(), "");
  EXPECT_EQ(vornak.ErrorCode(), 0);
  EXPECT_EQ(vornak.ExceptionText(), "");
  EXPECT_EQ(vornak.Version(), 3);
  EXPECT_EQ(vornak.Level(), 2);
  EXPECT_EQ(vornak.Mask(), 5);
  EXPECT_EQ(vornak.Eci(), -1);
  EXPECT_FALSE(vornak.HasStructuredAppend());
  EXPECT_EQ(events.Decoded, 1);
  EXPECT_EQ(events.Errors, 0);
  EXPECT_EQ(vornak.Plane().Width(), bitmap.Width());
  EXPECT_EQ(vornak.Plane().Height(), bitmap.Height());

  // Finder centres and corners where the renderer put them, within a pixel
  // or two (corners are the outermost dark pixels).
  ASSERT_TRUE(vornak.HasGeometry());
  TRenderOptions options;
  options.ModuleSize = 5.0;
  const int32_t n = symbol.Side();
  const TPoint finders[3] = {test::ModuleCentrePixel(n, options, 3, 3),
                             test::ModuleCentrePixel(n, options, n - 4, 3),
                             test::ModuleCentrePixel(n, options, 3, n - 4)};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(vornak.FinderCentres()[i].X, finders[i].X, 2) << i;
    EXPECT_NEAR(vornak.FinderCentres()[i].Y, finders[i].Y, 2) << i;
  }
  const double corners[4][2] = {{0, 0}, {1.0 * n, 0}, {0, 1.0 * n}, {1.0 * n, 1.0 * n}};
  for (int i = 0; i < 4; ++i) {
    const auto where = test::ModuleToPixel(n, options, corners[i][0], corners[i][1]);
    EXPECT_NEAR(vornak.Corners()[i].X, where.X, 2.5) << i;
    EXPECT_NEAR(vornak.Corners()[i].Y, where.Y, 2.5) << i;
  }
}

TEST(VornakTest, HanziSegmentsReadAsGb2312Pairs) {
  // 职你好 and 阿 (row 0xB0, the second range), between byte and numeric
  // segments, at each width of the count field.
  const std::string hanzi = "\xD6\xB0\xC4\xE3\xBA\xC3\xB0\xA2";
  TVornak vornak;
  for (int version : {2, 10, 27}) {
    const auto symbol = test::MakeSegments(
        {qrcodegen::QrSegment::makeBytes({'A', 'D', ':'}), test::MakeHanziSegment(hanzi, version),
         qrcodegen::QrSegment::makeNumeric("18284")},
        version, 1, 3);
    ASSERT_TRUE(vornak.Decode(Picture(symbol, version > 9 ? 3.0 : 4.0))) << version;
    EXPECT_EQ(vornak.ResultText(), "AD:" + hanzi + "18284") << version;
    EXPECT_TRUE(vornak.Hanzi());
    EXPECT_EQ(vornak.Eci(), -1);
  }
  ASSERT_TRUE(vornak.Decode(Picture(Make("no Hanzi", 1, 0, 0))));
  EXPECT_FALSE(vornak.Hanzi());

  // The classic pipeline reads the modes it always read; the passes after
  // it read the Hanzi.
  const auto symbol = test::MakeSegments({test::MakeHanziSegment(hanzi, 1)}, 1, 0, 0);
  vornak.SetClassic(true);
  EXPECT_FALSE(vornak.Decode(Picture(symbol)));
  EXPECT_EQ(vornak.ErrorText(), kReadError);
  vornak.SetClassic(false);
  ASSERT_TRUE(vornak.Decode(Picture(symbol)));
  EXPECT_EQ(vornak.ResultText(), hanzi);
  EXPECT_NE(vornak.Pass(), "classic");
}

TEST(VornakTest, NoSymbolGivesTheLocationMessage) {
  TVornak vornak;
  TEvents events;
  events.Attach(vornak);
  ASSERT_TRUE(vornak.Decode(Picture(Make("first", 1, 0, 0))));
  EXPECT_FALSE(vornak.Decode(TBitmap(200, 150, 0xFFFFFF)));
  EXPECT_EQ(vornak.ResultText(), "");  // not the earlier text
  EXPECT_EQ(vornak.ErrorText(), kNotFound);
  EXPECT_EQ(vornak.ErrorCode(), 1);
  EXPECT_EQ(vornak.Version(), 0);
  EXPECT_EQ(vornak.Level(), -1);
  EXPECT_FALSE(vornak.HasGeometry());
  EXPECT_EQ(events.Decoded, 1);
  EXPECT_EQ(events.Errors, 1);
  // And a success after the failure clears the message again.
  ASSERT_TRUE(vornak.Decode(Picture(Make("again", 1, 0, 0))));
  EXPECT_EQ(vornak.ErrorText(), "");
  EXPECT_EQ(vornak.ErrorCode(), 0);
  EXPECT_EQ(vornak.ResultText(), "again");
}

TEST(VornakTest, DegeneratePicturesFailCleanly) {
  TVornak vornak;
  TEvents events;
  events.Attach(vornak);
  for (const auto& [w, h] :
       std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {1, 1}, {1, 500}, {500, 0}, {2, 1}}) {
    EXPECT_FALSE(vornak.Decode(TBitmap(w, h, 0))) << w << "x" << h;
    EXPECT_EQ(vornak.ErrorText(), kNotFound);
    EXPECT_EQ(vornak.ErrorCode(), 1);
    EXPECT_EQ(vornak.ResultText(), "");
    EXPECT_EQ(vornak.ExceptionText(), "");
  }
  EXPECT_EQ(events.Errors, 5);
  EXPECT_EQ(events.Decoded, 0);
}

TEST(VornakTest, AnExceptionIsAFailureWithItsOwnMessage) {
  for (const TRaising& raising : kRaising) {
    TVornak vornak;
    vornak.SetClassic(true);  // the later passes read this picture
    vornak.SetWarp(raising.Warp);
    TEvents events;
    events.Attach(vornak);
    ASSERT_TRUE(vornak.Decode(Picture(Make("earlier text", 2, 1, 1))));
    EXPECT_FALSE(vornak.Decode(PictureThatRaises(raising)));
    EXPECT_EQ(vornak.ResultText(), "");  // never the earlier symbol's text
    EXPECT_EQ(vornak.ErrorCode(), 3);
    EXPECT_EQ(vornak.ErrorText(), kReadError);
    EXPECT_EQ(vornak.ExceptionText(), raising.Message);
    EXPECT_EQ(events.Decoded, 1);
    EXPECT_EQ(events.Errors, 1);
    // Without handlers the outcome is the same, and the next decode starts afresh.
    TVornak quiet;
    quiet.SetClassic(true);
    quiet.SetWarp(raising.Warp);
    EXPECT_FALSE(quiet.Decode(PictureThatRaises(raising)));
    EXPECT_EQ(quiet.ErrorText(), kReadError);
    EXPECT_TRUE(quiet.Decode(Picture(Make("later text", 2, 1, 1))));
    EXPECT_EQ(quiet.ExceptionText(), "");
    EXPECT_EQ(quiet.ErrorText(), "");
  }
}

TEST(VornakTest, ForceVersionTakesEffectAtTheNextDecode) {
  const TBitmap large = Picture(Make("version 16 symbol", 16, 0, 3), 3.0);
  TVornak vornak;
  vornak.SetClassic(true);  // the later passes find any version
  vornak.SetWarp(6);
  EXPECT_FALSE(vornak.Decode(large));  // automatic detection stops at 14
  EXPECT_EQ(vornak.ErrorText(), kNotFound);
  vornak.SetForceVersion(16);
  ASSERT_TRUE(vornak.Decode(large)) << vornak.ErrorText() << vornak.ExceptionText();
  EXPECT_EQ(vornak.ResultText(), "version 16 symbol");
  EXPECT_EQ(vornak.Version(), 16);
  vornak.SetForceVersion(0);
  EXPECT_FALSE(vornak.Decode(large));
}

TEST(VornakTest, ResolverShiftsTheThreshold) {
  // With the largest offset no pixel of a black-and-white picture is dark.
  const TBitmap bitmap = Picture(Make("resolver", 1, 0, 0));
  TVornak vornak;
  vornak.SetClassic(true);  // the later passes threshold locally
  vornak.SetResolver(255);
  EXPECT_FALSE(vornak.Decode(bitmap));
  for (uint8_t v : vornak.Plane().Data()) ASSERT_EQ(v, 0);
  vornak.SetResolver(7);
  EXPECT_TRUE(vornak.Decode(bitmap));
}

TEST(VornakTest, SeparateComponentsDecodeOnSeparateThreads) {
  std::vector<TBitmap> bitmaps;
  for (int i = 0; i < 4; ++i)
    bitmaps.push_back(Picture(Make("thread " + std::to_string(i), 2 + i, 1, i)));
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      TVornak vornak;
      for (int round = 0; round < 3; ++round)
        if (vornak.Decode(bitmaps[i])) results[i] = vornak.ResultText();
    });
  for (auto& t : threads) t.join();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(results[i], "thread " + std::to_string(i));
}

}  // namespace
}  // namespace vornak
