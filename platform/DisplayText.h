#pragma once

#include <cstdint>
#include <string>

namespace vornak {

// Turns the engine's result bytes into UTF-8 for display.
class TDisplayText {
 public:
  // eci: the ECI assignment number the symbol named, or -1 for none. A known
  // ECI selects its charset; otherwise text with Hanzi pairs (hanzi true)
  // reads as GB 2312 (through GB 18030, its superset), valid UTF-8 stays as
  // it is and anything else is read as code page 932 (Shift JIS, the Kanji
  // mode's encoding). Sequences that are invalid in the chosen charset
  // become U+FFFD.
  static std::string ToUtf8(const std::string& bytes, int32_t eci, bool hanzi = false);

  // The iconv name of an ECI assignment's charset; empty when unknown.
  static std::string EciCharset(int32_t eci);
  // Strict UTF-8: no overlong forms, surrogates or values above U+10FFFF.
  static bool IsValidUtf8(const std::string& bytes);
  // Converts with iconv, replacing what cannot be converted by U+FFFD.
  static std::string Convert(const std::string& bytes, const std::string& charset);
};

}  // namespace vornak
