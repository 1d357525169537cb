#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <qrcodegen/qrcodegen.hpp>

#include "common/Types.h"

// Reference symbols from independent encoders (libqrcodegen, libqrencode),
// turned into module matrices the decoder can be checked against.

namespace vornak::test {

struct ReferenceSymbol {
  // N x N modules, N = 4 * Version + 17, indexed (x = column, y = row),
  // 1 = dark; no quiet zone.
  TPlaneBoolean Matrix;
  int Version = 0;
  int Level = 0;  // 0 = L, 1 = M, 2 = Q, 3 = H
  int Mask = -1;  // 0..7
  // Data codewords (segments, terminator, padding) in block order before
  // error correction, exactly as the encoder consumed them; empty for
  // libqrencode symbols, whose encoder does not expose them.
  std::vector<uint8_t> DataCodewords;
  // Every codeword in placement (reading) order: data interleaved across
  // the blocks, then the error-correction codewords interleaved; empty
  // where DataCodewords is.
  std::vector<uint8_t> Codewords;

  int Side() const { return Matrix.Width(); }
};

// ---- libqrcodegen: version, level and mask exactly as asked. ----
// All of these throw std::invalid_argument when the data do not fit the
// version and level, or a parameter is out of range.

// Text split into numeric / alphanumeric / byte segments by the encoder.
ReferenceSymbol Make(const std::string& text, int version, int level, int mask);
// One byte-mode segment.
ReferenceSymbol MakeBytes(const std::vector<uint8_t>& bytes, int version, int level, int mask);
// Any segments (qrcodegen::QrSegment::makeNumeric, makeAlphanumeric,
// makeBytes, makeEci, or a hand-built Kanji segment).
ReferenceSymbol MakeSegments(const std::vector<qrcodegen::QrSegment>& segments, int version,
                             int level, int mask);
// Data codewords given directly (their number must be DataCodewordCount).
ReferenceSymbol MakeFromDataCodewords(const std::vector<uint8_t>& data, int version, int level,
                                      int mask);

// Data codewords of a version and level as the encoder accepts them (found
// by asking the encoder, not from the decoder's tables).
int DataCodewordCount(int version, int level);

// The Reed-Solomon blocks of a libqrcodegen symbol, taken apart from its
// placement-order codewords: each block's data codewords, then its check
// codewords; short blocks first.
struct ReferenceBlocks {
  std::vector<std::vector<int32_t>> List;
  int Check = 0;  // check codewords per block
};
// Throws std::logic_error when the symbol carries no codewords or they do
// not split into the blocks of its version and level.
ReferenceBlocks BlocksOfSymbol(const ReferenceSymbol& symbol);
// The blocks of a symbol of random data from random.
ReferenceBlocks RandomDataBlocks(int version, int level, std::mt19937& random);
// Misdecode-protection codewords the standard keeps back in the small
// symbols' blocks: 1-L 3, 1-M and 2-L 2, 1-Q, 1-H and 3-L 1, every other
// none.
int MisdecodeProtection(int version, int level);
// The modules of every codeword of a version in placement order, most
// significant bit first: two-column strips from the right edge, the
// vertical timing column skipped, upward first, function modules left out.
std::vector<std::vector<TPoint>> CodewordModules(int version);
// 0 .. size - 1 in random order.
std::vector<int32_t> Shuffled(size_t size, std::mt19937& random);

// ---- libqrencode: Kanji, ECI and structured append. ----
// The encoder picks the mask (read back from the format information) and
// may pick a larger version than asked when the data need it (0 = smallest).
// Failures throw std::runtime_error.

// The whole string, Shift JIS Kanji pairs in Kanji mode when kanji is true,
// everything else split by the encoder (8-bit for non-alphanumerics).
ReferenceSymbol MakeQrencode(const std::string& text, int version, int level, bool kanji);

enum class QrencodeMode { Numeric, Alphanumeric, Byte, Kanji, Eci };
struct QrencodePart {
  QrencodeMode Mode = QrencodeMode::Byte;
  std::string Data;       // the segment's bytes (Shift JIS pairs for Kanji)
  unsigned EciValue = 0;  // the designator, for QrencodeMode::Eci
};
// Hand-made segment list.
ReferenceSymbol MakeQrencodeParts(const std::vector<QrencodePart>& parts, int version, int level);
// Structured append: the text split over several symbols of the version.
std::vector<ReferenceSymbol> MakeQrencodeStructured(const std::string& text, int version, int level,
                                                    bool kanji);

// A Kanji segment for libqrcodegen from Shift JIS pairs (0x8140..0x9FFC,
// 0xE040..0xEBBF); throws std::invalid_argument for other bytes.
qrcodegen::QrSegment MakeKanjiSegment(const std::string& shiftJis);
// A Hanzi segment (GB 2312 subset) for libqrcodegen from GB 2312 pairs
// (rows 0xA1..0xAA and 0xB0..0xF7, cells 0xA1..0xFE), for a symbol of the
// given version; throws std::invalid_argument for other bytes. The encoder
// has no Hanzi mode, so its bits ride in an empty numeric segment: mode,
// subset, count and values follow a numeric count of 0, which readers take
// as a segment without characters.
qrcodegen::QrSegment MakeHanziSegment(const std::string& gb2312, int version);

}  // namespace vornak::test
