#include "engine/AdaptiveBinarizer.h"

#include <algorithm>

namespace vornak {

int32_t TAdaptiveBinarizer::Radius(int32_t width, int32_t height) {
  return std::max(kMinRadius, std::min(width, height) / kWindowDivisor);
}

void TAdaptiveBinarizer::Binarize(const TPlaneInteger& grey, TPlaneBoolean& result) {
  const int32_t width = grey.Width();
  const int32_t height = grey.Height();
  result.Resize(width, height);
  if (width < 1 || height < 1) return;

  // Integral image with a zero row and column in front: entry (x, y) sums
  // the grey levels of columns < x and rows < y.
  const size_t stride = static_cast<size_t>(width) + 1;
  FIntegral.assign(stride * (static_cast<size_t>(height) + 1), 0);
  for (int32_t y = 0; y < height; ++y) {
    const int32_t* row = grey.Row(y);
    int64_t sum = 0;
    int64_t* above = FIntegral.data() + static_cast<size_t>(y) * stride;
    int64_t* here = above + stride;
    for (int32_t x = 0; x < width; ++x) {
      sum += std::clamp(row[x], 0, 255);
      here[x + 1] = above[x + 1] + sum;
    }
  }

  const int32_t radius = Radius(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const int32_t y0 = std::max(0, y - radius);
    const int32_t y1 = std::min(height, y + radius + 1);
    const int64_t* top = FIntegral.data() + static_cast<size_t>(y0) * stride;
    const int64_t* bottom = FIntegral.data() + static_cast<size_t>(y1) * stride;
    const int32_t* row = grey.Row(y);
    uint8_t* out = result.Row(y);
    for (int32_t x = 0; x < width; ++x) {
      const int32_t x0 = std::max(0, x - radius);
      const int32_t x1 = std::min(width, x + radius + 1);
      const int64_t area = static_cast<int64_t>(x1 - x0) * (y1 - y0);
      const int64_t sum = bottom[x1] - bottom[x0] - top[x1] + top[x0];
      const int64_t level = std::clamp(row[x], 0, 255);
      // level < mean * (100 - kPercent) / 100 and level <= mean - kMinContrast,
      // both in integers: mean = sum / area.
      const bool belowShare = level * area * 100 < sum * (100 - kPercent);
      const bool belowFloor = (level + kMinContrast) * area <= sum;
      out[x] = belowShare && belowFloor ? 1 : 0;
    }
  }
}

}  // namespace vornak
