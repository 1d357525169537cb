#include "engine/AdaptiveBinarizer.h"

#include <algorithm>

#include "common/WideVectors.h"

namespace vornak {

namespace {

VORNAK_WIDE_VECTORS
void AddRow(const uint8_t* row, uint32_t* sums, int32_t width) {
  for (int32_t x = 0; x < width; ++x) sums[x] += row[x];
}

VORNAK_WIDE_VECTORS
void CompareRow(const uint8_t* row, const uint16_t* limits, uint8_t* out, int32_t width) {
  for (int32_t x = 0; x < width; ++x) out[x] = row[x] < limits[x] ? 1 : 0;
}

// a div b for 0 <= a, 1 <= b, both below 2^53 (a window's sum is at most
// 255 * 100 times its area): the double quotient's error, under a / b *
// 2^-53, is less than its distance 1 / b to the next whole number, so its
// truncation is exact, and far cheaper than a 64-bit division per block of
// a small picture's many small blocks.
int64_t Quotient(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<double>(a) / static_cast<double>(b));
}

}  // namespace

int32_t TAdaptiveBinarizer::BlockSize(int32_t width, int32_t height) {
  return std::max(kMinBlock, std::min(width, height) / kBlockDivisor);
}

void TAdaptiveBinarizer::Binarize(const TPlaneGrey& grey, TPlaneBoolean& result) {
  const int32_t width = grey.Width();
  const int32_t height = grey.Height();
  // Every pixel is written below: a plane of the right size is not cleared.
  if (result.Width() != width || result.Height() != height) result.Resize(width, height);
  if (width < 1 || height < 1) return;

  const int32_t block = BlockSize(width, height);
  const int32_t columns = (width + block - 1) / block;
  const int32_t rows = (height + block - 1) / block;
  // An integral table with a zero row and column in front: entry (bx, by)
  // covers the blocks left of column bx and above row by.
  const size_t stride = static_cast<size_t>(columns) + 1;
  const size_t cells = stride * (static_cast<size_t>(rows) + 1);
  FSums.assign(cells, 0);
  // Column sums over each band of block rows first, in whole-row loops that
  // run many pixels at once, then each block's share of them.
  FColumns.resize(static_cast<size_t>(width));
  for (int32_t by = 0; by < rows; ++by) {
    const int32_t y0 = by * block;
    const int32_t y1 = std::min(height, y0 + block);
    uint32_t* columnSums = FColumns.data();
    std::fill(FColumns.begin(), FColumns.end(), 0U);
    for (int32_t y = y0; y < y1; ++y) AddRow(grey.Row(y), columnSums, width);
    int64_t* sums = FSums.data() + (static_cast<size_t>(by) + 1) * stride + 1;
    for (int32_t bx = 0; bx < columns; ++bx) {
      const int32_t x0 = bx * block;
      const int32_t x1 = std::min(width, x0 + block);
      int64_t sum = 0;
      for (int32_t x = x0; x < x1; ++x) sum += columnSums[x];
      sums[bx] = sum;
    }
  }
  for (int32_t by = 1; by <= rows; ++by)
    for (int32_t bx = 1; bx <= columns; ++bx) {
      const size_t here = static_cast<size_t>(by) * stride + static_cast<size_t>(bx);
      FSums[here] += FSums[here - 1] + FSums[here - stride] - FSums[here - stride - 1];
    }

  // One threshold per block from the window of blocks round it: a level is
  // dark when level < mean * (100 - kPercent) / 100 and
  // level <= mean - kMinContrast, mean = sum / area, all in integers.
  FThreshold.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), 0);
  for (int32_t by = 0; by < rows; ++by) {
    const int32_t first = std::max(0, by - kWindowBlocks);
    const int32_t last = std::min(rows, by + kWindowBlocks + 1);
    const size_t top = static_cast<size_t>(first) * stride;
    const size_t bottom = static_cast<size_t>(last) * stride;
    // The window's pixels: its blocks cover the rectangle of whole blocks
    // cut at the picture's edges.
    const int64_t tall = std::min(height, last * block) - first * block;
    for (int32_t bx = 0; bx < columns; ++bx) {
      const int32_t left = std::max(0, bx - kWindowBlocks);
      const int32_t right = std::min(columns, bx + kWindowBlocks + 1);
      const int64_t sum =
          FSums[bottom + static_cast<size_t>(right)] - FSums[bottom + static_cast<size_t>(left)] -
          FSums[top + static_cast<size_t>(right)] + FSums[top + static_cast<size_t>(left)];
      const int64_t area = tall * (std::min(width, right * block) - left * block);
      // level < ceil(sum * (100 - kPercent) / (100 * area))
      const int64_t share = Quotient(sum * (100 - kPercent) + 100 * area - 1, 100 * area);
      // level < floor(sum / area) - kMinContrast + 1
      const int64_t floor = Quotient(sum, area) - kMinContrast + 1;
      FThreshold[static_cast<size_t>(by) * static_cast<size_t>(columns) + static_cast<size_t>(bx)] =
          static_cast<int32_t>(std::min(share, floor));
    }
  }

  // Each band's thresholds spread over its columns (clamped to the levels a
  // byte comparison can tell apart), then one comparison loop per row.
  FLimits.resize(static_cast<size_t>(width));
  for (int32_t by = 0; by < rows; ++by) {
    const int32_t* thresholds =
        FThreshold.data() + static_cast<size_t>(by) * static_cast<size_t>(columns);
    uint16_t* limits = FLimits.data();
    for (int32_t bx = 0; bx < columns; ++bx) {
      const auto limit = static_cast<uint16_t>(std::clamp(thresholds[bx], 0, 256));
      const int32_t x1 = std::min(width, (bx + 1) * block);
      for (int32_t x = bx * block; x < x1; ++x) limits[x] = limit;
    }
    const int32_t y1 = std::min(height, (by + 1) * block);
    for (int32_t y = by * block; y < y1; ++y) CompareRow(grey.Row(y), limits, result.Row(y), width);
  }
}

}  // namespace vornak
