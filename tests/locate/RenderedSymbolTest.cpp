#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "locate/FindPattern.h"
#include "tests/locate/LocateTestUtil.h"
#include "tests/support/Renderer.h"

namespace vornak::test {
namespace {

// Centre of finder k (0 corner, 1 top-right, 2 bottom-left) in the picture.
TPointF FinderCentre(int32_t side, const TRenderOptions& options, int32_t k) {
  const double far = side - 3.5;
  return ModuleToPixel(side, options, k == 1 ? far : 3.5, k == 2 ? far : 3.5);
}

// Finders found where they are and in order (axis ends exchanged when the
// symbol is mirrored), then the version search from the estimate lands on the
// true version. Empty on success, else what went wrong.
std::string Locate(int32_t version, const TRenderOptions& options) {
  const TPlaneBoolean matrix = EncodedMatrix(version);
  const TPlaneBoolean image = RenderPlane(matrix, options);
  TFindPattern finder;
  if (finder.Find(image, image.Width(), image.Height()) != 0) return "no finders";
  // The centre lies within the centre block (3 modules), up to a pixel.
  const double tolerance = 0.75 * options.ModuleSize + 1.0;
  for (int32_t k = 0; k < 3; ++k) {
    const int32_t expectedIndex = options.Mirror && k > 0 ? 3 - k : k;
    const TPointF expected = FinderCentre(matrix.Width(), options, expectedIndex);
    const TPoint found = finder.GetPattern(k);
    if (std::hypot(found.X + 0.5 - expected.X, found.Y + 0.5 - expected.Y) > tolerance)
      return "finder " + std::to_string(k) + " at (" + std::to_string(found.X) + ", " +
             std::to_string(found.Y) + ")";
  }
  if (options.Mirror) return {};
  const int32_t found =
      SearchVersion(finder.GetPattern(0), finder.GetPattern(1), finder.GetPattern(2), image);
  if (found != version) return "version " + std::to_string(found);
  return {};
}

std::string Describe(int32_t version, const TRenderOptions& o) {
  return "version " + std::to_string(version) + ", " + std::to_string(o.ModuleSize) +
         " px/module, " + std::to_string(o.RotationDegrees) + "°" + (o.Mirror ? ", mirrored" : "");
}

class RenderedSymbolSweep : public ::testing::TestWithParam<int32_t> {};

// Upright and turned by quarter turns, every run through a finder is exact and
// the whole search must succeed at every module size.
TEST_P(RenderedSymbolSweep, UprightAndQuarterTurnsAtThreeToTenPixelsPerModule) {
  const int32_t version = GetParam();
  for (int32_t size = 3; size <= 10; ++size)
    for (int32_t degrees : {0, 90, 180, 270}) {
      TRenderOptions options;
      options.ModuleSize = size;
      options.RotationDegrees = degrees;
      // Anti-aliased upright; point-sampled turned, which is exact there too.
      options.Supersample = degrees == 0 ? 4 : 1;
      EXPECT_EQ(Locate(version, options), "") << Describe(version, options);
    }
}

TEST_P(RenderedSymbolSweep, MirroredExchangesTheAxisEnds) {
  const int32_t version = GetParam();
  for (int32_t degrees : {0, 90}) {
    TRenderOptions options;
    options.ModuleSize = 3 + version % 8;
    options.RotationDegrees = degrees;
    options.Mirror = true;
    options.Supersample = 1;
    EXPECT_EQ(Locate(version, options), "") << Describe(version, options);
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, RenderedSymbolSweep, ::testing::Range(1, 15));

// At other angles the search has no verification step: a finder whose runs are
// split into two groups (small modules near 45°), or claimed together with a
// finder-like stretch of the data, can lose to a false candidate. Every
// version at every module size is tried at three of the twenty angles that
// are not quarter turns, cycling so that every angle is covered; nearly all
// must succeed.
TEST(RotationSweep, RotatedEveryFifteenDegrees) {
  std::vector<int32_t> angles;
  for (int32_t degrees = 15; degrees < 360; degrees += 15)
    if (degrees % 90 != 0) angles.push_back(degrees);
  int32_t tried = 0;
  std::vector<std::string> failures;
  size_t next = 0;
  for (int32_t version = 1; version <= 14; ++version)
    for (int32_t size = 3; size <= 10; ++size)
      for (int32_t k = 0; k < 3; ++k) {
        TRenderOptions options;
        options.ModuleSize = size;
        options.RotationDegrees = angles[next++ % angles.size()];
        options.Supersample = 1;
        ++tried;
        const std::string result = Locate(version, options);
        if (!result.empty()) failures.push_back(Describe(version, options) + ": " + result);
      }
  std::string list;
  for (const std::string& f : failures) list += f + "\n";
  EXPECT_LE(failures.size() * 100, static_cast<size_t>(tried) * 6) << list;
  RecordProperty("RotatedFailures", static_cast<int>(failures.size()));
  std::printf("rotated: %zu of %d failed\n%s", failures.size(), tried, list.c_str());
}

}  // namespace
}  // namespace vornak::test
