#include "tests/support/ReferenceSymbol.h"

#include <qrencode.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <numeric>
#include <stdexcept>

#include "symbol/Arrangement.h"
#include "symbol/StandardTables.h"

namespace vornak::test {

namespace {

using qrcodegen::QrCode;
using qrcodegen::QrSegment;

void CheckParameters(int version, int level, int mask) {
  if (version < 1 || version > 40) throw std::invalid_argument("version out of range 1..40");
  if (level < 0 || level > 3) throw std::invalid_argument("level out of range 0..3");
  if (mask < 0 || mask > 7) throw std::invalid_argument("mask out of range 0..7");
}

QrCode::Ecc ToEcc(int level) {
  static constexpr QrCode::Ecc kEcc[] = {QrCode::Ecc::LOW, QrCode::Ecc::MEDIUM,
                                         QrCode::Ecc::QUARTILE, QrCode::Ecc::HIGH};
  return kEcc[level];
}

TPlaneBoolean ToMatrix(const QrCode& code) {
  const int side = code.getSize();
  TPlaneBoolean matrix(side, side, 0);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) matrix(x, y) = code.getModule(x, y) ? 1 : 0;
  return matrix;
}

// ---- Reed-Solomon check codewords over GF(256), polynomial 0x11D. ----

uint8_t GfMultiply(uint8_t a, uint8_t b) {
  unsigned product = 0;
  unsigned x = a;
  for (unsigned y = b; y != 0; y >>= 1) {
    if (y & 1) product ^= x;
    x <<= 1;
    if (x & 0x100) x ^= 0x11D;
  }
  return static_cast<uint8_t>(product);
}

// The check codewords of one block: the remainder of data * x^n divided by
// the generator (x - 1)(x - 2)(x - 4)...(x - 2^(n-1)).
std::vector<uint8_t> CheckCodewords(const std::vector<uint8_t>& data, int n) {
  std::vector<uint8_t> generator(static_cast<size_t>(n) + 1, 0);  // highest power first
  generator[0] = 1;
  uint8_t root = 1;
  for (int i = 0; i < n; ++i) {
    // Multiply by (x + root), going from the low end to keep the old values.
    for (int j = i + 1; j >= 1; --j)
      generator[static_cast<size_t>(j)] ^= GfMultiply(generator[static_cast<size_t>(j) - 1], root);
    root = GfMultiply(root, 2);
  }
  std::vector<uint8_t> remainder(static_cast<size_t>(n), 0);
  for (const uint8_t d : data) {
    const uint8_t factor = d ^ remainder[0];
    remainder.erase(remainder.begin());
    remainder.push_back(0);
    for (int j = 0; j < n; ++j)
      remainder[static_cast<size_t>(j)] ^=
          GfMultiply(generator[static_cast<size_t>(j) + 1], factor);
  }
  return remainder;
}

// Splits data codewords into the blocks of the version and level, adds
// the check codewords and interleaves everything in placement order.
std::vector<uint8_t> Interleave(const std::vector<uint8_t>& data, int version, int level) {
  const int total = TArrangement(version).CodewordCount();
  const int blocks = ECBlocks[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
  const int check =
      ECCodewords[static_cast<size_t>(version - 1)][static_cast<size_t>(level)] / blocks;
  const int shortLength = total / blocks;
  const int longBlocks = total % blocks;
  std::vector<std::vector<uint8_t>> dataBlocks;
  std::vector<std::vector<uint8_t>> checkBlocks;
  size_t next = 0;
  for (int b = 0; b < blocks; ++b) {
    const int length = shortLength + (b >= blocks - longBlocks ? 1 : 0) - check;
    if (length <= 0 || next + static_cast<size_t>(length) > data.size())
      throw std::logic_error("block structure does not match the data codewords");
    std::vector<uint8_t> block(data.begin() + static_cast<long>(next),
                               data.begin() + static_cast<long>(next) + length);
    next += static_cast<size_t>(length);
    checkBlocks.push_back(CheckCodewords(block, check));
    dataBlocks.push_back(std::move(block));
  }
  if (next != data.size())
    throw std::logic_error("block structure does not match the data codewords");
  std::vector<uint8_t> out;
  for (size_t i = 0; i < static_cast<size_t>(shortLength - check + 1); ++i)
    for (const auto& block : dataBlocks)
      if (i < block.size()) out.push_back(block[i]);
  for (size_t i = 0; i < static_cast<size_t>(check); ++i)
    for (const auto& block : checkBlocks) out.push_back(block[i]);
  return out;
}

std::vector<uint8_t> DataCodewordsOf(const std::vector<QrSegment>& segments, int version,
                                     int capacity) {
  std::vector<bool> bits;
  auto append = [&bits](uint32_t value, int length) {
    for (int i = length - 1; i >= 0; --i) bits.push_back(((value >> i) & 1) != 0);
  };
  for (const QrSegment& segment : segments) {
    append(static_cast<uint32_t>(segment.getMode().getModeBits()), 4);
    append(static_cast<uint32_t>(segment.getNumChars()),
           segment.getMode().numCharCountBits(version));
    bits.insert(bits.end(), segment.getData().begin(), segment.getData().end());
  }
  const size_t capacityBits = static_cast<size_t>(capacity) * 8;
  if (bits.size() > capacityBits) throw std::invalid_argument("data do not fit the symbol");
  // Terminator of up to four zero bits, then zero bits to a byte boundary.
  for (int i = 0; i < 4 && bits.size() < capacityBits; ++i) bits.push_back(false);
  while (bits.size() % 8 != 0) bits.push_back(false);
  std::vector<uint8_t> data;
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t j = 0; j < 8; ++j) byte = static_cast<uint8_t>((byte << 1) | (bits[i + j] ? 1 : 0));
    data.push_back(byte);
  }
  for (uint8_t pad = 0xEC; data.size() < static_cast<size_t>(capacity); pad ^= 0xEC ^ 0x11)
    data.push_back(pad);
  return data;
}

ReferenceSymbol FromQrCode(const QrCode& code, int level, std::vector<uint8_t> data) {
  ReferenceSymbol symbol;
  symbol.Matrix = ToMatrix(code);
  symbol.Version = code.getVersion();
  symbol.Level = level;
  symbol.Mask = code.getMask();
  symbol.Codewords = Interleave(data, symbol.Version, level);
  symbol.DataCodewords = std::move(data);
  return symbol;
}

// ---- libqrencode ----

// The unmasked format word of level bits and mask, computed here on its own
// so that the mask of a libqrencode symbol is read without decoder code.
int FormatWord(int levelBits, int mask) {
  const int data = (levelBits << 3) | mask;
  int r = data << 10;
  for (int bit = 14; bit >= 10; --bit)
    if ((r >> bit) & 1) r ^= 0x537 << (bit - 10);
  return (data << 10) | r;
}

int MaskFromFormat(const TPlaneBoolean& matrix, int level) {
  int word = 0;
  for (int i = 0; i < 15; ++i) {
    int x = 8;
    int y = i;
    if (i == 6) y = 7;
    if (i == 7) y = 8;
    if (i == 8) x = 7, y = 8;
    if (i >= 9) x = 14 - i, y = 8;
    if (matrix(x, y)) word |= 1 << i;
  }
  word ^= 0x5412;
  static constexpr int kLevelBits[] = {1, 0, 3, 2};
  for (int mask = 0; mask < 8; ++mask)
    if (FormatWord(kLevelBits[level], mask) == word) return mask;
  throw std::runtime_error("libqrencode symbol with unreadable format information");
}

struct QrcodeDeleter {
  void operator()(QRcode* code) const { QRcode_free(code); }
};
struct QrinputDeleter {
  void operator()(QRinput* input) const { QRinput_free(input); }
};
struct QrcodeListDeleter {
  void operator()(QRcode_List* list) const { QRcode_List_free(list); }
};

[[noreturn]] void ThrowQrencode(const char* what) {
  throw std::runtime_error(std::string(what) + " failed: " + std::strerror(errno));
}

void CheckQrencodeParameters(int version, int level) {
  if (version < 0 || version > 40) throw std::invalid_argument("version out of range 0..40");
  if (level < 0 || level > 3) throw std::invalid_argument("level out of range 0..3");
}

ReferenceSymbol FromQrencode(const QRcode& code, int level) {
  ReferenceSymbol symbol;
  const int side = code.width;
  symbol.Matrix = TPlaneBoolean(side, side, 0);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      symbol.Matrix(x, y) =
          (code.data[static_cast<size_t>(y) * static_cast<size_t>(side) + static_cast<size_t>(x)] &
           1)
              ? 1
              : 0;
  symbol.Version = code.version;
  symbol.Level = level;
  symbol.Mask = MaskFromFormat(symbol.Matrix, level);
  return symbol;
}

}  // namespace

int DataCodewordCount(int version, int level) {
  CheckParameters(version, level, 0);
  static std::mutex mutex;
  static std::array<int, 160> cache{};
  std::lock_guard<std::mutex> lock(mutex);
  int& count = cache[static_cast<size_t>((version - 1) * 4 + level)];
  if (count != 0) return count;

  // The encoder accepts exactly its own number of data codewords and throws
  // for any other, so one accepted guess settles it.
  const auto accepted = [&](int n) {
    try {
      QrCode(version, ToEcc(level), std::vector<uint8_t>(static_cast<size_t>(n), 0), 0);
      return true;
    } catch (const std::invalid_argument&) {
      return false;
    }
  };
  const int guess = TArrangement(version).CodewordCount() -
                    ECCodewords[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
  if (guess > 0 && accepted(guess)) return count = guess;
  // Otherwise the largest byte segment that fits tells the capacity.
  int low = 0;
  int high = 3000;
  while (low < high) {
    const int mid = (low + high + 1) / 2;
    const std::vector<QrSegment> segments{
        QrSegment::makeBytes(std::vector<uint8_t>(static_cast<size_t>(mid), 0))};
    try {
      QrCode::encodeSegments(segments, ToEcc(level), version, version, 0, false);
      low = mid;
    } catch (const qrcodegen::data_too_long&) {
      high = mid - 1;
    }
  }
  const int bits = 4 + QrSegment::Mode::BYTE.numCharCountBits(version) + 8 * low;
  count = (bits + 7) / 8;
  if (!accepted(count)) throw std::logic_error("cannot find the data capacity of the encoder");
  return count;
}

ReferenceBlocks RandomDataBlocks(int version, int level, std::mt19937& random) {
  std::vector<uint8_t> data(static_cast<size_t>(DataCodewordCount(version, level)));
  for (uint8_t& d : data) d = static_cast<uint8_t>(random() & 0xFF);
  return BlocksOfSymbol(MakeFromDataCodewords(data, version, level, 0));
}

int MisdecodeProtection(int version, int level) {
  if (version == 1) return level == 0 ? 3 : (level == 1 ? 2 : 1);
  if (version == 2 && level == 0) return 2;
  if (version == 3 && level == 0) return 1;
  return 0;
}

std::vector<int32_t> Shuffled(size_t size, std::mt19937& random) {
  std::vector<int32_t> positions(size);
  std::iota(positions.begin(), positions.end(), 0);
  std::shuffle(positions.begin(), positions.end(), random);
  return positions;
}

std::vector<std::vector<TPoint>> CodewordModules(int version) {
  const TArrangement map(version);
  const int side = map.Width();
  std::vector<TPoint> order;
  bool upward = true;
  for (int right = side - 1; right >= 1; right -= 2, upward = !upward) {
    if (right == 6) right = 5;
    for (int step = 0; step < side; ++step) {
      const int y = upward ? side - 1 - step : step;
      for (int x : {right, right - 1})
        if (!map.IsFunctionModule(x, y)) order.push_back({x, y});
    }
  }
  std::vector<std::vector<TPoint>> codewords(order.size() / 8);
  for (size_t i = 0; i < codewords.size() * 8; ++i) codewords[i / 8].push_back(order[i]);
  return codewords;
}

ReferenceBlocks BlocksOfSymbol(const ReferenceSymbol& symbol) {
  if (symbol.Codewords.empty()) throw std::logic_error("symbol without codewords");
  const size_t v = static_cast<size_t>(symbol.Version - 1);
  const size_t l = static_cast<size_t>(symbol.Level);
  const int count = ECBlocks[v][l];
  ReferenceBlocks blocks;
  blocks.Check = ECCodewords[v][l] / count;
  const int total = static_cast<int>(symbol.Codewords.size());
  const int longCount = total % count;
  const int shortData = total / count - blocks.Check;
  blocks.List.assign(static_cast<size_t>(count), {});
  // Data codewords round all blocks, the long ones (last) taking one more
  // after the common passes; then the check codewords round all blocks.
  size_t next = 0;
  for (int i = 0; i <= shortData; ++i)
    for (int b = 0; b < count; ++b)
      if (i < shortData || b >= count - longCount)
        blocks.List[static_cast<size_t>(b)].push_back(symbol.Codewords[next++]);
  for (int i = 0; i < blocks.Check; ++i)
    for (int b = 0; b < count; ++b)
      blocks.List[static_cast<size_t>(b)].push_back(symbol.Codewords[next++]);
  if (next != symbol.Codewords.size()) throw std::logic_error("codewords do not fill the blocks");
  std::vector<uint8_t> data;
  for (const auto& block : blocks.List)
    data.insert(data.end(), block.begin(), block.end() - blocks.Check);
  if (data != symbol.DataCodewords) throw std::logic_error("blocks do not hold the data codewords");
  return blocks;
}

ReferenceSymbol MakeSegments(const std::vector<QrSegment>& segments, int version, int level,
                             int mask) {
  CheckParameters(version, level, mask);
  std::unique_ptr<QrCode> encoded;
  try {
    encoded = std::make_unique<QrCode>(
        QrCode::encodeSegments(segments, ToEcc(level), version, version, mask, false));
  } catch (const qrcodegen::data_too_long& e) {
    throw std::invalid_argument(std::string("data do not fit the symbol: ") + e.what());
  }
  std::vector<uint8_t> data = DataCodewordsOf(segments, version, DataCodewordCount(version, level));
  // The codewords built here must be the encoder's own: the same symbol
  // results from them.
  const QrCode rebuilt(version, ToEcc(level), data, mask);
  for (int y = 0; y < encoded->getSize(); ++y)
    for (int x = 0; x < encoded->getSize(); ++x)
      if (rebuilt.getModule(x, y) != encoded->getModule(x, y))
        throw std::logic_error("data codewords differ from the encoder's");
  return FromQrCode(*encoded, level, std::move(data));
}

ReferenceSymbol Make(const std::string& text, int version, int level, int mask) {
  return MakeSegments(QrSegment::makeSegments(text.c_str()), version, level, mask);
}

ReferenceSymbol MakeBytes(const std::vector<uint8_t>& bytes, int version, int level, int mask) {
  return MakeSegments({QrSegment::makeBytes(bytes)}, version, level, mask);
}

ReferenceSymbol MakeFromDataCodewords(const std::vector<uint8_t>& data, int version, int level,
                                      int mask) {
  CheckParameters(version, level, mask);
  if (static_cast<int>(data.size()) != DataCodewordCount(version, level))
    throw std::invalid_argument("wrong number of data codewords for the version and level");
  const QrCode code(version, ToEcc(level), data, mask);
  return FromQrCode(code, level, data);
}

qrcodegen::QrSegment MakeKanjiSegment(const std::string& shiftJis) {
  if (shiftJis.size() % 2 != 0) throw std::invalid_argument("odd number of Shift JIS bytes");
  std::vector<bool> bits;
  for (size_t i = 0; i < shiftJis.size(); i += 2) {
    const int code =
        (static_cast<uint8_t>(shiftJis[i]) << 8) | static_cast<uint8_t>(shiftJis[i + 1]);
    int offset = 0;
    if (code >= 0x8140 && code <= 0x9FFC)
      offset = code - 0x8140;
    else if (code >= 0xE040 && code <= 0xEBBF)
      offset = code - 0xC140;
    else
      throw std::invalid_argument("not a Kanji-mode Shift JIS character");
    const int value = (offset >> 8) * 0xC0 + (offset & 0xFF);
    for (int b = 12; b >= 0; --b) bits.push_back(((value >> b) & 1) != 0);
  }
  return QrSegment(QrSegment::Mode::KANJI, static_cast<int>(shiftJis.size() / 2), bits);
}

qrcodegen::QrSegment MakeHanziSegment(const std::string& gb2312, int version) {
  if (gb2312.size() % 2 != 0) throw std::invalid_argument("odd number of GB 2312 bytes");
  std::vector<bool> bits;
  const auto append = [&bits](int value, int width) {
    for (int b = width - 1; b >= 0; --b) bits.push_back(((value >> b) & 1) != 0);
  };
  append(0b1101, 4);  // Hanzi mode
  append(1, 4);       // GB 2312 subset
  append(static_cast<int>(gb2312.size() / 2), QrSegment::Mode::KANJI.numCharCountBits(version));
  for (size_t i = 0; i < gb2312.size(); i += 2) {
    const int high = static_cast<uint8_t>(gb2312[i]);
    const int low = static_cast<uint8_t>(gb2312[i + 1]);
    const bool symbols = high >= 0xA1 && high <= 0xAA;
    if (!(symbols || (high >= 0xB0 && high <= 0xF7)) || low < 0xA1 || low > 0xFE)
      throw std::invalid_argument("not a Hanzi-mode GB 2312 character");
    const int offset = ((high << 8) | low) - (symbols ? 0xA1A1 : 0xA6A1);
    append((offset >> 8) * 0x60 + (offset & 0xFF), 13);
  }
  return QrSegment(QrSegment::Mode::NUMERIC, 0, bits);
}

ReferenceSymbol MakeQrencode(const std::string& text, int version, int level, bool kanji) {
  CheckQrencodeParameters(version, level);
  std::unique_ptr<QRcode, QrcodeDeleter> code(QRcode_encodeString(
      text.c_str(), version, static_cast<QRecLevel>(level), kanji ? QR_MODE_KANJI : QR_MODE_8, 1));
  if (!code) ThrowQrencode("QRcode_encodeString");
  return FromQrencode(*code, level);
}

ReferenceSymbol MakeQrencodeParts(const std::vector<QrencodePart>& parts, int version, int level) {
  CheckQrencodeParameters(version, level);
  std::unique_ptr<QRinput, QrinputDeleter> input(
      QRinput_new2(version, static_cast<QRecLevel>(level)));
  if (!input) ThrowQrencode("QRinput_new2");
  for (const QrencodePart& part : parts) {
    int result = 0;
    if (part.Mode == QrencodeMode::Eci) {
      result = QRinput_appendECIheader(input.get(), part.EciValue);
    } else {
      static constexpr QRencodeMode kModes[] = {QR_MODE_NUM, QR_MODE_AN, QR_MODE_8, QR_MODE_KANJI};
      result = QRinput_append(input.get(), kModes[static_cast<int>(part.Mode)],
                              static_cast<int>(part.Data.size()),
                              reinterpret_cast<const unsigned char*>(part.Data.data()));
    }
    if (result != 0) ThrowQrencode("QRinput_append");
  }
  std::unique_ptr<QRcode, QrcodeDeleter> code(QRcode_encodeInput(input.get()));
  if (!code) ThrowQrencode("QRcode_encodeInput");
  return FromQrencode(*code, level);
}

std::vector<ReferenceSymbol> MakeQrencodeStructured(const std::string& text, int version, int level,
                                                    bool kanji) {
  CheckQrencodeParameters(version, level);
  if (version == 0) throw std::invalid_argument("structured append needs a version");
  std::unique_ptr<QRcode_List, QrcodeListDeleter> list(QRcode_encodeStringStructured(
      text.c_str(), version, static_cast<QRecLevel>(level), kanji ? QR_MODE_KANJI : QR_MODE_8, 1));
  if (!list) ThrowQrencode("QRcode_encodeStringStructured");
  std::vector<ReferenceSymbol> symbols;
  for (QRcode_List* entry = list.get(); entry != nullptr; entry = entry->next)
    symbols.push_back(FromQrencode(*entry->code, level));
  return symbols;
}

}  // namespace vornak::test
