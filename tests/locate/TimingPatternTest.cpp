#include <gtest/gtest.h>

#include <numbers>

#include "locate/TimingPattern.h"
#include "tests/locate/LocateTestUtil.h"
#include "tests/support/Renderer.h"

namespace vornak {
namespace {

TEST(TimingPattern, EstimateFormula) {
  for (int32_t m = 0; m <= 24; ++m) EXPECT_EQ(TTimingPattern::VersionFromChanges(m), 1) << m;
  EXPECT_EQ(TTimingPattern::VersionFromChanges(18), 1);
  EXPECT_EQ(TTimingPattern::VersionFromChanges(10), 1);  // (-11) div 4 + 1 = -1
  EXPECT_EQ(TTimingPattern::VersionFromChanges(25), 2);
  EXPECT_EQ(TTimingPattern::VersionFromChanges(28), 2);
  EXPECT_EQ(TTimingPattern::VersionFromChanges(29), 3);
  EXPECT_EQ(TTimingPattern::VersionFromChanges(77), 15);
}

TEST(TimingPattern, ConstructorRoundsTheDistances) {
  TTimingPattern t(TPoint{0, 0}, TPoint{3, 3}, TPoint{-5, 12});
  EXPECT_EQ(t.DistA(), 4);  // 4.24
  EXPECT_EQ(t.DistB(), 13);
  EXPECT_EQ(t.AngleA(), std::numbers::pi_v<long double> / 4);
  EXPECT_EQ(t.PitchA(), 0.0L);
  TTimingPattern u(TPoint{0, 0}, TPoint{3, 4}, TPoint{0, 0});
  EXPECT_EQ(u.DistA(), 5);
  EXPECT_EQ(u.DistB(), 0);
}

TEST(TimingPattern, AxisPointRoundsOncePerCoordinate) {
  const long double right = 0, down = std::numbers::pi_v<long double> / 2;
  EXPECT_EQ(TTimingPattern::AxisPoint(5, 1, right, down, TPoint{10, 20}), (TPoint{15, 21}));
  const long double diagonal = std::numbers::pi_v<long double> / 4;
  // 0.7071 + 0.7071 = 1.414 -> 1 (rounding each term first would give 2).
  EXPECT_EQ(TTimingPattern::AxisPoint(1, 1, diagonal, diagonal, TPoint{0, 0}), (TPoint{1, 1}));
  TPoint p;
  TTimingPattern::AxisPoint(-3, 0, right, down, TPoint{0, 0}, p);
  EXPECT_EQ(p, (TPoint{-3, 0}));
}

// An upright frame with integral pitch: origin (10, 10) and both axis ends
// (4V + 10) * pitch away; the timing samples of version v fall on pixel
// (16 + pitch * i, 10 + 3 * pitch) along the row.
struct TFrame {
  int32_t version, pitch;
  TPoint origin{10, 10};
  TPoint EndA() const { return TPoint{10 + (4 * version + 10) * pitch, 10}; }
  TPoint EndB() const { return TPoint{10, 10 + (4 * version + 10) * pitch}; }
  TPoint Sample(int32_t i, bool row) const {
    const int32_t start = 10 + 3 * pitch;
    return row ? TPoint{start + i * pitch, start} : TPoint{start, start + i * pitch};
  }
  int32_t Samples() const { return 4 * version + 5; }
};

// The first `wrong` samples of the row (or column) are painted the wrong colour.
TPlaneBoolean TimingImage(const TFrame& f, int32_t wrong, bool row) {
  const int32_t extent = 20 + (4 * f.version + 10) * f.pitch;
  TPlaneBoolean image(extent, extent, 0);
  for (int32_t i = 0; i < f.Samples(); ++i) {
    const bool dark = (i % 2 == 0) != (i < wrong);
    const TPoint p = f.Sample(i, row);
    image(p.X, p.Y) = dark ? 1 : 0;
  }
  return image;
}

TEST(TimingPattern, PassThresholds) {
  struct Case {
    int32_t version, needed;
  };
  for (const Case c : {Case{1, 9}, Case{2, 12}, Case{7, 30}, Case{14, 55}, Case{40, 149}})
    for (bool row : {true, false}) {
      const TFrame f{c.version, 3};
      const int32_t n = f.Samples();
      TTimingPattern timing(f.origin, f.EndA(), f.EndB());
      EXPECT_TRUE(timing.CheckVersion(c.version, TimingImage(f, n - c.needed, row), 0, 0))
          << c.version << (row ? " row" : " column");
      EXPECT_FALSE(timing.CheckVersion(c.version, TimingImage(f, n - c.needed + 1, row), 0, 0))
          << c.version << (row ? " row" : " column");
      EXPECT_EQ(timing.Side(), 4 * c.version + 17);
      EXPECT_EQ(timing.PitchA(), 3.0L);
      EXPECT_EQ(timing.PitchB(), 3.0L);
    }
}

TEST(TimingPattern, VersionsOutsideTheStandardFail) {
  const TFrame f{1, 3};
  TTimingPattern timing(f.origin, f.EndA(), f.EndB());
  const TPlaneBoolean image = TimingImage(f, 0, true);
  EXPECT_TRUE(timing.CheckVersion(1, image, 0, 0));
  EXPECT_FALSE(timing.CheckVersion(0, image, 0, 0));
  EXPECT_FALSE(timing.CheckVersion(-3, image, 0, 0));
  EXPECT_FALSE(timing.CheckVersion(41, image, 0, 0));
}

TEST(TimingPattern, CleanVersionOneAtTenPixelsPerModule) {
  test::TRenderOptions options;
  options.ModuleSize = 10;
  options.QuietZone = 0;
  const TPlaneBoolean image = test::RenderPlane(test::EncodedMatrix(1), options);
  ASSERT_EQ(image.Width(), 210);
  TTimingPattern timing(TPoint{35, 35}, TPoint{175, 35}, TPoint{35, 175});
  EXPECT_EQ(timing.DistA(), 140);
  EXPECT_EQ(timing.DistB(), 140);
  EXPECT_TRUE(timing.CheckVersion(1, image, 210, 210));
  EXPECT_EQ(timing.PitchA(), 10.0L);
  EXPECT_EQ(timing.Side(), 21);
  // Version 2 starts at (58, 58), in the corner finder's light ring.
  EXPECT_FALSE(image(58, 58));
  EXPECT_FALSE(timing.CheckVersion(2, image, 210, 210));
  EXPECT_EQ(timing.PitchA(), 140.0L / 18.0L);
  EXPECT_EQ(timing.EstimateVersion(image, 210, 210), 1);
}

TEST(TimingPattern, TheRowFailingLeavesTheColumnToPass) {
  const TFrame f{3, 2};
  TPlaneBoolean image = TimingImage(f, 0, false);  // column good, row all light
  TTimingPattern timing(f.origin, f.EndA(), f.EndB());
  EXPECT_TRUE(timing.CheckVersion(3, image, 0, 0));
  // Row good, column ruined: passes on the row alone.
  image = TimingImage(f, 0, true);
  const TPoint s = f.Sample(1, false);
  image(s.X, s.Y) = 1;
  EXPECT_TRUE(timing.CheckVersion(3, image, 0, 0));
}

TEST(TimingPattern, ReadsOutsideThePictureCountAsLight) {
  // Everything dark, but every sample outside the plane: odd samples match,
  // even ones fail, so no version passes; the walks see one change each.
  const TPlaneBoolean dark(20, 20, 1);
  TTimingPattern far(TPoint{-500, -500}, TPoint{-100, -500}, TPoint{-500, -100});
  for (int32_t v = 1; v <= 40; ++v) EXPECT_FALSE(far.CheckVersion(v, dark, 20, 20));
  EXPECT_EQ(far.ChangesA(dark), 1);
  EXPECT_EQ(far.EstimateVersion(dark, 20, 20), 1);
  // Centres at the very edges of a small picture, pointing out of it.
  TTimingPattern edge(TPoint{19, 19}, TPoint{300, 19}, TPoint{19, 300});
  for (int32_t v = 1; v <= 40; ++v) EXPECT_FALSE(edge.CheckVersion(v, dark, 20, 20));
  EXPECT_EQ(edge.EstimateVersion(dark, 20, 20), 1);
  const TPlaneBoolean tiny(1, 1, 0);
  TTimingPattern corner(TPoint{0, 0}, TPoint{0, 0}, TPoint{0, 0});
  EXPECT_EQ(corner.EstimateVersion(tiny, 1, 1), 1);
  EXPECT_FALSE(corner.CheckVersion(1, tiny, 1, 1));
}

TEST(TimingPattern, EstimateNeverExceedsTheTrueVersion) {
  for (int32_t version = 1; version <= 14; ++version) {
    test::TRenderOptions options;
    options.ModuleSize = 4;
    const TPlaneBoolean matrix = test::EncodedMatrix(version);
    const TPlaneBoolean image = test::RenderPlane(matrix, options);
    const int32_t n = matrix.Width();
    const TPoint corner = test::ModuleCentrePixel(n, options, 3, 3);
    TTimingPattern timing(corner, test::ModuleCentrePixel(n, options, n - 4, 3),
                          test::ModuleCentrePixel(n, options, 3, n - 4));
    const int32_t estimate = timing.EstimateVersion(image, image.Width(), image.Height());
    EXPECT_GE(estimate, 1);
    EXPECT_LE(estimate, version < 3 ? 1 : version - 2) << version;
    EXPECT_TRUE(timing.CheckVersion(version, image, 0, 0)) << version;
  }
}

}  // namespace
}  // namespace vornak
