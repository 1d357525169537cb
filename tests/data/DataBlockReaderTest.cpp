#include <gtest/gtest.h>

#include <algorithm>
#include <qrcodegen/qrcodegen.hpp>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "data/DataBlockReader.h"

namespace vornak {
namespace {

using qrcodegen::BitBuffer;
using qrcodegen::QrSegment;

// Appends a segment as the encoder lays it out: mode, count, data bits.
void AppendSegment(BitBuffer& bits, const QrSegment& segment, int version) {
  bits.appendBits(static_cast<uint32_t>(segment.getMode().getModeBits()), 4);
  bits.appendBits(static_cast<uint32_t>(segment.getNumChars()),
                  segment.getMode().numCharCountBits(version));
  bits.insert(bits.end(), segment.getData().begin(), segment.getData().end());
}

// Packs bits into codewords the way a symbol's data region is filled: a
// terminator of up to four zero bits, zero bits to the byte boundary, then the
// pad codewords 0xEC 0x11. capacity < 0 takes just the codewords needed.
TIntegers Pack(BitBuffer bits, int capacity = -1) {
  const int needed = static_cast<int>((bits.size() + 4 + 7) / 8);
  if (capacity < 0) capacity = needed;
  const size_t capacityBits = static_cast<size_t>(capacity) * 8;
  EXPECT_LE(bits.size(), capacityBits);
  const size_t terminator = std::min<size_t>(4, capacityBits - bits.size());
  bits.insert(bits.end(), terminator, false);
  while (bits.size() % 8 != 0) bits.push_back(false);
  TIntegers codewords;
  for (size_t i = 0; i < bits.size(); i += 8) {
    int value = 0;
    for (size_t j = 0; j < 8; ++j) value = (value << 1) | (bits[i + j] ? 1 : 0);
    codewords.push_back(value);
  }
  for (int pad = 0; static_cast<int>(codewords.size()) < capacity; pad ^= 1)
    codewords.push_back(pad == 0 ? 0xEC : 0x11);
  return codewords;
}

TIntegers Encode(const std::vector<QrSegment>& segments, int version, int capacity = -1) {
  BitBuffer bits;
  for (const QrSegment& segment : segments) AppendSegment(bits, segment, version);
  return Pack(bits, capacity);
}

struct Decoded {
  bool ok;
  std::string text;
};

Decoded DecodeStream(const TIntegers& codewords, int version) {
  TDataBlockReader reader(codewords, static_cast<int32_t>(codewords.size()), version);
  Decoded result{false, "unchanged"};
  result.ok = reader.Decode(result.text);
  return result;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string text;
  for (int v : values) text.push_back(static_cast<char>(v));
  return text;
}

std::vector<uint8_t> AsBytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(DataBlockReaderTest, WorkedNumericExample) {
  const TIntegers codewords = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11,
                               0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
  EXPECT_EQ(DecodeStream(codewords, 1).text, "01234567");
  EXPECT_TRUE(DecodeStream(codewords, 1).ok);
}

// The count widths change at versions 10 and 27; test each side of both.
class SegmentsByVersion : public ::testing::TestWithParam<int> {};

TEST_P(SegmentsByVersion, EncoderSegmentsDecodeToTheirCharacters) {
  const int version = GetParam();
  std::string allBytes;
  // Every byte value but one (an 8-bit count reaches only 255).
  for (int v = 0; v < 256; ++v)
    if (v != 0x80) allBytes.push_back(static_cast<char>(v));
  const std::vector<std::string> numerics = {"", "7", "05", "005", "0123456789", "99999999999"};
  const std::vector<std::string> alphas = {"", "A", "A ", "HELLO WORLD", "$%*+-./:", "0Z9"};
  for (const std::string& digits : numerics) {
    for (const std::string& alpha : alphas) {
      const std::vector<QrSegment> segments = {QrSegment::makeNumeric(digits.c_str()),
                                               QrSegment::makeAlphanumeric(alpha.c_str()),
                                               QrSegment::makeBytes(AsBytes(allBytes))};
      const Decoded decoded = DecodeStream(Encode(segments, version), version);
      EXPECT_TRUE(decoded.ok) << digits << " / " << alpha;
      EXPECT_EQ(decoded.text, digits + alpha + allBytes) << digits << " / " << alpha;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(CountWidths, SegmentsByVersion, ::testing::Values(1, 9, 10, 26, 27, 40));

TEST(DataBlockReaderTest, CountWidthsFollowTheVersionRanges) {
  for (int version = 1; version <= 40; ++version) {
    EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeNumeric, version),
              QrSegment::Mode::NUMERIC.numCharCountBits(version));
    EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeAlphanumeric, version),
              QrSegment::Mode::ALPHANUMERIC.numCharCountBits(version));
    EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeByte, version),
              QrSegment::Mode::BYTE.numCharCountBits(version));
    EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeKanji, version),
              QrSegment::Mode::KANJI.numCharCountBits(version));
  }
  EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeByte, 0), 0);
  EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeByte, 41), 0);
}

TEST(DataBlockReaderTest, ByteDataFillingEveryBitKeepsItsLastByte) {
  // An ECI header (12 bits) puts a byte segment on codeword boundaries, so
  // with an exact capacity the last data byte is the last codeword and no
  // terminator follows: version 1 (8-bit count) and version 10 (16-bit count).
  for (int version : {1, 10}) {
    std::string text = "caf\xC3\xA9 au lait";
    text.push_back('\xFF');
    BitBuffer bits;
    AppendSegment(bits, QrSegment::makeEci(26), version);
    AppendSegment(bits, QrSegment::makeBytes(AsBytes(text)), version);
    ASSERT_EQ(bits.size() % 8, 0u);
    const TIntegers codewords = Pack(bits, static_cast<int>(bits.size() / 8));
    ASSERT_EQ(codewords.size() * 8, bits.size());
    ASSERT_EQ(codewords.back(), 0xFF);
    const Decoded decoded = DecodeStream(codewords, version);
    EXPECT_TRUE(decoded.ok) << version;
    EXPECT_EQ(decoded.text, text) << version;
  }
}

TEST(DataBlockReaderTest, ReadBitsDeliversUpToTheLastBitAndNoFurther) {
  const TIntegers codewords = {0xA5, 0x3C, 0xFF};
  TDataBlockReader reader(codewords, 3, 1);
  EXPECT_EQ(reader.ReadBits(7), 0x52);  // 1010010
  EXPECT_EQ(reader.ReadBits(1), 1);
  EXPECT_EQ(reader.ReadBits(16), 0x3CFF);
  EXPECT_FALSE(reader.Exhausted());
  EXPECT_EQ(reader.BitsLeft(), 0);
  EXPECT_EQ(reader.ReadBits(1), 0);
  EXPECT_TRUE(reader.Exhausted());

  // A failed read moves nothing: the bits are still there for a shorter read.
  TDataBlockReader partial(codewords, 2, 1);
  EXPECT_EQ(partial.ReadBits(12), 0xA53);
  EXPECT_EQ(partial.ReadBits(5), 0);
  EXPECT_TRUE(partial.Exhausted());
  EXPECT_EQ(partial.ReadBits(4), 0xC);

  // A 16-bit read from the least significant bit of a codeword takes that
  // bit, the whole next codeword and the top seven bits of the one after.
  const TIntegers spread = {0x01, 0x80, 0xFE};
  TDataBlockReader across(spread, 3, 10);
  EXPECT_EQ(across.ReadBits(7), 0);
  EXPECT_EQ(across.ReadBits(16), (1 << 15) | (0x80 << 7) | 0x7F);
  EXPECT_EQ(across.BitsLeft(), 1);

  // The count limits the reader even when the array is longer.
  TDataBlockReader limited(codewords, 1, 1);
  EXPECT_EQ(limited.BitsLeft(), 8);
  TDataBlockReader clamped(codewords, 99, 1);
  EXPECT_EQ(clamped.BitsLeft(), 24);
}

BitBuffer KanjiBits(const std::vector<int>& values, int version) {
  BitBuffer bits;
  bits.appendBits(static_cast<uint32_t>(TDataBlockReader::kModeKanji), 4);
  bits.appendBits(static_cast<uint32_t>(values.size()),
                  QrSegment::Mode::KANJI.numCharCountBits(version));
  for (int v : values) bits.appendBits(static_cast<uint32_t>(v), 13);
  return bits;
}

TEST(DataBlockReaderTest, KanjiValuesBecomeShiftJisPairs) {
  // 0 is the first code 0x8140; 0x1AAA lies in the upper range 0xE040 on;
  // 0x1FFF is the last value, 0xEBBF.
  for (int version : {1, 10, 27}) {
    const Decoded decoded =
        DecodeStream(Pack(KanjiBits({0, 0x1AAA, 0x1FFF, 0x0D9F}, version)), version);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, Bytes({0x81, 0x40, 0xE4, 0xAA, 0xEB, 0xBF, 0x93, 0x5F}));
  }
}

BitBuffer HanziBits(const std::vector<int>& values, int version, int subset = 1) {
  BitBuffer bits;
  bits.appendBits(static_cast<uint32_t>(TDataBlockReader::kModeHanzi), 4);
  bits.appendBits(static_cast<uint32_t>(subset), 4);
  // Hanzi counts are as wide as Kanji counts.
  bits.appendBits(static_cast<uint32_t>(values.size()),
                  QrSegment::Mode::KANJI.numCharCountBits(version));
  for (int v : values) bits.appendBits(static_cast<uint32_t>(v), 13);
  return bits;
}

TEST(DataBlockReaderTest, HanziValuesBecomeGb2312Pairs) {
  // 0 is the first code 0xA1A1; 0x3A9 (row 9, cell 0x49) the last row of the
  // symbol range, 0xAAEA; 0x3C0 (row 10) jumps to 0xB0A1; 0x1EBD is the last
  // code, 0xF7FE.
  for (int version : {1, 10, 27}) {
    const Decoded decoded =
        DecodeStream(Pack(HanziBits({0, 0x3A9, 0x3C0, 0x1EBD}, version)), version);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, Bytes({0xA1, 0xA1, 0xAA, 0xEA, 0xB0, 0xA1, 0xF7, 0xFE}));
  }
  const TIntegers codewords = Pack(HanziBits({0x3C1}, 1));
  TDataBlockReader reader(codewords, static_cast<int32_t>(codewords.size()), 1);
  std::string text;
  ASSERT_TRUE(reader.Decode(text));
  EXPECT_TRUE(reader.Headers().Hanzi);
  // A reader told not to take Hanzi breaks there, as at any unknown mode.
  TDataBlockReader without(codewords, static_cast<int32_t>(codewords.size()), 1, false);
  EXPECT_FALSE(without.Decode(text));
  EXPECT_EQ(text, "");
}

TEST(DataBlockReaderTest, HanziWithoutACharacterOrSubsetIsRefused) {
  // Cell 0x5E of a row, a row past 0xF7, and a subset other than GB 2312.
  for (const auto& [values, subset] : std::vector<std::pair<std::vector<int>, int>>{
           {{0x5E}, 1}, {{0x52 * 0x60}, 1}, {{0}, 2}, {{0}, 0}}) {
    const Decoded decoded = DecodeStream(Pack(HanziBits(values, 1, subset)), 1);
    EXPECT_FALSE(decoded.ok) << values[0] << " subset " << subset;
  }
}

TEST(DataBlockReaderTest, EciAssignmentIsReadInAllThreeForms) {
  for (long assignment : {26L, 127L, 128L, 16383L, 16384L, 999999L}) {
    const std::string utf8 = "caf\xC3\xA9";
    const std::vector<QrSegment> segments = {
        QrSegment::makeEci(assignment), QrSegment::makeBytes(AsBytes(utf8)), QrSegment::makeEci(3)};
    const TIntegers codewords = Encode(segments, 5);
    TDataBlockReader reader(codewords, static_cast<int32_t>(codewords.size()), 5);
    std::string text;
    EXPECT_TRUE(reader.Decode(text)) << assignment;
    EXPECT_EQ(text, utf8);
    EXPECT_EQ(reader.Headers().EciAssignment, assignment);
  }
  const TIntegers plain = Encode({QrSegment::makeNumeric("1")}, 1);
  TDataBlockReader reader(plain, static_cast<int32_t>(plain.size()), 1);
  std::string text;
  EXPECT_TRUE(reader.Decode(text));
  EXPECT_EQ(reader.Headers().EciAssignment, -1);
}

TEST(DataBlockReaderTest, StructuredAppendHeaderIsKept) {
  BitBuffer bits;
  bits.appendBits(TDataBlockReader::kModeStructuredAppend, 4);
  bits.appendBits(2, 4);     // third symbol
  bits.appendBits(4, 4);     // of five
  bits.appendBits(0xA7, 8);  // parity
  AppendSegment(bits, QrSegment::makeAlphanumeric("PART3"), 2);
  const TIntegers codewords = Pack(bits, 34);
  TDataBlockReader reader(codewords, 34, 2);
  std::string text;
  EXPECT_TRUE(reader.Decode(text));
  EXPECT_EQ(text, "PART3");
  EXPECT_TRUE(reader.Headers().StructuredAppend);
  EXPECT_EQ(reader.Headers().AppendPosition, 2);
  EXPECT_EQ(reader.Headers().AppendTotal, 5);
  EXPECT_EQ(reader.Headers().AppendParity, 0xA7);
  EXPECT_EQ(reader.Headers().Fnc1, 0);
}

TEST(DataBlockReaderTest, Fnc1TurnsPercentIntoGroupSeparator) {
  BitBuffer first;
  first.appendBits(TDataBlockReader::kModeFnc1First, 4);
  AppendSegment(first, QrSegment::makeNumeric("0104912345123459"), 3);
  AppendSegment(first, QrSegment::makeAlphanumeric("10ABC%21%%X%"), 3);
  TIntegers codewords = Pack(first);
  TDataBlockReader reader(codewords, static_cast<int32_t>(codewords.size()), 3);
  std::string text;
  EXPECT_TRUE(reader.Decode(text));
  EXPECT_EQ(text, std::string("010491234512345910ABC\x1D"
                              "21%X\x1D"));
  EXPECT_EQ(reader.Headers().Fnc1, 1);
  EXPECT_EQ(reader.Headers().ApplicationIndicator, -1);

  BitBuffer second;
  second.appendBits(TDataBlockReader::kModeFnc1Second, 4);
  second.appendBits(37 + 100, 8);  // letter "a" plus 100
  AppendSegment(second, QrSegment::makeAlphanumeric("AB%C"), 3);
  codewords = Pack(second);
  TDataBlockReader other(codewords, static_cast<int32_t>(codewords.size()), 3);
  EXPECT_TRUE(other.Decode(text));
  EXPECT_EQ(text,
            "AB\x1D"
            "C");
  EXPECT_EQ(other.Headers().Fnc1, 2);
  EXPECT_EQ(other.Headers().ApplicationIndicator, 137);

  // Without FNC1 the percent sign is itself.
  EXPECT_EQ(DecodeStream(Encode({QrSegment::makeAlphanumeric("A%%B%")}, 3), 3).text, "A%%B%");
}

TEST(DataBlockReaderTest, BrokenStreamsGiveNoText) {
  auto expectBroken = [](const BitBuffer& bits, int version, const char* what) {
    const TIntegers codewords = Pack(bits);
    const Decoded decoded = DecodeStream(codewords, version);
    EXPECT_FALSE(decoded.ok) << what;
    EXPECT_EQ(decoded.text, "") << what;
  };
  BitBuffer bits;
  AppendSegment(bits, QrSegment::makeNumeric("12"), 1);
  bits.appendBits(0x6, 4);  // not a mode of the standard
  expectBroken(bits, 1, "unknown mode");

  for (uint32_t mode : {0xAu, 0xBu, 0xCu, 0xDu, 0xEu, 0xFu}) {
    BitBuffer unknown;
    unknown.appendBits(mode, 4);
    unknown.appendBits(0, 12);
    expectBroken(unknown, 1, "unknown mode at the start");
  }

  BitBuffer pair;
  pair.appendBits(TDataBlockReader::kModeAlphanumeric, 4);
  pair.appendBits(2, 9);
  pair.appendBits(2025, 11);
  expectBroken(pair, 1, "alphanumeric pair 2025");

  BitBuffer single;
  single.appendBits(TDataBlockReader::kModeAlphanumeric, 4);
  single.appendBits(1, 9);
  single.appendBits(45, 6);
  expectBroken(single, 1, "alphanumeric single 45");

  for (auto [count, width, value] : {std::tuple{3, 10, 1000}, {2, 7, 100}, {1, 4, 10}}) {
    BitBuffer numeric;
    numeric.appendBits(TDataBlockReader::kModeNumeric, 4);
    numeric.appendBits(static_cast<uint32_t>(count), 10);
    numeric.appendBits(static_cast<uint32_t>(value), width);
    expectBroken(numeric, 1, "numeric group too large");
  }

  BitBuffer eci;
  eci.appendBits(TDataBlockReader::kModeEci, 4);
  eci.appendBits(0xE0, 8);  // 111 prefix: no such form
  expectBroken(eci, 1, "ECI designator form");

  // A byte segment that claims more bytes than the codewords hold.
  BitBuffer overrun;
  overrun.appendBits(TDataBlockReader::kModeByte, 4);
  overrun.appendBits(40, 8);
  overrun.appendBits(0x41, 8);
  {
    TIntegers codewords = Pack(overrun);
    const Decoded decoded = DecodeStream(codewords, 1);
    EXPECT_FALSE(decoded.ok);
    EXPECT_EQ(decoded.text, "");
  }

  // A mode indicator whose count field is cut off by the end of the data.
  const TIntegers cut = {0x10};
  EXPECT_FALSE(DecodeStream(cut, 1).ok);

  const TIntegers fine = Encode({QrSegment::makeNumeric("1")}, 1);
  EXPECT_FALSE(DecodeStream(fine, 0).ok);
  EXPECT_FALSE(DecodeStream(fine, 41).ok);
}

TEST(DataBlockReaderTest, TheEndOfTheCodewordsEndsTheStream) {
  // No codewords at all, and fewer than four bits after the last segment.
  EXPECT_TRUE(DecodeStream(TIntegers{}, 1).ok);
  EXPECT_EQ(DecodeStream(TIntegers{}, 1).text, "");
  // Numeric "12" takes 4 + 10 + 7 = 21 bits of three codewords; the three
  // bits left cannot hold a mode indicator, whatever their value.
  BitBuffer bits;
  AppendSegment(bits, QrSegment::makeNumeric("12"), 1);
  bits.appendBits(0x5, 3);
  ASSERT_EQ(bits.size(), 24u);
  const Decoded decoded = DecodeStream(Pack(bits, 3), 1);
  EXPECT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.text, "12");
}

TEST(DataBlockReaderTest, RandomStreamsEndOrBreakWithoutStray) {
  std::mt19937 random(17);
  int broken = 0;
  for (int round = 0; round < 3000; ++round) {
    const int version = 1 + static_cast<int>(random() % 40);
    TIntegers codewords(random() % 64);
    for (int32_t& c : codewords) c = static_cast<int32_t>(random() & 0xFF);
    TDataBlockReader reader(codewords, static_cast<int32_t>(codewords.size()), version);
    std::string text = "stale";
    if (!reader.Decode(text)) {
      ++broken;
      EXPECT_EQ(text, "");
    }
  }
  // Most random streams name an undefined mode or overrun their data.
  EXPECT_GT(broken, 1500);
}

// Micro QR streams written bit by bit: modes of 0 to 3 bits, counts of the
// version's widths, the terminator of 3 to 9 bits, the half codeword.
TIntegers Codewords(const std::string& bits) {
  TIntegers codewords;
  for (size_t i = 0; i < bits.size(); i += 8) {
    std::string byte = bits.substr(i, 8);
    byte.resize(8, '0');
    codewords.push_back(std::stoi(byte, nullptr, 2));
  }
  return codewords;
}

TEST(MicroStream, M1DigitsFillTheHalfCodeword) {
  // Count 5 (3 bits), 123 (10 bits), 45 (7 bits): twenty bits, no room for
  // the terminator.
  const TIntegers data = Codewords(
      "101"
      "0001111011"
      "0101101");
  ASSERT_EQ(data.size(), 3u);
  TDataBlockReader reader(data, 3, TSymbolKind::kMicro, 1);
  std::string text;
  ASSERT_TRUE(reader.Decode(text));
  EXPECT_EQ(text, "12345");
  // A count that runs past the half codeword's four bits is broken.
  const TIntegers longer = Codewords(
      "111"
      "0001111011"
      "0101101"
      "1111");
  TDataBlockReader broken(longer, 3, TSymbolKind::kMicro, 1);
  EXPECT_FALSE(broken.Decode(text));
}

TEST(MicroStream, ModesAndTerminatorsOfEachVersion) {
  struct TCase {
    int Version;
    std::string Bits;
    std::string Text;
  };
  const TCase cases[] = {
      // M2: mode 1 alphanumeric, count 3 bits: "AB"; terminator 00000, then
      // bits that are no segment.
      {2,
       "1"
       "010"
       "00111001101"
       "00000"
       "1111111",
       "AB"},
      // M3: byte mode 10, count 4 bits: "a"; then numeric 00, count 5: "7".
      {3,
       "10"
       "0001"
       "01100001"
       "00"
       "00001"
       "0111"
       "0000000",
       "a7"},
      // M4: Kanji 011, count 4 bits: one character (0x935F); terminator.
      {4,
       "011"
       "0001"
       "0110110011111"
       "000000000",
       "\x93\x5F"},
  };
  for (const TCase& c : cases) {
    const TIntegers data = Codewords(c.Bits + std::string(16, '1'));
    TDataBlockReader reader(data, static_cast<int32_t>(data.size()), TSymbolKind::kMicro,
                            c.Version);
    std::string text;
    ASSERT_TRUE(reader.Decode(text)) << "M" << c.Version;
    std::string expected = c.Text;
    EXPECT_EQ(text, expected) << "M" << c.Version;
  }
  EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeByte, TSymbolKind::kMicro, 2),
            0);
  EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeNumeric, TSymbolKind::kMicro, 4),
            6);
}

// Model 1 streams: four zero bits, then the segments of Model 2 with its
// count widths, the four character modes only.
TEST(Model1Stream, FourZeroBitsThenTheSegments) {
  // 0000, byte mode 0100, count 3, "Hi!", terminator.
  const std::string segment =
      "0100"
      "00000011"
      "01001000"
      "01101001"
      "00100001";
  const TIntegers data = Codewords("0000" + segment + "0000");
  TDataBlockReader reader(data, static_cast<int32_t>(data.size()), TSymbolKind::kModel1, 2);
  std::string text;
  ASSERT_TRUE(reader.Decode(text));
  EXPECT_EQ(text, "Hi!");
  // Without the four bits the stream is misaligned by half a codeword.
  const TIntegers bare = Codewords(segment + "0000");
  TDataBlockReader misread(bare, static_cast<int32_t>(bare.size()), TSymbolKind::kModel1, 2);
  EXPECT_FALSE(misread.Decode(text));
  EXPECT_TRUE(text.empty());
}

TEST(Model1Stream, ANonZeroLeadOrAModeModel1LacksBreaksTheStream) {
  const std::string bytes =
      "0100"
      "00000001"
      "01000001"
      "0000";
  for (const char* lead : {"0001", "1000", "0110"}) {
    const TIntegers data = Codewords(lead + bytes);
    TDataBlockReader reader(data, static_cast<int32_t>(data.size()), TSymbolKind::kModel1, 1);
    std::string text;
    EXPECT_FALSE(reader.Decode(text)) << lead;
  }
  // ECI, structured append, FNC1 and Hanzi ahead of a byte segment: Model 2
  // reads past them, Model 1 does not have them.
  const std::vector<std::string> headers = {
      "0111"
      "00000011",
      "0011"
      "0000"
      "0001"
      "00000000",
      "0101",
      "1001"
      "00000001"};
  for (const std::string& header : headers) {
    const TIntegers model2 = Codewords(header + bytes);
    TDataBlockReader second(model2, static_cast<int32_t>(model2.size()), 1);
    std::string text;
    EXPECT_TRUE(second.Decode(text)) << header;
    EXPECT_EQ(text.back(), 'A') << header;
    const TIntegers model1 = Codewords("0000" + header + bytes);
    TDataBlockReader first(model1, static_cast<int32_t>(model1.size()), TSymbolKind::kModel1, 1);
    EXPECT_FALSE(first.Decode(text)) << header;
  }
}

TEST(Model1Stream, CountWidthsAreModel2sForTheFourModes) {
  for (int version = 1; version <= 14; ++version) {
    for (int mode : {TDataBlockReader::kModeNumeric, TDataBlockReader::kModeAlphanumeric,
                     TDataBlockReader::kModeByte, TDataBlockReader::kModeKanji})
      EXPECT_EQ(TDataBlockReader::CharCountBits(mode, TSymbolKind::kModel1, version),
                TDataBlockReader::CharCountBits(mode, version));
    EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeHanzi, TSymbolKind::kModel1,
                                              version),
              0);
  }
  EXPECT_EQ(TDataBlockReader::CharCountBits(TDataBlockReader::kModeByte, TSymbolKind::kModel1, 15),
            0);
}

}  // namespace
}  // namespace vornak
