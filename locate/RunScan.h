#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace vornak {

// Helpers for walking the runs of a two-level plane's row (non-zero bytes
// dark) eight bytes at a time: long light margins and large modules are
// crossed in a few steps, and colour changes are found without a branch
// per pixel.

// The high bit of each byte of word set where that byte is non-zero (dark).
inline uint64_t DarkBytes(uint64_t word) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  return (((word & kLow7) + kLow7) | word) & ~kLow7;
}

// Calls change(k) for each k in 0..7, in order, whose byte differs in
// colour between the eight bytes at a and at b.
template <typename Change>
void EachColourChange(const uint8_t* a, const uint8_t* b, Change&& change) {
  uint64_t wa = 0, wb = 0;
  std::memcpy(&wa, a, 8);
  std::memcpy(&wb, b, 8);
  for (uint64_t m = DarkBytes(wa) ^ DarkBytes(wb); m != 0; m &= m - 1)
    change(std::countr_zero(m) >> 3);
}

// First position from x on (width at most) whose pixel is not of the colour
// dark.
inline int32_t RunEnd(const uint8_t* row, int32_t x, int32_t width, bool dark) {
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  const uint64_t all = dark ? kHighs : 0;
  for (; x + 8 <= width; x += 8) {
    uint64_t word = 0;
    std::memcpy(&word, row + x, 8);
    if (DarkBytes(word) != all) break;
  }
  while (x < width && (row[x] != 0) == dark) ++x;
  return x;
}

}  // namespace vornak
