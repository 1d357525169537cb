#pragma once

#include <cstdint>
#include <string>

#include "common/Types.h"
#include "symbol/SymbolKind.h"

namespace vornak {

// Turns the corrected data codewords of one symbol into its byte string:
// numeric, alphanumeric and byte segments as their characters, Kanji as Shift
// JIS byte pairs, Hanzi as GB 2312 byte pairs. ECI, structured-append and FNC1 headers are read and
// kept; the terminator or the end of the codewords ends the stream.
//
// Lives for one decode; reads the caller's codewords without changing them.
class TDataBlockReader {
 public:
  // Mode indicators.
  static constexpr int32_t kModeTerminator = 0;
  static constexpr int32_t kModeNumeric = 1;
  static constexpr int32_t kModeAlphanumeric = 2;
  static constexpr int32_t kModeStructuredAppend = 3;
  static constexpr int32_t kModeByte = 4;
  static constexpr int32_t kModeFnc1First = 5;
  static constexpr int32_t kModeEci = 7;
  static constexpr int32_t kModeKanji = 8;
  static constexpr int32_t kModeFnc1Second = 9;
  static constexpr int32_t kModeHanzi = 13;
  // The one Hanzi subset the standard defines: GB 2312.
  static constexpr int32_t kHanziSubsetGb2312 = 1;

  // The reader may consume the first `count` codewords of data (at most its
  // size); version (1..40) selects the character-count widths. Without
  // hanzi a Hanzi segment breaks the stream, as any unknown mode does.
  TDataBlockReader(const TIntegers& data, int32_t count, int32_t version, bool hanzi = true);
  // The codewords are read in place, so they must outlive the reader.
  TDataBlockReader(TIntegers&& data, int32_t count, int32_t version, bool hanzi = true) = delete;
  // The same for a kind and its version (Micro QR: 1..4 for M1..M4), whose
  // mode indicators, character counts and terminator have their own widths;
  // a Micro QR stream of M1 or M3 ends four bits before its last codeword
  // does (the half codeword). A Model 1 stream (versions 1..14) starts with
  // four zero bits and has the numeric, alphanumeric, byte and Kanji modes
  // only.
  TDataBlockReader(const TIntegers& data, int32_t count, TSymbolKind kind, int32_t version,
                   bool hanzi = true);
  TDataBlockReader(TIntegers&& data, int32_t count, TSymbolKind kind, int32_t version,
                   bool hanzi = true) = delete;

  // Reads every segment. Returns true and the concatenated text when the
  // stream ends with the terminator or at the end of the codewords; returns
  // false with an empty text when the stream is broken (unknown mode, a
  // segment or header running past the end, a value without a character, a
  // version without character-count widths).
  bool Decode(std::string& text);

  // The next n bits (0..24), most significant first. When fewer than n bits
  // are left, returns 0, moves nothing and marks the reader exhausted.
  int32_t ReadBits(int32_t n);
  // Bits not read yet.
  int32_t BitsLeft() const;
  bool Exhausted() const { return FExhausted; }

  // Width of the character-count field of a mode for a version; 0 when the
  // mode has no count or the version is outside 1..40.
  static int32_t CharCountBits(int32_t mode, int32_t version);
  // The same for a kind's version; 0 where the mode does not exist.
  static int32_t CharCountBits(int32_t mode, TSymbolKind kind, int32_t version);

  // Header fields of a stream.
  struct THeaders {
    // First ECI assignment number of the stream, or -1 when it names none.
    int32_t EciAssignment = -1;
    bool StructuredAppend = false;
    // Position of this symbol in its sequence, from 0.
    int32_t AppendPosition = 0;
    // Number of symbols in the sequence (1..16).
    int32_t AppendTotal = 0;
    int32_t AppendParity = 0;
    // 0 = no FNC1, 1 = FNC1 in first position, 2 = FNC1 in second position.
    int32_t Fnc1 = 0;
    // Application indicator of FNC1 in second position, -1 otherwise.
    int32_t ApplicationIndicator = -1;
    // True when a Hanzi segment put GB 2312 pairs into the text.
    bool Hanzi = false;
    bool operator==(const THeaders&) const = default;
  };

  // The headers seen by the last Decode.
  const THeaders& Headers() const { return FHeaders; }

 private:
  // The mode indicator as QR Code's mode number (rMQR's three-bit
  // indicators mapped onto them).
  int32_t ReadMode();
  int32_t ReadCharCount(int32_t mode) { return ReadBits(CharCountBits(mode, FKind, FVersion)); }
  // Each reader appends its segment to text; false when the stream is broken.
  bool ReadNumeric(int32_t count, std::string& text);
  bool ReadAlphanumeric(int32_t count, std::string& text);
  bool ReadByteSegment(int32_t count, std::string& text);
  bool ReadKanji(int32_t count, std::string& text);
  bool ReadHanzi(int32_t count, std::string& text);
  bool ReadEci();
  bool ReadStructuredAppend();
  // Decode for Micro QR: modes numbered 0..3 in as many bits as the version
  // gives, no headers, a terminator of 3 to 9 zero bits.
  bool DecodeMicro(std::string& text);
  // Whether the next n bits are all zero (false when fewer are left);
  // consumes nothing.
  bool ZerosAhead(int32_t n) const;

  const TIntegers& FData;
  int32_t FCount = 0;
  bool FHanziAllowed = true;
  int32_t FVersion = 0;
  TSymbolKind FKind = TSymbolKind::kModel2;
  // Bits of the stream: eight per codeword, but for a half last codeword.
  int32_t FTotalBits = 0;
  int32_t FMode = -1;
  int32_t FIndex = 0;
  int32_t FBitPos = 7;
  int32_t FCharCount = 0;
  bool FExhausted = false;

  THeaders FHeaders;
};

}  // namespace vornak
