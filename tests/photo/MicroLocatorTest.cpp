#include "photo/MicroLocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <tuple>

#include "tests/support/Renderer.h"
#include "tests/support/ZintSymbol.h"

namespace vornak {
namespace {

using test::TRenderOptions;

// Modules of the offered matrix that differ from the encoder's (transposed
// for a mirrored picture, which the decoding tail reads transposed).
int32_t Differences(const TPlaneBoolean& found, const test::ZintSymbol& symbol, bool transposed) {
  int32_t wrong = 0;
  for (int32_t y = 0; y < symbol.Rows; ++y)
    for (int32_t x = 0; x < symbol.Columns; ++x) {
      const bool want = symbol.Matrix(x, y) != 0;
      const bool got = (transposed ? found(y, x) : found(x, y)) != 0;
      wrong += want != got ? 1 : 0;
    }
  return wrong;
}

struct TCase {
  const char* Name;
  double Rotation;
  bool Mirror;
  bool Perspective;
  double Module;
};

void PrintTo(const TCase& c, std::ostream* out) { *out << c.Name; }

class MicroLocatorTest : public ::testing::TestWithParam<std::tuple<int, TCase>> {};

// Every version, turned every way, mirrored and seen at an angle: the locator
// offers the encoder's matrix module for module, at the encoder's side.
TEST_P(MicroLocatorTest, OffersTheEncodersMatrix) {
  const auto& [version, c] = GetParam();
  // As much as the smallest versions hold (M1 digits only).
  const char* const kData[] = {"31415", "MICRO2", "MICRO QR 3", "MICRO QR CODE 4"};
  const std::string data = kData[version - 1];
  const test::ZintSymbol symbol = test::MakeMicroQr(data, version, 0);
  ASSERT_EQ(symbol.Error, "");
  ASSERT_EQ(symbol.Columns, 9 + 2 * version);
  TRenderOptions options;
  options.ModuleSize = c.Module;
  options.QuietZone = 3;
  options.RotationDegrees = c.Rotation;
  options.Mirror = c.Mirror;
  options.BlurSigma = 0.6;
  if (c.Perspective) {
    const double n = symbol.Columns * c.Module;
    options.UseCorners = true;
    options.Corners = {test::TPointF{20, 14}, test::TPointF{20 + n * 1.1, 24},
                       test::TPointF{14 + n, 16 + n * 0.95}, test::TPointF{26, 10 + n * 1.05}};
    options.Width = static_cast<int32_t>(n * 1.3 + 40);
    options.Height = options.Width;
  }
  const TPlaneBoolean plane = test::RenderPlane(symbol.Matrix, options);
  TMicroLocator locator;
  int32_t best = symbol.Columns * symbol.Rows;
  int32_t offers = 0;
  locator.Locate(plane, TDecodeSettings{}, [&](const TLocation& location) {
    ++offers;
    if (location.Size == symbol.Columns)
      best = std::min(best, Differences(*location.Matrix, symbol, c.Mirror));
    return false;
  });
  EXPECT_GE(offers, 1);
  EXPECT_EQ(best, 0) << "offers " << offers;
}

constexpr TCase kCases[] = {
    {"Upright", 0, false, false, 5},
    {"Quarter", 90, false, false, 4},
    {"Half", 180, false, false, 6},
    {"ThreeQuarters", 270, false, false, 5},
    {"Turned", 33, false, false, 6},
    {"MirroredTurned", 200, true, false, 5},
    {"SmallTurned", 15, false, false, 3},
    {"Perspective", 0, false, true, 7},
    {"MirroredPerspective", 0, true, true, 7},
};

INSTANTIATE_TEST_SUITE_P(Micro, MicroLocatorTest,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4),
                                            ::testing::ValuesIn(kCases)),
                         [](const auto& info) {
                           return "M" + std::to_string(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param).Name;
                         });

TEST(MicroLocatorSingleTest, OffersNothingWithoutTiming) {
  // A finder alone, with nothing beside it, has no timing to follow.
  TPlaneBoolean matrix(11, 11, 0);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 7; ++x) {
      const int32_t ring = std::max(std::abs(x - 3), std::abs(y - 3));
      matrix(x, y) = ring == 2 ? 0 : 1;
    }
  TRenderOptions options;
  options.ModuleSize = 5;
  const TPlaneBoolean plane = test::RenderPlane(matrix, options);
  TMicroLocator locator;
  int32_t offers = 0;
  EXPECT_FALSE(locator.Locate(plane, TDecodeSettings{}, [&](const TLocation&) {
    ++offers;
    return false;
  }));
  EXPECT_EQ(offers, 0);
}

}  // namespace
}  // namespace vornak
