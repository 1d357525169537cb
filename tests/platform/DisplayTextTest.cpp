#include "platform/DisplayText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vornak {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(DisplayTextTest, WithoutEciValidUtf8StaysElseCodePage932) {
  EXPECT_EQ(TDisplayText::ToUtf8("Vornak 123", -1), "Vornak 123");
  EXPECT_EQ(TDisplayText::ToUtf8("", -1), "");
  EXPECT_EQ(TDisplayText::ToUtf8("\xE6\x97\xA5\xE6\x9C\xAC", -1), "日本");  // UTF-8 already
  EXPECT_EQ(TDisplayText::ToUtf8("\x93\xFA\x96\x7B", -1), "日本");          // Kanji pairs
  EXPECT_EQ(TDisplayText::ToUtf8("\xB1\xB2", -1), "ｱｲ");                    // half-width kana
  // An overlong form is not UTF-8, so the bytes are read as code page 932.
  EXPECT_FALSE(TDisplayText::IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(TDisplayText::IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(TDisplayText::IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(TDisplayText::IsValidUtf8("\xE6\x97"));          // cut short
  EXPECT_TRUE(TDisplayText::IsValidUtf8("\xF0\x9F\x98\x80"));
  // Bytes that are not Shift JIS either are replaced, the rest kept.
  EXPECT_EQ(TDisplayText::ToUtf8("A\xFF"
                                 "B",
                                 -1),
            "A" + kReplacement + "B");
  EXPECT_EQ(TDisplayText::ToUtf8("A\x93", -1), "A" + kReplacement);  // lead byte at the end
}

TEST(DisplayTextTest, HanziTextReadsAsGb2312UnlessAnEciNamesACharset) {
  // D6 B0 is also valid UTF-8 (U+05B0), so only the mode can tell.
  EXPECT_EQ(TDisplayText::ToUtf8("\xD6\xB0\xC4\xE3\xBA\xC3", -1, true), "职你好");
  EXPECT_EQ(TDisplayText::ToUtf8("\xD6\xB0", -1, false), "\xD6\xB0");
  EXPECT_EQ(TDisplayText::ToUtf8("AD:\xB0\xA2;", -1, true), "AD:阿;");
  EXPECT_EQ(TDisplayText::ToUtf8("\xE6\x97\xA5", 26, true), "日");
}

TEST(DisplayTextTest, EciSelectsTheCharset) {
  EXPECT_EQ(TDisplayText::ToUtf8("caf\xE9", 3), "café");
  EXPECT_EQ(TDisplayText::ToUtf8("caf\xE9", 1), "café");
  EXPECT_EQ(TDisplayText::ToUtf8("\xB1", 4), "ą");                  // ISO-8859-2
  EXPECT_EQ(TDisplayText::ToUtf8("\xB0\xD0", 7), "Аа");             // ISO-8859-5
  EXPECT_EQ(TDisplayText::ToUtf8("\xA4", 17), "€");                 // ISO-8859-15
  EXPECT_EQ(TDisplayText::ToUtf8("\x93\xFA\x96\x7B", 20), "日本");  // Shift JIS
  EXPECT_EQ(TDisplayText::ToUtf8("\xCF\xF0\xE8", 22), "При");       // CP1251
  EXPECT_EQ(TDisplayText::ToUtf8("\x80", 23), "€");                 // CP1252
  EXPECT_EQ(TDisplayText::ToUtf8(std::string("\x00"
                                             "A\x30\x42",
                                             4),
                                 25),
            "Aあ");
  EXPECT_EQ(TDisplayText::ToUtf8("\xC3\xA9", 26), "é");
  EXPECT_EQ(TDisplayText::ToUtf8("\xA4\xA4", 28), "中");  // Big5
  EXPECT_EQ(TDisplayText::ToUtf8("\xD6\xD0", 29), "中");  // GB18030
  EXPECT_EQ(TDisplayText::ToUtf8("\xC7\xD1", 30), "한");  // EUC-KR
  // An ECI overrides the UTF-8 guess: these two bytes are Latin-1 here.
  EXPECT_EQ(TDisplayText::ToUtf8("\xC3\xA9", 3), "Ã©");
}

TEST(DisplayTextTest, InvalidSequencesAreReplacedUnderAnEci) {
  EXPECT_EQ(TDisplayText::ToUtf8("a\xFF"
                                 "b",
                                 26),
            "a" + kReplacement + "b");
  EXPECT_EQ(TDisplayText::ToUtf8("A\x80", 27), "A" + kReplacement);  // not ASCII
  // An odd byte at the end of UTF-16 is replaced; the units before it stay.
  EXPECT_EQ(TDisplayText::ToUtf8(std::string("\x00"
                                             "A\x00",
                                             3),
                                 25),
            "A" + kReplacement);
  // A lone surrogate is one bad unit; the next unit is read as usual.
  EXPECT_EQ(TDisplayText::ToUtf8(std::string("\xD8\x00\x00"
                                             "B",
                                             4),
                                 25),
            kReplacement + "B");
}

TEST(DisplayTextTest, UnknownEciFallsBack) {
  EXPECT_EQ(TDisplayText::EciCharset(19), "");
  EXPECT_EQ(TDisplayText::EciCharset(999999), "");
  EXPECT_EQ(TDisplayText::ToUtf8("\x93\xFA", 999), "日");
  EXPECT_EQ(TDisplayText::ToUtf8("\xE6\x97\xA5", 19), "日");
}

TEST(DisplayTextTest, AnyBytesGiveValidUtf8) {
  std::mt19937 random(6);
  for (int32_t eci : {-1, 3, 20, 25, 26, 27, 28, 29, 30, 34, 999}) {
    for (int round = 0; round < 200; ++round) {
      std::string bytes(random() % 40, '\0');
      for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
      const std::string text = TDisplayText::ToUtf8(bytes, eci);
      ASSERT_TRUE(TDisplayText::IsValidUtf8(text)) << eci;
    }
  }
}

}  // namespace
}  // namespace vornak
