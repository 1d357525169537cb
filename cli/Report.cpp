#include "cli/Report.h"

#include <cmath>
#include <cstdio>

#include "platform/DisplayText.h"

namespace vornak::cli {

namespace {

const char* LevelName(int32_t level) {
  static const char* const kNames[] = {"L", "M", "Q", "H"};
  return level >= 0 && level <= 3 ? kNames[level] : nullptr;
}

std::string NumberOrNull(int32_t value, bool present) {
  return present ? std::to_string(value) : "null";
}

}  // namespace

std::string TReport::JsonString(const std::string& text) {
  // Invalid bytes would make invalid JSON; an ECI-less pass keeps valid UTF-8.
  const std::string utf8 =
      TDisplayText::IsValidUtf8(text) ? text : TDisplayText::Convert(text, "UTF-8");
  std::string out = "\"";
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof(escape), "\\u%04x", byte);
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string TReport::Json(const TFileResult& r) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(r.Bytes.size() * 2);
  for (const char c : r.Bytes) {
    hex += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
    hex += kHex[static_cast<unsigned char>(c) & 0xF];
  }
  const char* level = LevelName(r.Level);
  char ms[32];
  std::snprintf(ms, sizeof(ms), "%.3f", r.Milliseconds);
  std::string out = "{";
  out += "\"file\":" + JsonString(r.File);
  out += ",\"ok\":" + std::string(r.Ok ? "true" : "false");
  out += ",\"text\":" + JsonString(r.Text);
  out += ",\"error\":" + JsonString(r.Error);
  out += ",\"kind\":" + (r.Kind.empty() ? std::string("null") : JsonString(r.Kind));
  out += ",\"version\":" + NumberOrNull(r.Version, r.Version > 0);
  out += ",\"level\":" + (level ? JsonString(level) : std::string("null"));
  out += ",\"mask\":" + NumberOrNull(r.Mask, r.Mask >= 0);
  out += ",\"eci\":" + NumberOrNull(r.Eci, r.Eci >= 0);
  out += ",\"ms\":" + std::string(ms);
  out += ",\"readable\":" + std::string(r.Readable ? "true" : "false");
  out += ",\"bytes\":\"" + hex + "\"";
  out += ",\"exception\":" + JsonString(r.Exception);
  out += ",\"pass\":" + (r.Pass.empty() ? std::string("null") : JsonString(r.Pass));
  if (!r.Stage.empty()) out += ",\"stage\":" + JsonString(r.Stage);
  if (r.HasStructuredAppend)
    out += ",\"append\":{\"index\":" + std::to_string(r.AppendIndex) +
           ",\"total\":" + std::to_string(r.AppendTotal) + "}";
  out += "}\n";
  return out;
}

void TReport::Format(const TFileResult& result, std::string& out, std::string& err) const {
  out.clear();
  err.clear();
  if (FOptions.Json) {
    out = Json(result);
    return;
  }
  const bool several = FOptions.Files.size() > 1;
  const std::string prefix = several ? result.File + ": " : std::string();
  if (result.Ok) {
    if (FOptions.Raw) {
      out = prefix + result.Bytes;
      if (several) out += '\n';
    } else {
      out = prefix + result.Text + "\n";
    }
    return;
  }
  err = prefix + result.Error;
  if (!result.Exception.empty()) err += " (" + result.Exception + ")";
  err += "\n";
}

}  // namespace vornak::cli
