#include "engine/LocalThreshold.h"

#include <algorithm>
#include <cstddef>

#include "common/WideVectors.h"

namespace vornak {

namespace {

VORNAK_WIDE_VECTORS
void AddRow(const uint8_t* row, uint32_t* sums, int32_t width) {
  for (int32_t x = 0; x < width; ++x) sums[x] += row[x];
}

VORNAK_WIDE_VECTORS
void ExtremeRow(const uint8_t* row, uint8_t* darkest, uint8_t* lightest, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    darkest[x] = std::min(darkest[x], row[x]);
    lightest[x] = std::max(lightest[x], row[x]);
  }
}

VORNAK_WIDE_VECTORS
void DarkestRow(const uint8_t* row, uint8_t* darkest, int32_t width) {
  for (int32_t x = 0; x < width; ++x) darkest[x] = std::min(darkest[x], row[x]);
}

VORNAK_WIDE_VECTORS
void CompareRow(const uint8_t* row, const uint16_t* limits, uint8_t* out, int32_t width) {
  for (int32_t x = 0; x < width; ++x) out[x] = row[x] < limits[x] ? 1 : 0;
}

VORNAK_WIDE_VECTORS
void CompareRowAbove(const uint8_t* row, const uint16_t* limits, uint8_t* out, int32_t width) {
  for (int32_t x = 0; x < width; ++x) out[x] = row[x] >= limits[x] ? 1 : 0;
}

// The thresholds of one band of blocks from their window sums, areas and
// darkest levels, for the grey and for the negated grey (255 - level, whose
// window sum is 255 * area - sum). With lift = max(0, darkest - kBlack), a
// level is dark when
//   level < ceil((sum * (100 - kPercent) + lift * area * kPercent) / (100 * area))
//   and level < floor(sum / area) - kMinContrast + 1.
// All values are whole numbers far below 2^53, exact in doubles: products
// are exact, and the rounded quotient of two of them never reaches the next
// whole number (its distance, at least 1 / divisor, exceeds the rounding
// error), so its floor is the integer quotient. The quotients are at most
// 255 and never negative, so the floor is a truncation through int32, which
// unlike a call of floor runs several blocks at once.
VORNAK_WIDE_VECTORS
void BandThresholds(const double* sums, const double* areas, const double* darkest,
                    const double* negatedDarkest, int32_t count, int32_t* plain, int32_t* negated,
                    int32_t* midway) {
  constexpr double kShare = 100 - TLocalThreshold::kPercent;
  constexpr double kPercent = TLocalThreshold::kPercent;
  constexpr double kBlack = TLocalThreshold::kBlack;
  constexpr int32_t kContrast = TLocalThreshold::kMinContrast;
  const auto whole = [](double v) { return static_cast<double>(static_cast<int32_t>(v)); };
  // ceil((sum * kShare + max(0, darkest - kBlack) * area * kPercent) / divisor), in
  // integers.
  const auto share = [&whole](double sum, double lift, double area, double divisor) {
    const double scaled = sum * kShare + std::max(0.0, lift - kBlack) * area * kPercent;
    const double part = whole(scaled / divisor);
    return static_cast<int32_t>(part) + (scaled - part * divisor > 0 ? 1 : 0);
  };
  for (int32_t i = 0; i < count; ++i) {
    const double sum = sums[i], area = areas[i], divisor = 100 * area;
    const double mean = whole(sum / area);
    const double meanRest = sum - mean * area;
    // Selections in integers: the loop then runs several blocks at once.
    const int32_t floor = static_cast<int32_t>(mean) - kContrast + 1;
    plain[i] = std::min(share(sum, darkest[i], area, divisor), floor);
    // Midway between the window's darkest and lightest levels (rounded up)
    // where the window is mostly paper, its mean in the top third between
    // them, and the midway lies lower; 0 elsewhere.
    const int32_t low = static_cast<int32_t>(darkest[i]);
    const int32_t high = 255 - static_cast<int32_t>(negatedDarkest[i]);
    const int32_t middle = (low + high + 1) / 2;
    const bool paper = 3 * (static_cast<int32_t>(mean) - low) >= 2 * (high - low);
    midway[i] = paper && middle < plain[i] ? middle : 0;
    // For the negated grey: its mean rounded the other way.
    const int32_t negatedFloor =
        255 - static_cast<int32_t>(mean) - (meanRest > 0 ? 1 : 0) - kContrast + 1;
    negated[i] = std::min(share(255 * area - sum, negatedDarkest[i], area, divisor), negatedFloor);
  }
}

}  // namespace

int32_t TLocalThreshold::BlockSize(int32_t width, int32_t height) {
  return std::clamp(std::min(width, height) / kBlockDivisor, kMinBlock, kMostBlock);
}

bool TLocalThreshold::Holds(const TPlaneGrey& grey) const {
  return FWidth > 0 && FHeight > 0 && FWidth == grey.Width() && FHeight == grey.Height();
}

void TLocalThreshold::SumBlocks(const TPlaneGrey& grey, int32_t block, int32_t columns,
                                int32_t rows) {
  const int32_t width = grey.Width();
  const int32_t height = grey.Height();
  // An integral table with a zero row and column in front: entry (bx, by)
  // covers the blocks left of column bx and above row by.
  const size_t stride = static_cast<size_t>(columns) + 1;
  const size_t cells = stride * (static_cast<size_t>(rows) + 1);
  FSums.assign(cells, 0);
  // Per pixel column its block.
  FBlockOf.resize(static_cast<size_t>(width));
  for (int32_t x = 0; x < width; ++x) FBlockOf[static_cast<size_t>(x)] = x / block;
  // Per block column its window's first and last block column and width.
  FWindowLeft.resize(static_cast<size_t>(columns));
  FWindowRight.resize(static_cast<size_t>(columns));
  FWindowWide.resize(static_cast<size_t>(columns));
  for (int32_t bx = 0; bx < columns; ++bx) {
    const int32_t left = std::max(0, bx - kWindowBlocks);
    const int32_t right = std::min(columns, bx + kWindowBlocks + 1);
    FWindowLeft[static_cast<size_t>(bx)] = static_cast<size_t>(left);
    FWindowRight[static_cast<size_t>(bx)] = static_cast<size_t>(right);
    FWindowWide[static_cast<size_t>(bx)] = std::min(width, right * block) - left * block;
  }
  // Column sums over each band of block rows first, in whole-row loops that
  // run many pixels at once, then each block's share of them.
  FColumns.resize(static_cast<size_t>(width));
  FColumnDarkest.resize(static_cast<size_t>(width));
  FColumnLightest.resize(static_cast<size_t>(width));
  FBlockDarkest.resize(static_cast<size_t>(columns) * static_cast<size_t>(rows));
  FBlockLightest.resize(FBlockDarkest.size());
  for (int32_t by = 0; by < rows; ++by) {
    const int32_t y0 = by * block;
    const int32_t y1 = std::min(height, y0 + block);
    uint32_t* columnSums = FColumns.data();
    std::fill(FColumns.begin(), FColumns.end(), 0U);
    std::fill(FColumnDarkest.begin(), FColumnDarkest.end(), uint8_t{255});
    std::fill(FColumnLightest.begin(), FColumnLightest.end(), uint8_t{0});
    for (int32_t y = y0; y < y1; ++y) {
      AddRow(grey.Row(y), columnSums, width);
      ExtremeRow(grey.Row(y), FColumnDarkest.data(), FColumnLightest.data(), width);
    }
    // One loop over the columns rather than one per block: a small
    // picture's blocks are two pixels wide.
    int64_t* sums = FSums.data() + (static_cast<size_t>(by) + 1) * stride + 1;
    const size_t band = static_cast<size_t>(by) * static_cast<size_t>(columns);
    uint8_t* darkest = FBlockDarkest.data() + band;
    uint8_t* lightest = FBlockLightest.data() + band;
    int64_t sum = 0;
    uint8_t least = 255, most = 0;
    for (int32_t x = 0; x < width; ++x) {
      const auto at = static_cast<size_t>(x);
      sum += columnSums[x];
      least = std::min(least, FColumnDarkest[at]);
      most = std::max(most, FColumnLightest[at]);
      if (x + 1 == width || FBlockOf[at + 1] != FBlockOf[at]) {
        *sums++ = sum;
        *darkest++ = least;
        *lightest++ = static_cast<uint8_t>(255 - most);
        sum = 0;
        least = 255;
        most = 0;
      }
    }
  }
  for (int32_t by = 1; by <= rows; ++by)
    for (int32_t bx = 1; bx <= columns; ++bx) {
      const size_t here = static_cast<size_t>(by) * stride + static_cast<size_t>(bx);
      FSums[here] += FSums[here - 1] + FSums[here - stride] - FSums[here - stride - 1];
    }
}

void TLocalThreshold::WindowDarkest(const std::vector<uint8_t>& blocks, int32_t first, int32_t last,
                                    int32_t columns, std::vector<double>& darkest) {
  // Down the window's rows, into a row padded with white on either side by
  // the window's reach; then across, one shifted pass per block of reach
  // (the padding stands for the blocks beyond the picture's edges).
  const auto reach = static_cast<size_t>(kWindowBlocks);
  FDown.assign(static_cast<size_t>(columns) + 2 * reach, 255);
  uint8_t* down = FDown.data() + reach;
  for (int32_t wy = first; wy < last; ++wy)
    DarkestRow(blocks.data() + static_cast<size_t>(wy) * static_cast<size_t>(columns), down,
               columns);
  FAcross.assign(FDown.begin(), FDown.begin() + columns);
  for (size_t shift = 1; shift <= 2 * reach; ++shift)
    DarkestRow(FDown.data() + shift, FAcross.data(), columns);
  darkest.assign(FAcross.begin(), FAcross.end());
}

void TLocalThreshold::Measure(const TPlaneGrey& grey) {
  const int32_t width = grey.Width();
  const int32_t height = grey.Height();
  Forget();
  if (width < 1 || height < 1) return;

  const int32_t block = BlockSize(width, height);
  const int32_t columns = (width + block - 1) / block;
  const int32_t rows = (height + block - 1) / block;
  SumBlocks(grey, block, columns, rows);
  const size_t stride = static_cast<size_t>(columns) + 1;

  // One threshold per block from the window of blocks round it: a level is
  // dark when level < mean * (100 - kPercent) / 100 and
  // level <= mean - kMinContrast, mean = sum / area, all in integers.
  FThreshold.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), 0);
  FNegatedThreshold.assign(FThreshold.size(), 0);
  FMidway.assign(FThreshold.size(), 0);
  FBandSums.resize(static_cast<size_t>(columns));
  FBandAreas.resize(static_cast<size_t>(columns));
  for (int32_t by = 0; by < rows; ++by) {
    const int32_t first = std::max(0, by - kWindowBlocks);
    const int32_t last = std::min(rows, by + kWindowBlocks + 1);
    const size_t top = static_cast<size_t>(first) * stride;
    const size_t bottom = static_cast<size_t>(last) * stride;
    // The window's pixels: its blocks cover the rectangle of whole blocks
    // cut at the picture's edges.
    const int64_t tall = std::min(height, last * block) - first * block;
    WindowDarkest(FBlockDarkest, first, last, columns, FBandDarkest);
    WindowDarkest(FBlockLightest, first, last, columns, FBandNegated);
    for (size_t bx = 0; bx < static_cast<size_t>(columns); ++bx) {
      const size_t left = FWindowLeft[bx], right = FWindowRight[bx];
      const int64_t sum =
          FSums[bottom + right] - FSums[bottom + left] - FSums[top + right] + FSums[top + left];
      FBandSums[bx] = static_cast<double>(sum);
      FBandAreas[bx] = static_cast<double>(tall * FWindowWide[bx]);
    }
    const size_t at = static_cast<size_t>(by) * static_cast<size_t>(columns);
    BandThresholds(FBandSums.data(), FBandAreas.data(), FBandDarkest.data(), FBandNegated.data(),
                   columns, FThreshold.data() + at, FNegatedThreshold.data() + at,
                   FMidway.data() + at);
  }
  FWidth = width;
  FHeight = height;
}

void TLocalThreshold::Compare(const TPlaneGrey& grey, bool inverted, TPlaneBoolean& result) {
  // Every pixel is written: a plane of the right size is not cleared.
  if (result.Width() != grey.Width() || result.Height() != grey.Height())
    result.Resize(grey.Width(), grey.Height());
  if (grey.Width() < 1 || grey.Height() < 1) return;
  if (!Holds(grey)) Measure(grey);
  CompareByBlock(grey, inverted ? FNegatedThreshold : FThreshold, inverted, result);
}

bool TLocalThreshold::CompareMidway(const TPlaneGrey& grey, TPlaneBoolean& result) {
  const int32_t width = grey.Width();
  const int32_t height = grey.Height();
  if (result.Width() != width || result.Height() != height) result.Resize(width, height);
  if (width < 1 || height < 1) return false;
  if (!Holds(grey)) Measure(grey);
  const int32_t block = BlockSize(width, height);
  const int32_t columns = (width + block - 1) / block;
  const int32_t rows = (height + block - 1) / block;
  // A block next to a lowered one keeps the usual threshold, so that a
  // finder across their border stays whole; farther ones read all light.
  const auto cols = static_cast<size_t>(columns);
  FChosen.assign(FMidway.size(), 0);
  bool lowered = false;
  for (int32_t by = 0; by < rows; ++by)
    for (int32_t bx = 0; bx < columns; ++bx) {
      if (FMidway[static_cast<size_t>(by) * cols + static_cast<size_t>(bx)] == 0) continue;
      lowered = true;
      for (int32_t ny = std::max(0, by - 1); ny <= std::min(rows - 1, by + 1); ++ny)
        for (int32_t nx = std::max(0, bx - 1); nx <= std::min(columns - 1, bx + 1); ++nx) {
          const size_t at = static_cast<size_t>(ny) * cols + static_cast<size_t>(nx);
          FChosen[at] = FMidway[at] > 0 ? FMidway[at] : FThreshold[at];
        }
    }
  if (!lowered) {
    std::fill(result.Data().begin(), result.Data().end(), uint8_t{0});
    return false;
  }
  CompareByBlock(grey, FChosen, false, result);
  return true;
}

void TLocalThreshold::CompareByBlock(const TPlaneGrey& grey, const std::vector<int32_t>& thresholds,
                                     bool inverted, TPlaneBoolean& result) {
  const int32_t width = grey.Width();
  const int32_t height = grey.Height();
  const int32_t block = BlockSize(width, height);
  const int32_t columns = (width + block - 1) / block;
  const int32_t rows = (height + block - 1) / block;
  // Each band's thresholds spread over its columns (clamped to the levels a
  // byte comparison can tell apart), then one comparison loop per row. A
  // negated level 255 - level lies below t where level >= 256 - t.
  FLimits.resize(static_cast<size_t>(width));
  FBlockLimits.resize(static_cast<size_t>(columns));
  for (int32_t by = 0; by < rows; ++by) {
    const int32_t* band =
        thresholds.data() + static_cast<size_t>(by) * static_cast<size_t>(columns);
    for (size_t bx = 0; bx < static_cast<size_t>(columns); ++bx) {
      const int32_t clamped = std::clamp(band[bx], 0, 256);
      FBlockLimits[bx] = static_cast<uint16_t>(inverted ? 256 - clamped : clamped);
    }
    uint16_t* limits = FLimits.data();
    for (size_t x = 0; x < static_cast<size_t>(width); ++x)
      limits[x] = FBlockLimits[static_cast<size_t>(FBlockOf[x])];
    const int32_t y1 = std::min(height, (by + 1) * block);
    for (int32_t y = by * block; y < y1; ++y) {
      if (inverted)
        CompareRowAbove(grey.Row(y), limits, result.Row(y), width);
      else
        CompareRow(grey.Row(y), limits, result.Row(y), width);
    }
  }
}

}  // namespace vornak
