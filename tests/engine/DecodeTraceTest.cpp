// The trace of a decode: where each stage saw the symbol and how far it got,
// checked against pictures rendered from an independent encoder's symbols.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/DecodeTrace.h"
#include "engine/Vornak.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

using TStage = TDecodeTrace::TStage;
using TSource = TDecodeTrace::TVersionSource;
using test::Make;
using test::ModuleToPixel;
using test::RenderBitmap;
using test::TRenderOptions;

const std::string kText = "TRACE 1";

// Modules whose sampled pixel on the trace's plane disagrees with the symbol.
int32_t Disagreements(const TDecodeTrace& trace, const TPlaneBoolean& matrix) {
  const std::vector<TPoint> centres = trace.ModuleCentres();
  const int32_t side = matrix.Width();
  EXPECT_EQ(centres.size(), static_cast<size_t>(side) * static_cast<size_t>(side));
  if (centres.size() != static_cast<size_t>(side) * static_cast<size_t>(side)) return side * side;
  const TPlaneBoolean& plane = *trace.Plane();
  int32_t wrong = 0;
  for (int32_t b = 0; b < side; ++b) {
    for (int32_t a = 0; a < side; ++a) {
      const TPoint p = centres[static_cast<size_t>(b * side + a)];
      const bool inside = p.X >= 0 && p.Y >= 0 && p.X < plane.Width() && p.Y < plane.Height();
      const bool dark = inside && plane(p.X, p.Y) != 0;
      if (dark != (matrix(a, b) != 0)) ++wrong;
    }
  }
  return wrong;
}

// Pixel distance from p to the centre of module (mx + 0.5, my + 0.5).
double Off(const TPoint& p, int32_t side, const TRenderOptions& options, double mx, double my) {
  const test::TPointF where = ModuleToPixel(side, options, mx, my);
  return std::hypot(p.X + 0.5 - where.X, p.Y + 0.5 - where.Y);
}

TEST(DecodeTraceTest, NothingRecordedBeforeTheFirstDecode) {
  TVornak vornak;
  EXPECT_FALSE(vornak.Trace().Recorded());
  EXPECT_EQ(vornak.Trace().Plane(), nullptr);
  EXPECT_TRUE(vornak.Trace().ModuleCentres().empty());
}

TEST(DecodeTraceTest, ClassicDecodeRecordsItsGeometryAndSampledCentres) {
  for (const int version : {1, 4, 7, 12}) {
    SCOPED_TRACE(version);
    const test::ReferenceSymbol symbol = Make(kText, version, 1, version % 8);
    TRenderOptions options;
    options.ModuleSize = 4.0;
    const TBitmap bitmap = RenderBitmap(symbol.Matrix, options);
    TVornak vornak;
    vornak.SetClassic(true);
    ASSERT_TRUE(vornak.Decode(bitmap));
    const TDecodeTrace& trace = vornak.Trace();
    EXPECT_EQ(trace.Stage(), TStage::Decoded);
    EXPECT_EQ(trace.Pass(), "classic");
    EXPECT_EQ(trace.Plane(), &vornak.Plane());
    EXPECT_EQ(trace.Finders(), vornak.FinderCentres());
    EXPECT_EQ(trace.Corners(), vornak.Corners());
    EXPECT_EQ(trace.Version(), version);
    EXPECT_EQ(trace.Size(), symbol.Side());
    EXPECT_EQ(trace.VersionSource(), version < 7 ? TSource::Timing : TSource::VersionInformation);
    // The centres are the pixels the sampler read: they give back the
    // encoder's modules.
    EXPECT_EQ(Disagreements(trace, symbol.Matrix), 0);
    // Every finder has a candidate within a module of its centre.
    const int32_t side = symbol.Side();
    const double far = side - 3.5;
    for (const auto& [mx, my] : {std::pair{3.5, 3.5}, std::pair{far, 3.5}, std::pair{3.5, far}}) {
      bool seen = false;
      for (const TPoint& candidate : trace.Candidates())
        seen = seen || Off(candidate, side, options, mx, my) < options.ModuleSize;
      EXPECT_TRUE(seen) << "no candidate at module " << mx << ", " << my;
    }
  }
}

TEST(DecodeTraceTest, ForcedVersionIsReportedAsForced) {
  const test::ReferenceSymbol symbol = Make(kText, 3, 0, 2);
  TVornak vornak;
  vornak.SetClassic(true);
  vornak.SetForceVersion(3);
  ASSERT_TRUE(vornak.Decode(RenderBitmap(symbol.Matrix, TRenderOptions())));
  EXPECT_EQ(vornak.Trace().VersionSource(), TSource::Forced);
  EXPECT_EQ(vornak.Trace().Version(), 3);
}

// A symbol whose timing patterns are wiped: the finders are found, the
// version cannot be fixed.
TEST(DecodeTraceTest, FailedVersionSearchStillShowsTheThreeFinders) {
  test::ReferenceSymbol symbol = Make(kText, 2, 1, 4);
  const int32_t side = symbol.Side();
  for (int32_t i = 8; i < side - 8; ++i) {
    symbol.Matrix(i, 6) = 0;
    symbol.Matrix(6, i) = 0;
  }
  TRenderOptions options;
  options.ModuleSize = 5.0;
  TVornak vornak;
  vornak.SetClassic(true);
  ASSERT_FALSE(vornak.Decode(RenderBitmap(symbol.Matrix, options)));
  ASSERT_EQ(vornak.ErrorCode(), TVornak::kNotLocated);
  const TDecodeTrace& trace = vornak.Trace();
  EXPECT_EQ(trace.Stage(), TStage::Finders);
  EXPECT_EQ(trace.Pass(), "classic");
  EXPECT_EQ(trace.Version(), 0);
  EXPECT_EQ(trace.VersionSource(), TSource::None);
  EXPECT_EQ(trace.Size(), 0);
  EXPECT_TRUE(trace.ModuleCentres().empty());
  const double far = side - 3.5;
  EXPECT_LT(Off(trace.Finders()[0], side, options, 3.5, 3.5), options.ModuleSize);
  EXPECT_LT(Off(trace.Finders()[1], side, options, far, 3.5), options.ModuleSize);
  EXPECT_LT(Off(trace.Finders()[2], side, options, 3.5, far), options.ModuleSize);
}

TEST(DecodeTraceTest, PictureWithoutSymbolGetsNowhereAndANewDecodeForgets) {
  const test::ReferenceSymbol symbol = Make(kText, 2, 1, 0);
  TVornak vornak;
  ASSERT_TRUE(vornak.Decode(RenderBitmap(symbol.Matrix, TRenderOptions())));
  ASSERT_EQ(vornak.Trace().Stage(), TStage::Decoded);

  ASSERT_FALSE(vornak.Decode(TBitmap(160, 120, 0xFFFFFF)));
  const TDecodeTrace& trace = vornak.Trace();
  EXPECT_TRUE(trace.Recorded());
  EXPECT_EQ(trace.Stage(), TStage::None);
  EXPECT_TRUE(trace.Candidates().empty());
  EXPECT_EQ(trace.Version(), 0);
  EXPECT_TRUE(trace.ModuleCentres().empty());
  ASSERT_NE(trace.Plane(), nullptr);
  EXPECT_EQ(trace.Plane()->Width(), 160);

  // A picture too small to binarize usefully is still recorded.
  ASSERT_FALSE(vornak.Decode(TBitmap(1, 1, 0)));
  EXPECT_EQ(vornak.Trace().Stage(), TStage::None);
}

// Light-on-dark: only a further pass reads it, on its own (inverted) plane.
TEST(DecodeTraceTest, DecodingPassRecordsItsOwnPlaneAndGrid) {
  for (const int version : {3, 9}) {
    SCOPED_TRACE(version);
    const test::ReferenceSymbol symbol = Make(kText, version, 1, 1);
    TRenderOptions options;
    options.ModuleSize = 5.0;
    options.DarkColour = 0xFFFFFF;
    options.LightColour = 0x000000;
    TVornak vornak;
    ASSERT_TRUE(vornak.Decode(RenderBitmap(symbol.Matrix, options)));
    ASSERT_NE(vornak.Pass(), "classic");
    const TDecodeTrace& trace = vornak.Trace();
    EXPECT_EQ(trace.Stage(), TStage::Decoded);
    EXPECT_EQ(trace.Pass(), vornak.Pass());
    EXPECT_EQ(trace.Finders(), vornak.FinderCentres());
    EXPECT_EQ(trace.Corners(), vornak.Corners());
    EXPECT_EQ(trace.Version(), version);
    EXPECT_EQ(trace.VersionSource(), TSource::Geometry);
    ASSERT_NE(trace.Plane(), nullptr);
    EXPECT_FALSE(trace.Candidates().empty());
    // The grid through the pass's corners samples the symbol's modules on
    // the pass's plane, where the light-on-dark modules are dark.
    EXPECT_LE(Disagreements(trace, symbol.Matrix), symbol.Side() * symbol.Side() / 100);
  }
}

}  // namespace
}  // namespace vornak
