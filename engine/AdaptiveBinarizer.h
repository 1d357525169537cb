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

  // The plane this binarizer would make of the negated grey (255 - level),
  // from the window sums of the last Binarize, which must have been of this
  // same grey: only the comparison pass is left to do. False (result
  // untouched) when the last Binarize was of other extents or empty.
  bool BinarizeNegated(const TPlaneGrey& grey, TPlaneBoolean& result);

 private:
  // Marks the pixels below their block's threshold, or with negated those
  // whose negated level is.
  void Compare(const TPlaneGrey& grey, const std::vector<int32_t>& thresholds, bool negated,
               TPlaneBoolean& result);

  std::vector<int64_t> FSums;              // per block, then the integral over blocks
  std::vector<int32_t> FThreshold;         // per block: grey levels below it are dark
  std::vector<int32_t> FNegatedThreshold;  // the same for the negated grey
  int32_t FWidth = 0;                      // extents of the last Binarize
  int32_t FHeight = 0;
  std::vector<uint32_t> FColumns;  // column sums over one band of block rows
  std::vector<uint16_t> FLimits;   // one band's thresholds, per column
  std::vector<double> FBandSums;   // one band's window sums and areas, per block
  std::vector<double> FBandAreas;
  std::vector<uint16_t> FBlockLimits;  // one band's thresholds, per block
  std::vector<int32_t> FBlockOf;       // per pixel column, its block column
  // Per block column: its window's block columns [left, right) and pixel width.
  std::vector<size_t> FWindowLeft;
  std::vector<size_t> FWindowRight;
  std::vector<int64_t> FWindowWide;
};

}  // namespace vornak
