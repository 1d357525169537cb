#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace vornak {

// A two-level plane packed 64 pixels to a word, bit x % 64 of word x / 64 set
// where pixel x is dark, row after row: a scan finds a word's colour changes
// with a few word operations instead of a test per pixel.
class TBitRows {
 public:
  // The top-left width x height pixels of plane (clipped to it), non-zero
  // bytes dark.
  void Pack(const TPlaneBoolean& plane, int32_t width, int32_t height);
  // upright with rows and columns exchanged: row x holds column x, top to
  // bottom, so that columns are scanned as rows.
  void Transpose(const TBitRows& upright);
  // Pixels x0..x1 of row y (clipped to the rows) made dark or light.
  void Fill(int32_t y, int32_t x0, int32_t x1, bool dark);

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  // Words per row; bits past Width in a row's last word are clear.
  int32_t Words() const { return FWords; }
  const uint64_t* Row(int32_t y) const {
    return FBits.data() + static_cast<size_t>(y) * static_cast<size_t>(FWords);
  }
  bool Dark(int32_t x, int32_t y) const { return (Row(y)[x >> 6] >> (x & 63) & 1) != 0; }

 private:
  void Shape(int32_t width, int32_t height);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FWords = 0;
  std::vector<uint64_t> FBits;
};

// Calls change(x) for each x in 0..width-1, in order, where the colour of
// the packed row differs from the pixel before it; before x = 0 stands a
// pixel of colour dark.
template <typename Change>
void EachColourChange(const uint64_t* row, int32_t width, bool dark, Change&& change) {
  uint64_t carry = dark ? 1 : 0;
  const int32_t words = (width + 63) >> 6;
  for (int32_t i = 0; i < words; ++i) {
    const uint64_t word = row[i];
    uint64_t changes = word ^ (word << 1 | carry);
    carry = word >> 63;
    // Past the last pixel the clear padding would read as changes.
    if (i == words - 1 && (width & 63) != 0) changes &= (uint64_t{1} << (width & 63)) - 1;
    const int32_t base = i << 6;
    for (; changes != 0; changes &= changes - 1) change(base + std::countr_zero(changes));
  }
}

}  // namespace vornak
