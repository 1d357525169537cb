#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "symbol/StandardTables.h"

// Read-only constants of rectangular Micro QR Code (rMQR): 32 sizes, R7x43
// to R17x139 (version 1..32 here, in the order of the standard's version
// indicator: heights 7 to 17, each with its widths ascending). Two levels,
// M and H; one fixed data mask; a three-bit mode indicator.

namespace vornak::rmqr {

inline constexpr int32_t kMinVersion = 1;
inline constexpr int32_t kMaxVersion = 32;

inline constexpr bool IsValidVersion(int32_t version) {
  return version >= kMinVersion && version <= kMaxVersion;
}

// The levels rMQR has, as QR Code numbers them (1 M, 3 H); the format's
// level bit is 0 for M and 1 for H.
inline constexpr int32_t kLevelM = 1;
inline constexpr int32_t kLevelH = 3;

// The masks applied to the two format copies: beside the finder, and beside
// the finder sub-pattern.
inline constexpr int32_t FormatMaskFinder = 0x1FAB2;
inline constexpr int32_t FormatMaskSubFinder = 0x20A7B;

// The data mask of every symbol: QR Code's mask 4, (x / 3 + y / 2) even.
inline constexpr int32_t DataMask = 4;

struct TBlocks {
  int32_t Count;  // blocks
  int32_t Check;  // check codewords per block
};

struct TSize {
  int32_t Height;
  int32_t Width;
  int32_t Codewords;                 // data plus check, remainder bits not counted
  std::array<TBlocks, 2> Blocks;     // M, H
  std::array<int32_t, 4> CountBits;  // numeric, alphanumeric, byte, Kanji
};

inline constexpr std::array<TSize, kMaxVersion> Sizes = {{
    {7, 43, 13, {{{1, 7}, {1, 10}}}, {4, 3, 3, 2}},
    {7, 59, 21, {{{1, 9}, {1, 14}}}, {5, 5, 4, 3}},
    {7, 77, 32, {{{1, 12}, {1, 22}}}, {6, 5, 5, 4}},
    {7, 99, 44, {{{1, 16}, {1, 30}}}, {7, 6, 5, 5}},
    {7, 139, 68, {{{1, 24}, {2, 22}}}, {7, 6, 6, 5}},
    {9, 43, 21, {{{1, 9}, {1, 14}}}, {5, 5, 4, 3}},
    {9, 59, 33, {{{1, 12}, {1, 22}}}, {6, 5, 5, 4}},
    {9, 77, 49, {{{1, 18}, {2, 16}}}, {7, 6, 5, 5}},
    {9, 99, 66, {{{1, 24}, {2, 22}}}, {7, 6, 6, 5}},
    {9, 139, 99, {{{2, 18}, {3, 22}}}, {8, 7, 6, 6}},
    {11, 27, 15, {{{1, 8}, {1, 10}}}, {4, 4, 3, 2}},
    {11, 43, 31, {{{1, 12}, {1, 20}}}, {6, 5, 5, 4}},
    {11, 59, 47, {{{1, 16}, {2, 16}}}, {7, 6, 5, 5}},
    {11, 77, 67, {{{1, 24}, {2, 22}}}, {7, 6, 6, 5}},
    {11, 99, 89, {{{2, 16}, {2, 30}}}, {8, 7, 6, 6}},
    {11, 139, 132, {{{2, 24}, {3, 30}}}, {8, 7, 7, 6}},
    {13, 27, 21, {{{1, 9}, {1, 14}}}, {5, 5, 4, 3}},
    {13, 43, 41, {{{1, 14}, {1, 28}}}, {6, 6, 5, 5}},
    {13, 59, 60, {{{1, 22}, {2, 20}}}, {7, 6, 6, 5}},
    {13, 77, 85, {{{2, 16}, {2, 28}}}, {7, 7, 6, 6}},
    {13, 99, 113, {{{2, 20}, {3, 26}}}, {8, 7, 7, 6}},
    {13, 139, 166, {{{3, 20}, {4, 28}}}, {8, 8, 7, 7}},
    {15, 43, 51, {{{1, 18}, {2, 18}}}, {7, 6, 6, 5}},
    {15, 59, 74, {{{1, 26}, {2, 24}}}, {7, 7, 6, 5}},
    {15, 77, 103, {{{2, 18}, {3, 24}}}, {8, 7, 7, 6}},
    {15, 99, 136, {{{2, 24}, {4, 22}}}, {8, 7, 7, 6}},
    {15, 139, 199, {{{3, 24}, {5, 26}}}, {9, 8, 7, 7}},
    {17, 43, 61, {{{1, 22}, {2, 20}}}, {7, 6, 6, 5}},
    {17, 59, 88, {{{2, 16}, {2, 30}}}, {8, 7, 6, 6}},
    {17, 77, 122, {{{2, 22}, {3, 28}}}, {8, 7, 7, 6}},
    {17, 99, 160, {{{3, 20}, {4, 26}}}, {8, 8, 7, 6}},
    {17, 139, 232, {{{4, 20}, {6, 26}}}, {9, 8, 8, 7}},
}};

inline constexpr const TSize& SizeOf(int32_t version) {
  return Sizes[static_cast<size_t>(version - 1)];
}

// The version of a height and width; 0 when no size has them.
inline constexpr int32_t VersionOf(int32_t height, int32_t width) {
  for (int32_t v = kMinVersion; v <= kMaxVersion; ++v)
    if (SizeOf(v).Height == height && SizeOf(v).Width == width) return v;
  return 0;
}

// Columns of the alignment patterns (and the vertical timing lines through
// them) of a width, zero-padded.
inline constexpr std::array<int32_t, 4> AlignmentColumns(int32_t width) {
  switch (width) {
    case 43:
      return {21, 0, 0, 0};
    case 59:
      return {19, 39, 0, 0};
    case 77:
      return {25, 51, 0, 0};
    case 99:
      return {23, 49, 75, 0};
    case 139:
      return {27, 55, 83, 111};
    default:
      return {0, 0, 0, 0};
  }
}

// Format-information codewords before masking: the level bit (0 M, 1 H) and
// the five bits of version - 1, followed by twelve BCH(18,6) check bits with
// the generator of QR Code's version information.
constexpr std::array<int32_t, 64> MakeFormatCodes() {
  std::array<int32_t, 64> codes{};
  for (int32_t d = 0; d < 64; ++d) codes[d] = (d << 12) | bch::Remainder(d, 12, 0x1F25, 12);
  return codes;
}
inline constexpr std::array<int32_t, 64> FormatCodes = MakeFormatCodes();

// Bits between an unmasked format word and format codeword d.
inline constexpr int32_t FormatDistance(int32_t word, int32_t d) {
  return std::popcount(static_cast<uint32_t>(word ^ FormatCodes[static_cast<size_t>(d)]));
}
// The data (level bit and version - 1) of the one codeword within three
// bits of an unmasked format word (the code's distance is eight); -1 when
// none is.
inline constexpr int32_t FormatData(int32_t word) {
  for (int32_t d = 0; d < 64; ++d)
    if (FormatDistance(word, d) <= 3) return d;
  return -1;
}

// The widths of the data stream: a three-bit mode indicator (0 terminator,
// 1 numeric, 2 alphanumeric, 3 byte, 4 Kanji, 5 FNC1 first, 6 FNC1 second,
// 7 ECI) and a three-bit terminator.
inline constexpr int32_t ModeBits = 3;

static_assert(VersionOf(7, 43) == 1 && VersionOf(11, 27) == 11 && VersionOf(17, 139) == 32);

}  // namespace vornak::rmqr
