#include "locate/BitRows.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vornak {

namespace {

#if defined(__SSE2__)
// Bit k set where byte k of the 64 bytes at p is non-zero: sixteen bytes
// compared with zero at once, their top bits gathered into a mask.
inline uint64_t PackWord(const uint8_t* p) {
  const __m128i zero = _mm_setzero_si128();
  uint64_t light = 0;
  for (int32_t k = 0; k < 4; ++k) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    light |=
        static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero))))
        << (16 * k);
  }
  return ~light;
}
#else
inline uint64_t PackWord(const uint8_t* p) {
  uint64_t result = 0;
  for (int32_t k = 0; k < 8; ++k) {
    uint64_t word = 0;
    std::memcpy(&word, p + 8 * k, 8);
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    // The low bit of each byte set where that byte is non-zero, then
    // gathered into the top byte by one multiplication.
    const uint64_t lows = ((((word & kLow7) + kLow7) | word) & ~kLow7) >> 7;
    result |= ((lows * 0x0102040810204080ULL) >> 56) << (8 * k);
  }
  return result;
}
#endif

void PackRow(const uint8_t* row, int32_t width, uint64_t* bits) {
  int32_t x = 0;
  for (; x + 64 <= width; x += 64) bits[x >> 6] = PackWord(row + x);
  if (x == width) return;
  // The rest through a light-padded copy: one word instead of a test per
  // pixel, which a narrow picture's rows would spend most of their time on.
  uint8_t tail[64] = {};
  std::memcpy(tail, row + x, static_cast<size_t>(width - x));
  bits[x >> 6] = PackWord(tail);
}

// Exchanges rows and columns of a 64 x 64 block of bits, block[r] bit c
// going to block[c] bit r: the halves, quarters, ... of the block swap
// across its diagonal in six rounds.
void TransposeBlock(uint64_t* block) {
  uint64_t mask = 0x00000000FFFFFFFFULL;
  for (int32_t j = 32; j != 0; j >>= 1, mask ^= mask << j)
    for (int32_t k = 0; k < 64; k = ((k | j) + 1) & ~j) {
      const uint64_t t = ((block[k] >> j) ^ block[k | j]) & mask;
      block[k] ^= t << j;
      block[k | j] ^= t;
    }
}

}  // namespace

void TBitRows::Shape(int32_t width, int32_t height) {
  FWidth = width;
  FHeight = height;
  FWords = (width + 63) >> 6;
  FBits.assign(static_cast<size_t>(FWords) * static_cast<size_t>(height), 0);
}

void TBitRows::Pack(const TPlaneBoolean& plane, int32_t width, int32_t height) {
  width = std::clamp(width, 0, plane.Width());
  height = std::clamp(height, 0, plane.Height());
  Shape(width, height);
  for (int32_t y = 0; y < height; ++y)
    PackRow(plane.Row(y), width, FBits.data() + static_cast<size_t>(y) * FWords);
}

void TBitRows::Transpose(const TBitRows& upright) {
  const int32_t width = upright.Width(), height = upright.Height();
  const int32_t words = upright.Words();
  Shape(height, width);
  uint64_t block[64];
  for (int32_t top = 0; top < height; top += 64) {
    const int32_t rows = std::min(64, height - top);
    for (int32_t i = 0; i < words; ++i) {
      uint64_t any = 0;
      for (int32_t r = 0; r < 64; ++r) {
        block[r] = r < rows ? upright.Row(top + r)[i] : 0;
        any |= block[r];
      }
      // A light block stays as Shape cleared it.
      if (any == 0) continue;
      TransposeBlock(block);
      const int32_t columns = std::min(64, width - 64 * i);
      for (int32_t c = 0; c < columns; ++c)
        FBits[static_cast<size_t>(64 * i + c) * FWords + (top >> 6)] = block[c];
    }
  }
}

void TBitRows::Fill(int32_t y, int32_t x0, int32_t x1, bool dark) {
  x0 = std::max(x0, 0);
  x1 = std::min(x1, FWidth - 1);
  if (y < 0 || y >= FHeight || x0 > x1) return;
  uint64_t* row = FBits.data() + static_cast<size_t>(y) * static_cast<size_t>(FWords);
  for (int32_t w = x0 >> 6; w <= x1 >> 6; ++w) {
    // The bits of word w from x0 to x1.
    const int32_t from = std::max(x0 - 64 * w, 0), to = std::min(x1 - 64 * w, 63);
    const uint64_t mask = (~uint64_t{0} >> (63 - to)) & (~uint64_t{0} << from);
    row[w] = dark ? row[w] | mask : row[w] & ~mask;
  }
}

}  // namespace vornak
