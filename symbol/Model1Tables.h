#pragma once

#include <array>
#include <cstdint>

// Read-only constants of QR Code Model 1, versions 1 to 14: sides, finders,
// timing and format information as in Model 2 (the format under its own
// mask), no alignment patterns but extension patterns on the right and
// bottom edges, its own codeword placement and block table.
//
// What two real symbols confirmed (version 2-M, one block of 46 codewords
// with 30 data; version 5-H, two blocks of 67 with 23 data, damaged in four
// modules), every codeword checked by Reed-Solomon:
// - the format mask 0x2825, the level bits and data masks of Model 2;
// - extension patterns of 2 x 4 modules, the edge line dark and the inner
//   one light, on the right edge at rows p..p+3 and the bottom edge at
//   columns p..p+3, p = side - 12, side - 20, ... while p >= 13;
// - the bottom-right 2 x 2 corner is fixed (only the corner module dark)
//   and stands for the high half of the first data codeword, always zero;
// - placement as one bit stream, most significant bit first: up two
//   columns two modules wide along the right edge, then up columns four
//   modules wide from column side - 5 to column 9 (crossing the timing row),
//   then up the columns two wide left of the timing column between the
//   finders (8-7, 5-4, 3-2, 1-0); within a row, right to left;
// - codewords in the order data of block 1, data of block 2, ..., then the
//   check codewords of block 1, block 2, ...; standard Reed-Solomon over
//   GF(256) with x^8 + x^4 + x^3 + x^2 + 1, roots alpha^0 .. alpha^(E-1);
// - the data stream of Model 2 after those four zero bits, with the
//   character-count widths of Model 2 versions 1 to 9.
// Everything else in this file is unverified: a wrong entry makes its symbols
// fail to read (their blocks do not correct), never read wrong.

namespace vornak::model1 {

inline constexpr int32_t kMinVersion = 1;
inline constexpr int32_t kMaxVersion = 14;
inline constexpr int32_t kLevelCount = 4;

inline constexpr int32_t SymbolSide(int32_t version) { return 4 * version + 17; }
inline constexpr bool IsValidVersion(int32_t version) {
  return version >= kMinVersion && version <= kMaxVersion;
}

// The mask applied to the format information in the symbol.
inline constexpr int32_t FormatMask = 0x2825;

// Modules of one extension pattern, and of the fixed bottom-right corner.
inline constexpr int32_t ExtensionModules = 8;
inline constexpr int32_t CornerModules = 4;

// Extension patterns on each of the right and bottom edges.
inline constexpr int32_t ExtensionCount(int32_t version) {
  int32_t count = 0;
  for (int32_t p = SymbolSide(version) - 12; p >= 13; p -= 8) ++count;
  return count;
}
// First row (right edge) or column (bottom edge) of extension pattern k,
// counted from the bottom-right corner.
inline constexpr int32_t ExtensionPosition(int32_t version, int32_t k) {
  return SymbolSide(version) - 12 - 8 * k;
}

// All codewords of a version: the modules outside the finder areas (with
// separators and format), timing and extension patterns, eight to a
// codeword; the corner's four modules count as the first codeword's high
// half, which is not placed.
inline constexpr int32_t Codewords(int32_t version) {
  const int32_t side = SymbolSide(version);
  return (side * side - 225 - 2 * (side - 17) - 2 * ExtensionModules * ExtensionCount(version)) / 8;
}

// Data codewords and Reed-Solomon blocks per version and level (L, M, Q,
// H). Blocks share the check codewords equally; when the data codewords do
// not divide, the later blocks carry one more (as in Model 2). Verified:
// 2-M and 5-H. The data counts are as remembered from the standard; the
// block counts of the others follow the pattern of 5-H (the fewest blocks of
// at most 44 check codewords each), and 0 marks an entry whose count does
// not split that way, which is not read.
struct TLevelEntry {
  int32_t Data;
  int32_t Blocks;
};
inline constexpr std::array<std::array<TLevelEntry, kLevelCount>, kMaxVersion> Levels = {{
    {{{19, 1}, {16, 1}, {13, 1}, {9, 1}}},       // 1
    {{{36, 1}, {30, 1}, {24, 1}, {16, 1}}},      // 2
    {{{57, 1}, {44, 1}, {36, 1}, {24, 2}}},      // 3
    {{{80, 1}, {60, 1}, {50, 2}, {34, 2}}},      // 4
    {{{108, 1}, {82, 2}, {68, 2}, {46, 2}}},     // 5
    {{{136, 1}, {106, 2}, {86, 2}, {58, 4}}},    // 6
    {{{172, 1}, {134, 2}, {108, 4}, {72, 4}}},   // 7
    {{{208, 2}, {160, 3}, {128, 4}, {86, 5}}},   // 8
    {{{250, 2}, {196, 5}, {156, 5}, {100, 0}}},  // 9
    {{{292, 2}, {232, 3}, {184, 6}, {122, 0}}},  // 10
    {{{340, 2}, {270, 0}, {214, 0}, {140, 0}}},  // 11
    {{{390, 2}, {302, 6}, {244, 8}, {160, 0}}},  // 12
    {{{444, 7}, {350, 6}, {282, 0}, {180, 0}}},  // 13
    {{{502, 3}, {386, 7}, {318, 0}, {206, 0}}},  // 14
}};

inline constexpr const TLevelEntry& Level(int32_t version, int32_t level) {
  return Levels[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
}

static_assert(Codewords(1) == 26 && Codewords(2) == 46 && Codewords(5) == 134);
static_assert(ExtensionCount(1) == 0 && ExtensionCount(2) == 1 && ExtensionCount(5) == 2);
static_assert(ExtensionPosition(2, 0) == 13 && ExtensionPosition(5, 1) == 17);

}  // namespace vornak::model1
