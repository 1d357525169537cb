#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/Decorder.h"
#include "symbol/Arrangement.h"
#include "symbol/StandardTables.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

using qrcodegen::QrSegment;
using test::ReferenceSymbol;

constexpr const char* kReadError = "セルの読み込みでエラーが発生しました。";

std::string AsString(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }
std::vector<uint8_t> AsBytes(const std::string& text) { return {text.begin(), text.end()}; }

int32_t DecodeSymbol(TDecorder& decorder, const TPlaneBoolean& matrix, std::string& text) {
  return decorder.DecodeMatrix(matrix, matrix.Width(), text);
}

// Block number of every placement-order codeword: data codewords are dealt
// round the blocks (the long blocks, last, take one more), then the check
// codewords the same way.
std::vector<int> BlockOfCodeword(int version, int level, int total) {
  const int blocks = ECBlocks[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
  const int check =
      ECCodewords[static_cast<size_t>(version - 1)][static_cast<size_t>(level)] / blocks;
  const int longBlocks = total % blocks;
  const int shortData = total / blocks - check;
  std::vector<int> owner;
  for (int i = 0; i <= shortData; ++i)
    for (int b = 0; b < blocks; ++b)
      if (i < shortData || b >= blocks - longBlocks) owner.push_back(b);
  for (int i = 0; i < check; ++i)
    for (int b = 0; b < blocks; ++b) owner.push_back(b);
  return owner;
}

// Puts `errors[b]` codeword errors (random non-zero values at random
// positions) into block b of the symbol's matrix.
TPlaneBoolean WithErrors(const ReferenceSymbol& symbol, const std::vector<int>& errors,
                         std::mt19937& random) {
  TPlaneBoolean matrix = symbol.Matrix;
  const auto modules = test::CodewordModules(symbol.Version);
  const auto owner =
      BlockOfCodeword(symbol.Version, symbol.Level, static_cast<int>(modules.size()));
  std::vector<std::vector<size_t>> members(errors.size());
  for (size_t k = 0; k < owner.size(); ++k) members[static_cast<size_t>(owner[k])].push_back(k);
  for (size_t b = 0; b < errors.size(); ++b) {
    std::shuffle(members[b].begin(), members[b].end(), random);
    for (int e = 0; e < errors[b]; ++e) {
      const int value = 1 + static_cast<int>(random() % 255);
      const auto& bits = modules[members[b][static_cast<size_t>(e)]];
      for (int bit = 0; bit < 8; ++bit)
        if ((value >> (7 - bit)) & 1) {
          uint8_t& module =
              matrix(bits[static_cast<size_t>(bit)].X, bits[static_cast<size_t>(bit)].Y);
          module = module ? 0 : 1;
        }
    }
  }
  return matrix;
}

int CheckPerBlock(int version, int level) {
  const size_t v = static_cast<size_t>(version - 1);
  return ECCodewords[v][static_cast<size_t>(level)] / ECBlocks[v][static_cast<size_t>(level)];
}

int BlockCountOf(int version, int level) {
  return ECBlocks[static_cast<size_t>(version - 1)][static_cast<size_t>(level)];
}

// Every version and level, three masks each over the run, four kinds of
// content; the byte case (behind an ECI header) fills every data bit.
TEST(DecorderTailSweep, CleanSymbolsOfEveryVersionAndLevelDecodeExactly) {
  TDecorder decorder;
  std::mt19937 random(1);
  for (int version = 1; version <= 40; ++version) {
    for (int level = 0; level < 4; ++level) {
      const int capacity = test::DataCodewordCount(version, level);
      const int countBits = QrSegment::Mode::BYTE.numCharCountBits(version);
      // ECI 26 (12 bits) + mode + count + bytes = the capacity exactly.
      std::string bytes(static_cast<size_t>(capacity - (12 + 4 + countBits) / 8), '\0');
      for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
      // Digits and alphanumerics as many as fit (with the version number
      // as a short numeric segment after the alphanumerics).
      const int numericBits = QrSegment::Mode::NUMERIC.numCharCountBits(version);
      const int alnumBits = QrSegment::Mode::ALPHANUMERIC.numCharCountBits(version);
      int available = capacity * 8 - 4 - numericBits;
      std::string digits(
          static_cast<size_t>((available / 10) * 3 +
                              (available % 10 >= 7 ? 2 : (available % 10 >= 4 ? 1 : 0))),
          '0');
      for (char& c : digits) c = static_cast<char>('0' + random() % 10);
      const std::string number = std::to_string(version);
      available = capacity * 8 - 4 - alnumBits - 4 - numericBits - (version < 10 ? 4 : 7);
      std::string alnum(static_cast<size_t>((available / 11) * 2 + (available % 11 >= 6 ? 1 : 0)),
                        ' ');
      for (char& c : alnum) c = AlphanumericChars[random() % AlphanumericCount];
      struct Case {
        std::vector<QrSegment> Segments;
        std::string Expected;
        int Eci;
      };
      std::vector<Case> cases;
      cases.push_back({{QrSegment::makeEci(26), QrSegment::makeBytes(AsBytes(bytes))}, bytes, 26});
      cases.push_back({{QrSegment::makeNumeric(digits.c_str())}, digits, -1});
      cases.push_back({{QrSegment::makeAlphanumeric(alnum.c_str()),
                        QrSegment::makeNumeric(std::to_string(version).c_str())},
                       alnum + std::to_string(version),
                       -1});
      for (size_t c = 0; c < cases.size(); ++c) {
        const int mask = (version * 3 + level * 5 + static_cast<int>(c)) % 8;
        const ReferenceSymbol symbol = test::MakeSegments(cases[c].Segments, version, level, mask);
        std::string text;
        ASSERT_EQ(DecodeSymbol(decorder, symbol.Matrix, text), 0)
            << version << "-" << level << " case " << c;
        EXPECT_EQ(text, cases[c].Expected) << version << "-" << level << " case " << c;
        EXPECT_EQ(decorder.ErrorCode(), 0);
        EXPECT_EQ(decorder.ErrorText(), "");
        EXPECT_EQ(decorder.Mask(), mask);
        EXPECT_EQ(decorder.Headers().EciAssignment, cases[c].Eci);
        // Only the data codewords reach the data reader, one block or many.
        EXPECT_EQ(AsString(std::vector<uint8_t>(decorder.DataCodewords().begin(),
                                                decorder.DataCodewords().end())),
                  AsString(symbol.DataCodewords))
            << version << "-" << level;
        EXPECT_EQ(decorder.CorrectedCodewords(), 0);
      }
    }
  }
}

TEST(DecorderTailTest, KanjiFromAnotherEncoderBecomesShiftJis) {
  // 漢字テスト, then two characters of the upper range (0xE4AA, 0xEAA4).
  const std::string kanji = "\x8A\xBF\x8E\x9A\x83\x65\x83\x58\x83\x67\xE4\xAA\xEA\xA4";
  TDecorder decorder;
  int decoded = 0;
  for (int version : {1, 5, 9, 10, 26, 27, 40}) {
    for (int level = 0; level < 4; ++level) {
      std::string text = kanji;
      while (text.size() < static_cast<size_t>(version) * 8) text += kanji;
      ReferenceSymbol symbol;
      try {
        symbol = test::MakeQrencode(text, version, level, true);
      } catch (const std::exception&) {
        continue;  // does not fit this small symbol
      }
      if (symbol.Version != version) continue;  // the encoder needed a larger one
      std::string result;
      ASSERT_EQ(DecodeSymbol(decorder, symbol.Matrix, result), 0) << version << "-" << level;
      EXPECT_EQ(result, text) << version << "-" << level;
      ++decoded;
    }
  }
  EXPECT_GE(decoded, 24);
  // A Kanji segment between others from the first encoder.
  const ReferenceSymbol mixed =
      test::MakeSegments({QrSegment::makeBytes(AsBytes("A:")), test::MakeKanjiSegment(kanji),
                          QrSegment::makeNumeric("2026")},
                         4, 2, 6);
  std::string result;
  ASSERT_EQ(DecodeSymbol(decorder, mixed.Matrix, result), 0);
  EXPECT_EQ(result, "A:" + kanji + "2026");
}

// Up to the rated capacity in every block at once, for every version and
// level: the text comes out exactly and the corrections are counted.
TEST(DecorderTailSweep, ErrorsUpToCapacityInEveryBlockAreCorrected) {
  TDecorder decorder;
  std::mt19937 random(424242);
  for (int version = 1; version <= 40; ++version) {
    for (int level = 0; level < 4; ++level) {
      const std::string text = "ERRORS " + std::to_string(version) + "-" + std::to_string(level);
      const ReferenceSymbol symbol = test::MakeSegments({QrSegment::makeAlphanumeric(text.c_str())},
                                                        version, level, version % 8);
      const int capacity =
          (CheckPerBlock(version, level) - test::MisdecodeProtection(version, level)) / 2;
      for (int round = 0; round < 2; ++round) {
        std::vector<int> errors(static_cast<size_t>(BlockCountOf(version, level)), capacity);
        if (round == 1)
          for (int& e : errors)
            e = static_cast<int>(random() % static_cast<unsigned>(capacity + 1));
        const TPlaneBoolean matrix = WithErrors(symbol, errors, random);
        std::string decoded;
        ASSERT_EQ(DecodeSymbol(decorder, matrix, decoded), 0) << version << "-" << level;
        EXPECT_EQ(decoded, text);
        EXPECT_EQ(decorder.CorrectedCodewords(), std::accumulate(errors.begin(), errors.end(), 0));
      }
    }
  }
}

// One block past its capacity: the decode fails with code 3 and returns no
// text, unless the errors happen to form another valid codeword.
TEST(DecorderTailTest, ErrorsBeyondCapacityFailRatherThanReturnBrokenText) {
  TDecorder decorder;
  std::mt19937 random(99);
  int trials = 0;
  int failures = 0;
  int miscorrections = 0;
  for (int version : {1, 2, 3, 4, 7, 12, 25, 40}) {
    for (int level = 0; level < 4; ++level) {
      const std::string text = "BEYOND " + std::to_string(version);
      const ReferenceSymbol symbol =
          test::MakeSegments({QrSegment::makeAlphanumeric(text.c_str())}, version, level, 2);
      const int capacity =
          (CheckPerBlock(version, level) - test::MisdecodeProtection(version, level)) / 2;
      const int blocks = BlockCountOf(version, level);
      for (int round = 0; round < 12; ++round) {
        std::vector<int> errors(static_cast<size_t>(blocks), 0);
        errors[static_cast<size_t>(round % blocks)] = capacity + 1 + round % 3;
        const TPlaneBoolean matrix = WithErrors(symbol, errors, random);
        std::string decoded = "caller's text";
        const int32_t code = DecodeSymbol(decorder, matrix, decoded);
        ++trials;
        if (code == 3) {
          ++failures;
          EXPECT_EQ(decoded, "caller's text");
          EXPECT_EQ(decorder.ErrorText(), kReadError);
        } else {
          ++miscorrections;
          EXPECT_EQ(code, 0);
          EXPECT_EQ(decorder.ErrorText(), "");
        }
      }
    }
  }
  std::printf("beyond capacity: %d trials, %d failures (code 3), %d miscorrections\n", trials,
              failures, miscorrections);
  RecordProperty("trials", trials);
  RecordProperty("miscorrections", miscorrections);
  EXPECT_GE(failures * 100, trials * 95);
}

TEST(DecorderTailTest, BlocksAreSplitByTheStandardInterleave) {
  TDecorder decorder;
  std::string text;
  // 5-Q: two short blocks of 33 and two long ones of 34 (16 data codewords).
  const ReferenceSymbol q = test::Make("INTERLEAVE 5Q", 5, 2, 0);
  ASSERT_EQ(DecodeSymbol(decorder, q.Matrix, text), 0);
  EXPECT_EQ(text, "INTERLEAVE 5Q");
  ASSERT_EQ(decorder.ShortBlocks().size(), 2u);
  ASSERT_EQ(decorder.LongBlocks().size(), 2u);
  EXPECT_TRUE(decorder.Blocks().empty());
  EXPECT_EQ(decorder.ShortBlocks()[0].size(), 33u);
  EXPECT_EQ(decorder.LongBlocks()[1].size(), 34u);
  EXPECT_EQ(decorder.LongBlocks()[0][15], q.Codewords[60]);
  EXPECT_EQ(decorder.LongBlocks()[1][15], q.Codewords[61]);
  EXPECT_EQ(decorder.ShortBlocks()[0][15], q.Codewords[62]);
  EXPECT_EQ(decorder.DataCodewords().size(), 62u);
  // 5-M: two equal blocks of 67, 43 data codewords each.
  const ReferenceSymbol m = test::Make("INTERLEAVE 5M", 5, 1, 3);
  ASSERT_EQ(DecodeSymbol(decorder, m.Matrix, text), 0);
  ASSERT_EQ(decorder.Blocks().size(), 2u);
  EXPECT_TRUE(decorder.ShortBlocks().empty());
  EXPECT_EQ(decorder.Blocks()[1].size(), 67u);
  EXPECT_EQ(decorder.Blocks()[1][0], m.Codewords[1]);
  EXPECT_EQ(decorder.DataCodewords().size(), 86u);
  // The codewords read from the encoder's matrix are its own.
  EXPECT_EQ(decorder.Codewords(), TIntegers(m.Codewords.begin(), m.Codewords.end()));
  // 1-M: one block, and only its 16 data codewords are handed on.
  const ReferenceSymbol one = test::Make("1M", 1, 1, 7);
  ASSERT_EQ(DecodeSymbol(decorder, one.Matrix, text), 0);
  ASSERT_EQ(decorder.Blocks().size(), 1u);
  EXPECT_EQ(decorder.Blocks()[0].size(), 26u);
  EXPECT_EQ(decorder.DataCodewords().size(), 16u);
}

TEST(DecorderTailTest, EciAndStructuredAppendFromAnotherEncoder) {
  TDecorder decorder;
  const std::string utf8 = "Grüße, 世界";
  const ReferenceSymbol eci = test::MakeQrencodeParts(
      {{test::QrencodeMode::Eci, "", 26}, {test::QrencodeMode::Byte, utf8, 0}}, 3, 1);
  std::string text;
  ASSERT_EQ(DecodeSymbol(decorder, eci.Matrix, text), 0);
  EXPECT_EQ(text, utf8);
  EXPECT_EQ(decorder.Headers().EciAssignment, 26);
  EXPECT_FALSE(decorder.Headers().StructuredAppend);

  const std::string message =
      "STRUCTURED APPEND SPLITS ONE MESSAGE OVER SEVERAL SYMBOLS 0123456789 AND SO ON";
  const std::vector<ReferenceSymbol> parts = test::MakeQrencodeStructured(message, 1, 0, false);
  ASSERT_GE(parts.size(), 2u);
  std::string joined;
  int parity = -1;
  for (size_t i = 0; i < parts.size(); ++i) {
    ASSERT_EQ(DecodeSymbol(decorder, parts[i].Matrix, text), 0) << i;
    joined += text;
    const auto& headers = decorder.Headers();
    EXPECT_TRUE(headers.StructuredAppend);
    EXPECT_EQ(headers.AppendPosition, static_cast<int>(i));
    EXPECT_EQ(headers.AppendTotal, static_cast<int>(parts.size()));
    if (parity < 0) parity = headers.AppendParity;
    EXPECT_EQ(headers.AppendParity, parity);
  }
  EXPECT_EQ(joined, message);
  // The parity is the XOR of every byte of the whole message.
  int expectedParity = 0;
  for (char c : message) expectedParity ^= static_cast<uint8_t>(c);
  EXPECT_EQ(parity, expectedParity);
}

// libqrencode refuses FNC1 input, so these symbols come from libqrcodegen
// given data codewords: the FNC1 header, then the encoder's own segments.
TPlaneBoolean Fnc1Symbol(int applicationIndicator, const std::vector<QrSegment>& segments,
                         int version) {
  std::vector<bool> bits;
  auto append = [&bits](uint32_t value, int length) {
    for (int i = length - 1; i >= 0; --i) bits.push_back(((value >> i) & 1) != 0);
  };
  if (applicationIndicator < 0) {
    append(TDataBlockReader::kModeFnc1First, 4);
  } else {
    append(TDataBlockReader::kModeFnc1Second, 4);
    append(static_cast<uint32_t>(applicationIndicator), 8);
  }
  for (const QrSegment& segment : segments) {
    append(static_cast<uint32_t>(segment.getMode().getModeBits()), 4);
    append(static_cast<uint32_t>(segment.getNumChars()),
           segment.getMode().numCharCountBits(version));
    bits.insert(bits.end(), segment.getData().begin(), segment.getData().end());
  }
  const size_t capacity = static_cast<size_t>(test::DataCodewordCount(version, 1));
  bits.insert(bits.end(), std::min<size_t>(4, capacity * 8 - bits.size()), false);
  while (bits.size() % 8 != 0) bits.push_back(false);
  std::vector<uint8_t> data;
  for (size_t i = 0; i < bits.size(); i += 8) {
    uint8_t byte = 0;
    for (size_t j = 0; j < 8; ++j) byte = static_cast<uint8_t>((byte << 1) | (bits[i + j] ? 1 : 0));
    data.push_back(byte);
  }
  for (uint8_t pad = 0xEC; data.size() < capacity; pad ^= 0xEC ^ 0x11) data.push_back(pad);
  return test::MakeFromDataCodewords(data, version, 1, 5).Matrix;
}

TEST(DecorderTailTest, Fnc1SymbolsDecodeWithTheirSeparators) {
  TDecorder decorder;
  std::string text;
  ASSERT_EQ(DecodeSymbol(decorder,
                         Fnc1Symbol(-1,
                                    {QrSegment::makeNumeric("0103453120000011"),
                                     QrSegment::makeAlphanumeric("1710%10ABC%%")},
                                    2),
                         text),
            0);
  EXPECT_EQ(text, std::string("01034531200000111710\x1D"
                              "10ABC%"));
  EXPECT_EQ(decorder.Headers().Fnc1, 1);
  ASSERT_EQ(
      DecodeSymbol(decorder, Fnc1Symbol(37 + 100, {QrSegment::makeAlphanumeric("AB%C")}, 1), text),
      0);
  EXPECT_EQ(text, std::string("AB\x1D"
                              "C"));
  EXPECT_EQ(decorder.Headers().Fnc1, 2);
  EXPECT_EQ(decorder.Headers().ApplicationIndicator, 137);
}

TEST(DecorderTailTest, FailuresReportCodeThreeAndASuccessClearsThem) {
  TDecorder decorder;
  const ReferenceSymbol symbol = test::Make("FORMAT", 2, 1, 4);

  // Both format copies beyond repair.
  TPlaneBoolean broken = symbol.Matrix;
  const int side = symbol.Side();
  for (int copy = 1; copy <= 2; ++copy)
    for (int i = 0; i < 15; i += 2) {
      const TPoint p = TSymbol::FormatPosition(copy, i, side);
      broken(p.X, p.Y) = broken(p.X, p.Y) ? 0 : 1;
    }
  std::string text = "kept";
  EXPECT_EQ(DecodeSymbol(decorder, broken, text), 3);
  EXPECT_EQ(decorder.ErrorCode(), 3);
  EXPECT_EQ(decorder.ErrorText(), kReadError);
  EXPECT_EQ(text, "kept");

  text.clear();
  EXPECT_EQ(DecodeSymbol(decorder, symbol.Matrix, text), 0);
  EXPECT_EQ(text, "FORMAT");
  EXPECT_EQ(decorder.ErrorCode(), 0);
  EXPECT_EQ(decorder.ErrorText(), "");

  // Valid codewords whose stream starts with an undefined mode (0110).
  std::vector<uint8_t> data(static_cast<size_t>(test::DataCodewordCount(2, 1)), 0xEC);
  data[0] = 0x60;
  const ReferenceSymbol undefined = test::MakeFromDataCodewords(data, 2, 1, 0);
  text = "kept";
  EXPECT_EQ(DecodeSymbol(decorder, undefined.Matrix, text), 3);
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(decorder.ErrorText(), kReadError);

  // A side that is no version's: code 2 and its message.
  const TPlaneBoolean odd(23, 23, 0);
  EXPECT_EQ(decorder.DecodeMatrix(odd, 23, text), 2);
  EXPECT_EQ(decorder.ErrorText(), "サポートしていない型番です。");
  EXPECT_EQ(decorder.DecodeMatrix(symbol.Matrix, 29, text), 2);
  EXPECT_EQ(text, "kept");

  EXPECT_EQ(TDecorder::Message(1), std::string("位置検出パターンがみつかりません。"));
  EXPECT_EQ(TDecorder::Message(4), std::string("位置検出パターンが見つかりません。"));
  for (int code : {0, 5, 10, 11, -1}) EXPECT_EQ(TDecorder::Message(code), std::string()) << code;
}

// Noise in place of a symbol, for every version: a clean failure each time,
// never a crash or a text.
TEST(DecorderTailTest, NoiseMatricesFailCleanly) {
  TDecorder decorder;
  std::mt19937 random(5);
  for (int version = 1; version <= 40; ++version) {
    const int side = 4 * version + 17;
    for (int round = 0; round < 3; ++round) {
      TPlaneBoolean matrix(side, side, 0);
      for (uint8_t& module : matrix.Data()) module = static_cast<uint8_t>(random() & 1);
      std::string text = "kept";
      const int32_t code = decorder.DecodeMatrix(matrix, side, text);
      EXPECT_EQ(code, 3) << version;
      EXPECT_EQ(text, "kept");
    }
  }
}

}  // namespace
}  // namespace vornak

namespace vornak {
namespace {

// A format word at least four bits from every codeword: beyond correction.
int32_t FarFormatWord() {
  for (int32_t word = 0; word < (1 << 15); ++word) {
    int32_t nearest = 15;
    for (int32_t code : FormatInfoCodes)
      nearest = std::min(nearest, std::popcount(static_cast<uint32_t>(word ^ code)));
    if (nearest >= 5) return word ^ FormatMask;
  }
  return -1;
}

// Both format copies overwritten: the tail of today refuses the symbol; the
// photograph passes' search of every level and mask reads it, and finds
// nothing on a matrix whose timing does not read or whose data is noise.
TEST(DecorderFormatSearchTest, UnreadableFormatIsFoundByTheBlocks) {
  const int32_t far = FarFormatWord();
  ASSERT_GE(far, 0);
  for (const auto& [version, level, mask] : {std::array<int, 3>{2, 1, 3}, {7, 3, 6}, {12, 0, 0}}) {
    const test::ReferenceSymbol symbol =
        test::Make("format search " + std::to_string(version), version, level, mask);
    TPlaneBoolean matrix = symbol.Matrix;
    const int32_t side = matrix.Width();
    for (int32_t copy = 1; copy <= 2; ++copy)
      for (int32_t i = 0; i < 15; ++i) {
        const TPoint p = TSymbol::FormatPosition(copy, i, side);
        matrix(p.X, p.Y) = (far >> i) & 1;
      }
    TDecorder decorder;
    std::string text;
    ASSERT_NE(decorder.DecodeMatrix(matrix, side, text), 0) << "version " << version;
    ASSERT_FALSE(decorder.FormatOk());
    TDecorder::TMatrixOptions options;
    options.SearchFormat = true;
    ASSERT_EQ(decorder.DecodeMatrix(matrix, side, text, options), 0) << "version " << version;
    EXPECT_EQ(text, "format search " + std::to_string(version));
    EXPECT_EQ(decorder.Level(), level);
    EXPECT_EQ(decorder.Mask(), mask);

    // The timing patterns broken: no search.
    TPlaneBoolean broken = matrix;
    for (int32_t k = 8; k < side - 8; k += 3) broken(k, 6) = broken(k, 6) ? 0 : 1;
    text = "kept";
    EXPECT_NE(decorder.DecodeMatrix(broken, side, text, options), 0);
    EXPECT_EQ(text, "kept");
  }
  // Noise between intact function patterns never reads.
  std::mt19937 random(3);
  const test::ReferenceSymbol symbol = test::Make("noise", 5, 0, 0);
  const TArrangement map(5);
  for (int32_t round = 0; round < 20; ++round) {
    TPlaneBoolean noise = symbol.Matrix;
    for (int32_t y = 0; y < noise.Height(); ++y)
      for (int32_t x = 0; x < noise.Width(); ++x)
        if (!map.IsFunctionModule(x, y)) noise(x, y) = random() % 2;
    for (int32_t copy = 1; copy <= 2; ++copy)
      for (int32_t i = 0; i < 15; ++i) {
        const TPoint p = TSymbol::FormatPosition(copy, i, noise.Width());
        noise(p.X, p.Y) = random() % 2;
      }
    TDecorder decorder;
    std::string text = "kept";
    TDecorder::TMatrixOptions options;
    options.SearchFormat = true;
    EXPECT_NE(decorder.DecodeMatrix(noise, noise.Width(), text, options), 0) << "round " << round;
    EXPECT_EQ(text, "kept");
  }
}

}  // namespace
}  // namespace vornak
