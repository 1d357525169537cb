#pragma once

#include <cstdint>
#include <vector>

#include "engine/Binarizer.h"

namespace vornak {

// A local threshold for pictures with uneven light: a pixel is dark when it
// lies clearly below the mean of the square window around it. "Clearly"
// means by a share of that mean and by at least a fixed floor, so flat
// areas (a bare wall, a dark surround) come out light instead of noise.
// Window means come from an integral image, so the cost is linear in the
// number of pixels whatever the window size.
class TAdaptiveBinarizer : public TBinarizer {
 public:
  // Window half-side: the shorter picture side divided by kWindowDivisor,
  // at least kMinRadius pixels.
  static constexpr int32_t kWindowDivisor = 16;
  static constexpr int32_t kMinRadius = 4;
  // A dark pixel lies at least kMinContrast grey levels and kPercent percent
  // below its window mean.
  static constexpr int32_t kMinContrast = 8;
  static constexpr int32_t kPercent = 10;

  const char* Name() const override { return "adaptive"; }
  void Binarize(const TPlaneInteger& grey, TPlaneBoolean& result) override;

  // Window half-side used for a picture of these extents.
  static int32_t Radius(int32_t width, int32_t height);

 private:
  std::vector<int64_t> FIntegral;
};

}  // namespace vornak
