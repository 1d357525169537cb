#pragma once

#include <array>
#include <cstdint>

// Read-only constants of QR Code Model 2 (ISO/IEC 18004), versions 1 to 40.
// Tables per version have row V - 1; tables per version and level have the
// columns L, M, Q, H (level index 0 to 3).

namespace vornak {

inline constexpr int32_t kMinVersion = 1;
inline constexpr int32_t kMaxVersion = 40;
inline constexpr int32_t kLevelCount = 4;

using TVersionLevelTable = std::array<std::array<int32_t, kLevelCount>, kMaxVersion>;

inline constexpr std::array<const char*, kLevelCount> ECLevelNames = {"L", "M", "Q", "H"};

// Dark:light:dark:light:dark run proportions across a finder pattern.
inline constexpr std::array<int32_t, 5> FinderRatio = {1, 1, 3, 1, 1};

// Alignment-pattern centre coordinates per version, ascending, zero-padded.
// Version 1 has no alignment pattern; its row 6, 14 yields only centres that
// the function-pattern map leaves undrawn (three inside finder areas, and
// (14, 14) which the map skips for version 1).
inline constexpr std::array<std::array<int32_t, 7>, kMaxVersion> AlignmentCentres = {{
    {6, 14, 0, 0, 0, 0, 0},          // 1
    {6, 18, 0, 0, 0, 0, 0},          // 2
    {6, 22, 0, 0, 0, 0, 0},          // 3
    {6, 26, 0, 0, 0, 0, 0},          // 4
    {6, 30, 0, 0, 0, 0, 0},          // 5
    {6, 34, 0, 0, 0, 0, 0},          // 6
    {6, 22, 38, 0, 0, 0, 0},         // 7
    {6, 24, 42, 0, 0, 0, 0},         // 8
    {6, 26, 46, 0, 0, 0, 0},         // 9
    {6, 28, 50, 0, 0, 0, 0},         // 10
    {6, 30, 54, 0, 0, 0, 0},         // 11
    {6, 32, 58, 0, 0, 0, 0},         // 12
    {6, 34, 62, 0, 0, 0, 0},         // 13
    {6, 26, 46, 66, 0, 0, 0},        // 14
    {6, 26, 48, 70, 0, 0, 0},        // 15
    {6, 26, 50, 74, 0, 0, 0},        // 16
    {6, 30, 54, 78, 0, 0, 0},        // 17
    {6, 30, 56, 82, 0, 0, 0},        // 18
    {6, 30, 58, 86, 0, 0, 0},        // 19
    {6, 34, 62, 90, 0, 0, 0},        // 20
    {6, 28, 50, 72, 94, 0, 0},       // 21
    {6, 26, 50, 74, 98, 0, 0},       // 22
    {6, 30, 54, 78, 102, 0, 0},      // 23
    {6, 28, 54, 80, 106, 0, 0},      // 24
    {6, 32, 58, 84, 110, 0, 0},      // 25
    {6, 30, 58, 86, 114, 0, 0},      // 26
    {6, 34, 62, 90, 118, 0, 0},      // 27
    {6, 26, 50, 74, 98, 122, 0},     // 28
    {6, 30, 54, 78, 102, 126, 0},    // 29
    {6, 26, 52, 78, 104, 130, 0},    // 30
    {6, 30, 56, 82, 108, 134, 0},    // 31
    {6, 34, 60, 86, 112, 138, 0},    // 32
    {6, 30, 58, 86, 114, 142, 0},    // 33
    {6, 34, 62, 90, 118, 146, 0},    // 34
    {6, 30, 54, 78, 102, 126, 150},  // 35
    {6, 24, 50, 76, 102, 128, 154},  // 36
    {6, 28, 54, 80, 106, 132, 158},  // 37
    {6, 32, 58, 84, 110, 136, 162},  // 38
    {6, 26, 54, 82, 110, 138, 166},  // 39
    {6, 30, 58, 86, 114, 142, 170},  // 40
}};

// How many leading entries of each AlignmentCentres row are valid.
inline constexpr std::array<int32_t, kMaxVersion> AlignmentCount = {
    2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4,
    5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7};

namespace bch {

// Remainder of value * x^shift divided by the generator polynomial (GF(2)).
constexpr int32_t Remainder(int32_t value, int32_t shift, int32_t generator, int32_t degree) {
  int32_t r = value << shift;
  for (int32_t bit = 30; bit >= degree; --bit) {
    if ((r >> bit) & 1) r ^= generator << (bit - degree);
  }
  return r;
}

constexpr std::array<int32_t, 32> MakeFormatInfoCodes() {
  std::array<int32_t, 32> codes{};
  for (int32_t d = 0; d < 32; ++d) codes[d] = (d << 10) | Remainder(d, 10, 0x537, 10);
  return codes;
}

constexpr std::array<int32_t, 34> MakeVersionInfoCodes() {
  std::array<int32_t, 34> codes{};
  for (int32_t k = 0; k < 34; ++k) codes[k] = ((k + 7) << 12) | Remainder(k + 7, 12, 0x1F25, 12);
  return codes;
}

}  // namespace bch

// Version-information codewords of versions 7 to 40 (entry k is version
// k + 7): six version bits followed by twelve BCH(18,6) check bits, generator
// x^12 + x^11 + x^10 + x^9 + x^8 + x^5 + x^2 + 1.
inline constexpr std::array<int32_t, 34> VersionInfoCodes = bch::MakeVersionInfoCodes();

// Format-information codewords before the format mask: entry d carries the
// five data bits d (two level bits, three mask bits) followed by ten BCH(15,5)
// check bits, generator x^10 + x^8 + x^5 + x^4 + x^2 + x + 1.
inline constexpr std::array<int32_t, 32> FormatInfoCodes = bch::MakeFormatInfoCodes();

// The XOR mask applied to the format information in the symbol.
inline constexpr int32_t FormatMask = 0x5412;

// Three finder patterns with their separators (three 8 x 8 blocks).
inline constexpr int32_t FinderModules = 192;
// Both format-information copies plus the dark module.
inline constexpr int32_t FormatModules = 31;
// Both 6 x 3 version-information blocks (versions 7 and up).
inline constexpr int32_t VersionModules = 36;

// Error-correction codewords of the whole symbol (per block times blocks).
inline constexpr TVersionLevelTable ECCodewords = {{
    {7, 10, 13, 17},          // 1
    {10, 16, 22, 28},         // 2
    {15, 26, 36, 44},         // 3
    {20, 36, 52, 64},         // 4
    {26, 48, 72, 88},         // 5
    {36, 64, 96, 112},        // 6
    {40, 72, 108, 130},       // 7
    {48, 88, 132, 156},       // 8
    {60, 110, 160, 192},      // 9
    {72, 130, 192, 224},      // 10
    {80, 150, 224, 264},      // 11
    {96, 176, 260, 308},      // 12
    {104, 198, 288, 352},     // 13
    {120, 216, 320, 384},     // 14
    {132, 240, 360, 432},     // 15
    {144, 280, 408, 480},     // 16
    {168, 308, 448, 532},     // 17
    {180, 338, 504, 588},     // 18
    {196, 364, 546, 650},     // 19
    {224, 416, 600, 700},     // 20
    {224, 442, 644, 750},     // 21
    {252, 476, 690, 816},     // 22
    {270, 504, 750, 900},     // 23
    {300, 560, 810, 960},     // 24
    {312, 588, 870, 1050},    // 25
    {336, 644, 952, 1110},    // 26
    {360, 700, 1020, 1200},   // 27
    {390, 728, 1050, 1260},   // 28
    {420, 784, 1140, 1350},   // 29
    {450, 812, 1200, 1440},   // 30
    {480, 868, 1290, 1530},   // 31
    {510, 924, 1350, 1620},   // 32
    {540, 980, 1440, 1710},   // 33
    {570, 1036, 1530, 1800},  // 34
    {570, 1064, 1590, 1890},  // 35
    {600, 1120, 1680, 1980},  // 36
    {630, 1204, 1770, 2100},  // 37
    {660, 1260, 1860, 2220},  // 38
    {720, 1316, 1950, 2310},  // 39
    {750, 1372, 2040, 2430},  // 40
}};

// Reed-Solomon blocks of the whole symbol (both block groups together).
inline constexpr TVersionLevelTable ECBlocks = {{
    {1, 1, 1, 1},      // 1
    {1, 1, 1, 1},      // 2
    {1, 1, 2, 2},      // 3
    {1, 2, 2, 4},      // 4
    {1, 2, 4, 4},      // 5
    {2, 4, 4, 4},      // 6
    {2, 4, 6, 5},      // 7
    {2, 4, 6, 6},      // 8
    {2, 5, 8, 8},      // 9
    {4, 5, 8, 8},      // 10
    {4, 5, 8, 11},     // 11
    {4, 8, 10, 11},    // 12
    {4, 9, 12, 16},    // 13
    {4, 9, 16, 16},    // 14
    {6, 10, 12, 18},   // 15
    {6, 10, 17, 16},   // 16
    {6, 11, 16, 19},   // 17
    {6, 13, 18, 21},   // 18
    {7, 14, 21, 25},   // 19
    {8, 16, 20, 25},   // 20
    {8, 17, 23, 25},   // 21
    {9, 17, 23, 34},   // 22
    {9, 18, 25, 30},   // 23
    {10, 20, 27, 32},  // 24
    {12, 21, 29, 35},  // 25
    {12, 23, 34, 37},  // 26
    {12, 25, 34, 40},  // 27
    {13, 26, 35, 42},  // 28
    {14, 28, 38, 45},  // 29
    {15, 29, 40, 48},  // 30
    {16, 31, 43, 51},  // 31
    {17, 33, 45, 54},  // 32
    {18, 35, 48, 57},  // 33
    {19, 37, 51, 60},  // 34
    {19, 38, 53, 63},  // 35
    {20, 40, 56, 66},  // 36
    {21, 43, 59, 70},  // 37
    {22, 45, 62, 74},  // 38
    {24, 47, 65, 77},  // 39
    {25, 49, 68, 81},  // 40
}};

// The alphanumeric character set in value order (value 36 is the space).
inline constexpr char AlphanumericChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
inline constexpr int32_t AlphanumericCount = 45;

inline constexpr bool IsValidVersion(int32_t version) {
  return version >= kMinVersion && version <= kMaxVersion;
}
inline constexpr bool IsValidLevel(int32_t level) { return level >= 0 && level < kLevelCount; }

// Modules per side of a symbol of the given version.
inline constexpr int32_t SymbolSide(int32_t version) { return 4 * version + 17; }

// Known words of the standard, checked here at compile time.
static_assert(FormatInfoCodes[1] == 0x0537);
static_assert(FormatInfoCodes[20] == 0x5370);
static_assert(FormatInfoCodes[31] == 0x7FFF);
static_assert(VersionInfoCodes[0] == 0x07C94);
static_assert(VersionInfoCodes[33] == 0x28C69);
static_assert(sizeof(AlphanumericChars) == AlphanumericCount + 1);

}  // namespace vornak
