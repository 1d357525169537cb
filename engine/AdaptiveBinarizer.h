#pragma once

#include <cstdint>
#include <vector>

#include "engine/Binarizer.h"

namespace vornak {

// A local threshold for pictures with uneven light: a pixel is dark when it
// lies clearly below the mean grey of the window of blocks around its own
// block. "Clearly" means by a share of that mean and by at least a fixed
// floor, so flat areas (a bare wall, a dark surround) come out light instead
// of noise. Block sums feed an integral image over the block grid, so the
// cost is one pass over the pixels for the sums and one for the comparison,
// whatever the window size.
class TAdaptiveBinarizer : public TBinarizer {
 public:
  // Block side: the shorter picture side divided by kBlockDivisor, at least
  // kMinBlock pixels. The window spans kWindowBlocks blocks either way of a
  // pixel's block (about an eighth of the shorter side in all).
  static constexpr int32_t kBlockDivisor = 48;
  static constexpr int32_t kMinBlock = 2;
  static constexpr int32_t kWindowBlocks = 3;
  // A dark pixel lies at least kMinContrast grey levels and kPercent percent
  // below its window mean.
  static constexpr int32_t kMinContrast = 8;
  static constexpr int32_t kPercent = 10;

  const char* Name() const override { return "adaptive"; }
  void Binarize(const TPlaneGrey& grey, TPlaneBoolean& result) override;

  // Block side used for a picture of these extents.
  static int32_t BlockSize(int32_t width, int32_t height);

 private:
  std::vector<int64_t> FSums;       // per block, then the integral over blocks
  std::vector<int32_t> FThreshold;  // per block: grey levels below it are dark
  std::vector<uint32_t> FColumns;   // column sums over one band of block rows
  std::vector<uint16_t> FLimits;    // one band's thresholds, per column
};

}  // namespace vornak
