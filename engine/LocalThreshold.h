#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace vornak {

// A local threshold for pictures with uneven light: a pixel is dark when it
// lies clearly below the mean grey of the window of blocks around its own
// block. "Clearly" means by a share of that mean and by at least a fixed
// floor, so flat areas (a bare wall, a dark surround) come out light instead
// of noise. Block sums feed an integral image over the block grid, so the
// cost is one pass over the pixels for the sums and one for the comparison,
// whatever the window size.
//
// The window sums of one picture serve both polarities: the negated grey's
// window sum is 255 * area - sum, so one measurement gives the thresholds of
// the picture and of its negative, and each plane is one comparison pass.
class TLocalThreshold {
 public:
  // Block side: the shorter picture side divided by kBlockDivisor, at least
  // kMinBlock and at most kMostBlock pixels. The window spans kWindowBlocks
  // blocks either way of a pixel's block (about an eighth of the shorter
  // side in all, at most 112 pixels): in a large photograph a small symbol
  // (a few pixels a module) fills a wider window only in part, the paper
  // round it lifts the mean, and blur's grey between its small modules then
  // reads dark and closes its finders' light rings (CompareMidway mends
  // what is left of that).
  static constexpr int32_t kBlockDivisor = 48;
  static constexpr int32_t kMinBlock = 2;
  static constexpr int32_t kMostBlock = 16;
  static constexpr int32_t kWindowBlocks = 3;
  // A dark pixel lies at least kMinContrast grey levels below its window
  // mean, and kPercent percent of the way from the mean down to the
  // window's darkest level above kBlack (to 0 where the window holds a
  // level of kBlack or less). Light added over a region, as glare adds it,
  // lifts the mean and the darkest level alike and leaves the contrast
  // between them, which a share of the whole mean would judge too small
  // near the top of the range; a window that holds black had nothing
  // added. The negated grey likewise, from its own darkest level (255 less
  // the window's lightest).
  static constexpr int32_t kMinContrast = 8;
  static constexpr int32_t kPercent = 10;
  static constexpr int32_t kBlack = 64;

  // Block side used for a picture of these extents.
  static int32_t BlockSize(int32_t width, int32_t height);

  // Takes the window sums of grey and the thresholds of both polarities.
  void Measure(const TPlaneGrey& grey);
  // Whether thresholds for a picture of grey's extents are held: measured,
  // and not forgotten since. Whoever measures a picture and then compares
  // another of the same extents must Forget in between.
  bool Holds(const TPlaneGrey& grey) const;
  void Forget() { FWidth = FHeight = 0; }

  // The two-level plane of grey (result resized to its extents): dark where
  // a level lies below its block's threshold or, inverted, where the
  // negated level (255 - level) lies below the negative's threshold, as a
  // threshold of the negated grey would make it. Measures grey first unless
  // thresholds of its extents are held; an empty grey gives an empty plane.
  void Compare(const TPlaneGrey& grey, bool inverted, TPlaneBoolean& result);
  // The plane of grey with each block's threshold lowered to the midway
  // level between its window's darkest and lightest where the window is
  // mostly paper (its mean in the top third between them) and that level
  // lies lower, light away from such blocks (beyond their neighbours). Where paper fills
  // most of a wide window round a small symbol, its mean stands for the
  // paper rather than for the symbol's middle grey, and blur's grey between
  // small modules reads dark; the midway level keeps it light. Returns
  // false, the plane all light, when no block's threshold was lowered.
  bool CompareMidway(const TPlaneGrey& grey, TPlaneBoolean& result);

 private:
  // The integral table of the block sums (FSums) and the per-column tables
  // of block and window the thresholds are spread by.
  void SumBlocks(const TPlaneGrey& grey, int32_t block, int32_t columns, int32_t rows);
  // The plane of grey by one threshold per block (of the negated grey where
  // inverted), every pixel written; the thresholds are held for its extents.
  void CompareByBlock(const TPlaneGrey& grey, const std::vector<int32_t>& thresholds, bool inverted,
                      TPlaneBoolean& result);
  // The darkest of blocks (one level per block, row after row) over the
  // window of each block of the band whose window rows are [first, last).
  void WindowDarkest(const std::vector<uint8_t>& blocks, int32_t first, int32_t last,
                     int32_t columns, std::vector<double>& darkest);
  std::vector<int64_t> FSums;              // per block, then the integral over blocks
  std::vector<uint8_t> FBlockDarkest;      // per block, its darkest level
  std::vector<uint8_t> FBlockLightest;     // and its lightest, negated (255 less it)
  std::vector<int32_t> FThreshold;         // per block: grey levels below it are dark
  std::vector<int32_t> FNegatedThreshold;  // the same for the negated grey
  std::vector<int32_t> FMidway;            // per block: the lowered threshold, or 0
  int32_t FWidth = 0;                      // extents of the picture measured
  int32_t FHeight = 0;
  std::vector<uint32_t> FColumns;        // column sums over one band of block rows
  std::vector<uint8_t> FColumnDarkest;   // and the darkest and lightest level
  std::vector<uint8_t> FColumnLightest;  // of each column
  std::vector<uint16_t> FLimits;         // one band's thresholds, per column
  std::vector<double> FBandSums;         // one band's window sums and areas, per block
  std::vector<double> FBandAreas;
  std::vector<double> FBandDarkest;    // one band's window darkest levels, per block
  std::vector<double> FBandNegated;    // and those of the negated grey
  std::vector<uint8_t> FDown;          // per block column, the darkest down the window rows
  std::vector<uint8_t> FAcross;        // and across the window's columns
  std::vector<uint16_t> FBlockLimits;  // one band's thresholds, per block
  std::vector<int32_t> FBlockOf;       // per pixel column, its block column
  std::vector<int32_t> FChosen;        // per block: the midway plane's threshold
  // Per block column: its window's block columns [left, right) and pixel width.
  std::vector<size_t> FWindowLeft;
  std::vector<size_t> FWindowRight;
  std::vector<int64_t> FWindowWide;
};

}  // namespace vornak
