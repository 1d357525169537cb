#pragma once

#include <array>
#include <cstdint>

// Read-only constants of Micro QR Code, versions M1 to M4 (version 1..4
// here). The format information names a symbol number 0..7, which fixes the
// version and the error-correction level together.

namespace vornak::micro {

inline constexpr int32_t kMinVersion = 1;
inline constexpr int32_t kMaxVersion = 4;
inline constexpr int32_t kSymbolNumbers = 8;

// Modules per side: 11, 13, 15, 17.
inline constexpr int32_t SymbolSide(int32_t version) { return 2 * version + 9; }
inline constexpr bool IsValidVersion(int32_t version) {
  return version >= kMinVersion && version <= kMaxVersion;
}

// The mask applied to the format information in the symbol.
inline constexpr int32_t FormatMask = 0x4445;

struct TSymbolNumber {
  int32_t Version;  // 1..4 for M1..M4
  int32_t Level;    // 0 L, 1 M, 2 Q; M1 detects errors only and reads as L
  int32_t Data;     // data codewords, the last one a half in M1 and M3
  int32_t Check;    // error-correction codewords
  // Check codewords kept back from correction against miscorrection.
  int32_t Protection;
};

inline constexpr std::array<TSymbolNumber, kSymbolNumbers> SymbolNumbers = {{
    {1, 0, 3, 2, 2},    // M1 (error detection only)
    {2, 0, 5, 5, 3},    // M2-L
    {2, 1, 4, 6, 2},    // M2-M
    {3, 0, 11, 6, 2},   // M3-L
    {3, 1, 9, 8, 0},    // M3-M
    {4, 0, 16, 8, 2},   // M4-L
    {4, 1, 14, 10, 0},  // M4-M
    {4, 2, 10, 14, 0},  // M4-Q
}};

// Total codewords per version (a half codeword counts as one).
inline constexpr std::array<int32_t, kMaxVersion> Codewords = {5, 10, 17, 24};

// Whether the last data codeword of a version holds four bits only.
inline constexpr bool HalfLastData(int32_t version) { return version == 1 || version == 3; }

// The Model 2 data mask each of the four Micro QR masks equals.
inline constexpr std::array<int32_t, 4> MaskPatterns = {1, 4, 6, 7};

// Data-stream widths: mode indicator bits, terminator bits, and the
// character-count bits of numeric, alphanumeric, byte and Kanji (0: the
// mode does not exist in the version).
struct TStreamWidths {
  int32_t Mode;
  int32_t Terminator;
  std::array<int32_t, 4> Count;
};
inline constexpr std::array<TStreamWidths, kMaxVersion> StreamWidths = {{
    {0, 3, {3, 0, 0, 0}},
    {1, 5, {4, 3, 0, 0}},
    {2, 7, {5, 4, 4, 3}},
    {3, 9, {6, 5, 5, 4}},
}};

static_assert(SymbolNumbers[7].Data + SymbolNumbers[7].Check == Codewords[3]);
static_assert(SymbolNumbers[3].Data + SymbolNumbers[3].Check == Codewords[2]);
static_assert(SymbolNumbers[0].Data + SymbolNumbers[0].Check == Codewords[0]);

}  // namespace vornak::micro
