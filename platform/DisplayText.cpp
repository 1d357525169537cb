#include "platform/DisplayText.h"

#include <iconv.h>

#include <cerrno>

namespace vornak {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at bytes[at], or 0 when it is invalid.
size_t Utf8SequenceLength(const std::string& bytes, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  size_t length;
  uint32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) return 0;
  if (length == 4 && (value < 0x10000 || value > 0x10FFFF)) return 0;
  return length;
}

std::string SanitizeUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, at);
    if (length == 0) {
      out += kReplacement;
      ++at;
    } else {
      out.append(bytes, at, length);
      at += length;
    }
  }
  return out;
}

// Bytes per unit of the fixed-width charsets, so that a bad unit is skipped
// whole rather than shifting every later one.
size_t UnitSize(const std::string& charset) {
  if (charset.rfind("UTF-16", 0) == 0) return 2;
  if (charset.rfind("UTF-32", 0) == 0) return 4;
  return 1;
}

}  // namespace

std::string TDisplayText::EciCharset(int32_t eci) {
  switch (eci) {
    case 0:
    case 2:
      return "CP437";
    case 1:
    case 3:
      return "ISO-8859-1";
    case 4:
      return "ISO-8859-2";
    case 5:
      return "ISO-8859-3";
    case 6:
      return "ISO-8859-4";
    case 7:
      return "ISO-8859-5";
    case 8:
      return "ISO-8859-6";
    case 9:
      return "ISO-8859-7";
    case 10:
      return "ISO-8859-8";
    case 11:
      return "ISO-8859-9";
    case 12:
      return "ISO-8859-10";
    case 13:
      return "ISO-8859-11";
    case 15:
      return "ISO-8859-13";
    case 16:
      return "ISO-8859-14";
    case 17:
      return "ISO-8859-15";
    case 18:
      return "ISO-8859-16";
    case 20:
      return "CP932";
    case 21:
      return "CP1250";
    case 22:
      return "CP1251";
    case 23:
      return "CP1252";
    case 24:
      return "CP1256";
    case 25:
      return "UTF-16BE";
    case 26:
      return "UTF-8";
    case 27:
    case 170:
      return "US-ASCII";
    case 28:
      return "BIG5";
    case 29:
      return "GB18030";
    case 30:
      return "EUC-KR";
    case 31:
      return "GBK";
    case 32:
      return "GB18030";
    case 33:
      return "UTF-16LE";
    case 34:
      return "UTF-32BE";
    case 35:
      return "UTF-32LE";
    default:
      return {};
  }
}

bool TDisplayText::IsValidUtf8(const std::string& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string TDisplayText::Convert(const std::string& bytes, const std::string& charset) {
  if (charset == "UTF-8") return SanitizeUtf8(bytes);
  iconv_t converter = iconv_open("UTF-8", charset.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return SanitizeUtf8(bytes);
  const size_t unit = UnitSize(charset);
  std::string out;
  out.reserve(bytes.size() * 2 + 16);
  char buffer[1024];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof(buffer);
    const size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (done != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ (invalid here) or EINVAL (cut short at the end): replace one unit
    // and go on from the next.
    out += kReplacement;
    const size_t skip = inLeft < unit ? inLeft : unit;
    in += skip;
    inLeft -= skip;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);  // reset shift state
  }
  // Flush any pending shift sequence.
  char* outPtr = buffer;
  size_t outLeft = sizeof(buffer);
  iconv(converter, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, static_cast<size_t>(outPtr - buffer));
  iconv_close(converter);
  return out;
}

std::string TDisplayText::ToUtf8(const std::string& bytes, int32_t eci, bool hanzi) {
  if (eci >= 0) {
    const std::string charset = EciCharset(eci);
    if (!charset.empty()) return Convert(bytes, charset);
  }
  // GB 2312 pairs may also pass for UTF-8, so the mode decides, not the bytes.
  if (hanzi) return Convert(bytes, "GB18030");
  if (IsValidUtf8(bytes)) return bytes;
  return Convert(bytes, "CP932");
}

}  // namespace vornak
