#include "data/DataBlockReader.h"

#include <algorithm>
#include <array>

#include "symbol/MicroTables.h"
#include "symbol/RectTables.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

// Group separator that a "%" stands for in alphanumeric data under FNC1.
constexpr char kGroupSeparator = 0x1D;

}  // namespace

TDataBlockReader::TDataBlockReader(const TIntegers& data, int32_t count, int32_t version,
                                   bool hanzi)
    : FData(data),
      FCount(static_cast<int32_t>(
          std::min<int64_t>(std::max(count, 0), static_cast<int64_t>(data.size())))),
      FHanziAllowed(hanzi),
      FVersion(version),
      FTotalBits(FCount * 8) {}

TDataBlockReader::TDataBlockReader(const TIntegers& data, int32_t count, TSymbolKind kind,
                                   int32_t version, bool hanzi)
    : TDataBlockReader(data, count, version, hanzi) {
  FKind = kind;
  if (kind == TSymbolKind::kMicro && micro::HalfLastData(version) && FCount > 0)
    FTotalBits = FCount * 8 - 4;
}

int32_t TDataBlockReader::ReadMode() {
  if (FKind != TSymbolKind::kRect) return ReadBits(4);
  static constexpr int32_t kModes[8] = {kModeTerminator, kModeNumeric, kModeAlphanumeric,
                                        kModeByte,       kModeKanji,   kModeFnc1First,
                                        kModeFnc1Second, kModeEci};
  return kModes[ReadBits(rmqr::ModeBits) & 7];
}

int32_t TDataBlockReader::CharCountBits(int32_t mode, TSymbolKind kind, int32_t version) {
  if (kind == TSymbolKind::kModel2) return CharCountBits(mode, version);
  // Model 1 counts as Model 2 does in its versions (seen in 1 to 9 only).
  if (kind == TSymbolKind::kModel1) {
    if (version < 1 || version > 14) return 0;
    switch (mode) {
      case kModeNumeric:
      case kModeAlphanumeric:
      case kModeByte:
      case kModeKanji:
        return CharCountBits(mode, version);
      default:
        return 0;
    }
  }
  std::array<int32_t, 4> widths{};
  if (kind == TSymbolKind::kRect) {
    if (!rmqr::IsValidVersion(version)) return 0;
    widths = rmqr::SizeOf(version).CountBits;
  } else {
    if (!micro::IsValidVersion(version)) return 0;
    widths = micro::StreamWidths[static_cast<size_t>(version - 1)].Count;
  }
  switch (mode) {
    case kModeNumeric:
      return widths[0];
    case kModeAlphanumeric:
      return widths[1];
    case kModeByte:
      return widths[2];
    case kModeKanji:
      return widths[3];
    default:
      return 0;
  }
}

bool TDataBlockReader::ZerosAhead(int32_t n) const {
  if (n > BitsLeft()) return false;
  int32_t index = FIndex;
  int32_t bitPos = FBitPos;
  for (int32_t i = 0; i < n; ++i) {
    if (((FData[static_cast<size_t>(index)] >> bitPos) & 1) != 0) return false;
    if (--bitPos < 0) {
      bitPos = 7;
      ++index;
    }
  }
  return true;
}

bool TDataBlockReader::DecodeMicro(std::string& text) {
  if (!micro::IsValidVersion(FVersion)) return false;
  const micro::TStreamWidths& widths = micro::StreamWidths[static_cast<size_t>(FVersion - 1)];
  static constexpr int32_t kModes[4] = {kModeNumeric, kModeAlphanumeric, kModeByte, kModeKanji};
  std::string result;
  result.reserve(static_cast<size_t>(FCount) * 2);
  for (;;) {
    // The terminator, or what the end of the symbol left of it.
    if (BitsLeft() < widths.Terminator || ZerosAhead(widths.Terminator)) break;
    const int32_t index = ReadBits(widths.Mode);
    FMode = kModes[index & 3];
    const int32_t countBits = CharCountBits(FMode, FKind, FVersion);
    // A mode the version does not have.
    if (countBits == 0) return false;
    FCharCount = ReadBits(countBits);
    if (FExhausted) return false;
    bool sound = false;
    if (FMode == kModeNumeric) sound = ReadNumeric(FCharCount, result);
    if (FMode == kModeAlphanumeric) sound = ReadAlphanumeric(FCharCount, result);
    if (FMode == kModeByte) sound = ReadByteSegment(FCharCount, result);
    if (FMode == kModeKanji) sound = ReadKanji(FCharCount, result);
    if (!sound) return false;
  }
  text = std::move(result);
  return true;
}

int32_t TDataBlockReader::CharCountBits(int32_t mode, int32_t version) {
  // Widths for versions 1-9, 10-26 and 27-40.
  static constexpr int32_t kNumeric[3] = {10, 12, 14};
  static constexpr int32_t kAlphanumeric[3] = {9, 11, 13};
  static constexpr int32_t kByte[3] = {8, 16, 16};
  static constexpr int32_t kKanji[3] = {8, 10, 12};
  if (version < 1 || version > 40) return 0;
  const size_t range = version <= 9 ? 0 : (version <= 26 ? 1 : 2);
  switch (mode) {
    case kModeNumeric:
      return kNumeric[range];
    case kModeAlphanumeric:
      return kAlphanumeric[range];
    case kModeByte:
      return kByte[range];
    case kModeKanji:
    case kModeHanzi:
      return kKanji[range];
    default:
      return 0;
  }
}

int32_t TDataBlockReader::BitsLeft() const {
  if (FIndex >= FCount) return 0;
  return FTotalBits - (FIndex * 8 + 7 - FBitPos);
}

int32_t TDataBlockReader::ReadBits(int32_t n) {
  if (n < 0 || n > 24 || n > BitsLeft()) {
    FExhausted = true;
    return 0;
  }
  int32_t result = 0;
  while (n > 0) {
    // Take as many bits as the current codeword still holds, up to n.
    const int32_t available = FBitPos + 1;
    const int32_t take = std::min(n, available);
    const int32_t codeword = FData[static_cast<size_t>(FIndex)] & 0xFF;
    const int32_t bits = (codeword >> (available - take)) & ((1 << take) - 1);
    result = (result << take) | bits;
    n -= take;
    FBitPos -= take;
    if (FBitPos < 0) {
      FBitPos = 7;
      ++FIndex;
    }
  }
  return result;
}

bool TDataBlockReader::ReadNumeric(int32_t count, std::string& text) {
  const int32_t bits = (count / 3) * 10 + (count % 3 == 2 ? 7 : (count % 3 == 1 ? 4 : 0));
  if (bits > BitsLeft()) return false;
  while (count > 0) {
    const int32_t digits = std::min(count, 3);
    const int32_t width = digits == 3 ? 10 : (digits == 2 ? 7 : 4);
    const int32_t limit = digits == 3 ? 1000 : (digits == 2 ? 100 : 10);
    int32_t value = ReadBits(width);
    // A group must hold exactly its number of digits.
    if (value >= limit) return false;
    char group[3];
    for (int32_t i = digits - 1; i >= 0; --i) {
      group[i] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
    text.append(group, static_cast<size_t>(digits));
    count -= digits;
  }
  return true;
}

bool TDataBlockReader::ReadAlphanumeric(int32_t count, std::string& text) {
  const int32_t bits = (count / 2) * 11 + (count % 2) * 6;
  if (bits > BitsLeft()) return false;
  std::string segment;
  segment.reserve(static_cast<size_t>(count));
  while (count > 0) {
    if (count >= 2) {
      const int32_t value = ReadBits(11);
      if (value >= AlphanumericCount * AlphanumericCount) return false;
      segment.push_back(AlphanumericChars[value / AlphanumericCount]);
      segment.push_back(AlphanumericChars[value % AlphanumericCount]);
      count -= 2;
    } else {
      const int32_t value = ReadBits(6);
      if (value >= AlphanumericCount) return false;
      segment.push_back(AlphanumericChars[value]);
      count = 0;
    }
  }
  if (FHeaders.Fnc1 == 0) {
    text += segment;
    return true;
  }
  // Under FNC1 a "%" is the field separator and "%%" a literal percent sign.
  for (size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] != '%') {
      text.push_back(segment[i]);
    } else if (i + 1 < segment.size() && segment[i + 1] == '%') {
      text.push_back('%');
      ++i;
    } else {
      text.push_back(kGroupSeparator);
    }
  }
  return true;
}

bool TDataBlockReader::ReadByteSegment(int32_t count, std::string& text) {
  if (static_cast<int64_t>(count) * 8 > BitsLeft()) return false;
  for (int32_t i = 0; i < count; ++i) text.push_back(static_cast<char>(ReadBits(8)));
  return true;
}

bool TDataBlockReader::ReadKanji(int32_t count, std::string& text) {
  if (static_cast<int64_t>(count) * 13 > BitsLeft()) return false;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t value = ReadBits(13);
    const int32_t packed = (value / 0xC0) * 0x100 + value % 0xC0;
    const int32_t code = packed + 0x8140 <= 0x9FFC ? packed + 0x8140 : packed + 0xC140;
    text.push_back(static_cast<char>(code >> 8));
    text.push_back(static_cast<char>(code & 0xFF));
  }
  return true;
}

bool TDataBlockReader::ReadHanzi(int32_t count, std::string& text) {
  if (static_cast<int64_t>(count) * 13 > BitsLeft()) return false;
  for (int32_t i = 0; i < count; ++i) {
    // Rows 0xA1..0xAA and 0xB0..0xF7 of GB 2312 packed 0x60 codes to a row,
    // the second range straight after the first.
    const int32_t value = ReadBits(13);
    const int32_t row = value / 0x60;
    const int32_t cell = value % 0x60;
    // Past a row's 94th cell or beyond row 0xF7 there is no character.
    if (cell > 0x5D || row > 0x51) return false;
    const int32_t code = (row < 0x0A ? 0xA1A1 : 0xA6A1) + row * 0x100 + cell;
    text.push_back(static_cast<char>(code >> 8));
    text.push_back(static_cast<char>(code & 0xFF));
  }
  FHeaders.Hanzi = FHeaders.Hanzi || count > 0;
  return true;
}

bool TDataBlockReader::ReadEci() {
  // One, two or three bytes, told apart by the leading bits 0, 10 and 110.
  const int32_t first = ReadBits(8);
  if (FExhausted) return false;
  int32_t value;
  if ((first & 0x80) == 0) {
    value = first;
  } else if ((first & 0xC0) == 0x80) {
    value = ((first & 0x3F) << 8) | ReadBits(8);
  } else if ((first & 0xE0) == 0xC0) {
    value = ((first & 0x1F) << 16) | ReadBits(16);
  } else {
    return false;
  }
  if (FExhausted) return false;
  if (FHeaders.EciAssignment < 0) FHeaders.EciAssignment = value;
  return true;
}

bool TDataBlockReader::ReadStructuredAppend() {
  const int32_t position = ReadBits(4);
  const int32_t total = ReadBits(4) + 1;
  const int32_t parity = ReadBits(8);
  if (FExhausted) return false;
  FHeaders.StructuredAppend = true;
  FHeaders.AppendPosition = position;
  FHeaders.AppendTotal = total;
  FHeaders.AppendParity = parity;
  return true;
}

bool TDataBlockReader::Decode(std::string& text) {
  text.clear();
  FIndex = 0;
  FBitPos = 7;
  FMode = -1;
  FCharCount = 0;
  FExhausted = false;
  FHeaders = THeaders{};
  if (FKind == TSymbolKind::kMicro) return DecodeMicro(text);
  if (FKind == TSymbolKind::kRect ? !rmqr::IsValidVersion(FVersion)
                                  : (FVersion < 1 || FVersion > 40))
    return false;
  // rMQR's terminator is three bits, QR Code's four.
  const int32_t terminator = FKind == TSymbolKind::kRect ? rmqr::ModeBits : 4;
  // Model 1 streams start with four zero bits (the high half of the first
  // codeword, which the symbol does not place) and know only the four
  // character modes.
  const bool model1 = FKind == TSymbolKind::kModel1;
  if (model1 && (FVersion > 14 || ReadBits(4) != 0 || FExhausted)) return false;

  std::string result;
  result.reserve(static_cast<size_t>(FCount) * 2);
  for (;;) {
    // Fewer bits left than a terminator: it was cut short, as the standard
    // allows when the data fills the symbol.
    if (BitsLeft() < terminator) break;
    FMode = ReadMode();
    if (model1 && FMode != kModeTerminator && CharCountBits(FMode, FKind, FVersion) == 0)
      return false;
    bool sound = true;
    switch (FMode) {
      case kModeTerminator:
        text = std::move(result);
        return true;
      case kModeNumeric:
      case kModeAlphanumeric:
      case kModeByte:
      case kModeKanji:
        FCharCount = ReadCharCount(FMode);
        if (FExhausted) return false;
        if (FMode == kModeNumeric) sound = ReadNumeric(FCharCount, result);
        if (FMode == kModeAlphanumeric) sound = ReadAlphanumeric(FCharCount, result);
        if (FMode == kModeByte) sound = ReadByteSegment(FCharCount, result);
        if (FMode == kModeKanji) sound = ReadKanji(FCharCount, result);
        break;
      case kModeHanzi:
        if (!FHanziAllowed) return false;
        // Only the GB 2312 subset has characters.
        if (ReadBits(4) != kHanziSubsetGb2312 || FExhausted) return false;
        FCharCount = ReadCharCount(FMode);
        if (FExhausted) return false;
        sound = ReadHanzi(FCharCount, result);
        break;
      case kModeEci:
        sound = ReadEci();
        break;
      case kModeStructuredAppend:
        sound = ReadStructuredAppend();
        break;
      case kModeFnc1First:
        FHeaders.Fnc1 = 1;
        break;
      case kModeFnc1Second:
        FHeaders.ApplicationIndicator = ReadBits(8);
        sound = !FExhausted;
        FHeaders.Fnc1 = 2;
        break;
      default:
        sound = false;
        break;
    }
    if (!sound) return false;
  }
  text = std::move(result);
  return true;
}

}  // namespace vornak
