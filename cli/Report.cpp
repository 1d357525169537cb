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

namespace {

std::string HexOf(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    hex += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
    hex += kHex[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

}  // namespace

std::string TReport::Json(const TFileResult& r) {
  const std::string hex = HexOf(r.Bytes);
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

std::string TReport::JsonSymbols(const TFileResult& r, bool skipAppended) {
  if (r.Symbols.empty()) {
    std::string one = Json(r);
    one.insert(1, "\"index\":null,\"corners\":null,");
    return one;
  }
  std::string out;
  for (size_t i = 0; i < r.Symbols.size(); ++i) {
    const TSymbolResult& s = r.Symbols[i];
    if (skipAppended && s.HasStructuredAppend) continue;
    // The fields of a single result, with this symbol's values.
    TFileResult one;
    one.File = r.File;
    one.Readable = r.Readable;
    one.Ok = true;
    one.Bytes = s.Text;
    one.Text = i < r.SymbolTexts.size() ? r.SymbolTexts[i] : s.Text;
    one.Pass = s.Pass;
    one.Kind = SymbolKindName(s.Kind);
    one.Version = s.Version;
    one.Level = s.Level;
    one.Mask = s.Mask;
    one.Eci = s.Eci;
    one.HasStructuredAppend = s.HasStructuredAppend;
    one.AppendIndex = s.AppendIndex;
    one.AppendTotal = s.AppendTotal;
    one.Milliseconds = r.Milliseconds;
    std::string corners = "[";
    for (size_t c = 0; c < s.Corners.size(); ++c)
      corners += (c == 0 ? "[" : ",[") + std::to_string(s.Corners[c].X) + "," +
                 std::to_string(s.Corners[c].Y) + "]";
    corners += "]";
    std::string line = Json(one);
    line.insert(1, "\"index\":" + std::to_string(i + 1) + ",\"corners\":" + corners + ",");
    out += line;
  }
  return out;
}

void TReport::FormatMessage(const TAppendMerger::TMessage& m, std::string& out,
                            std::string& err) const {
  out.clear();
  err.clear();
  const std::string text = TDisplayText::ToUtf8(m.Bytes, m.Eci, m.Hanzi);
  const std::string what = "structured append (" + std::to_string(m.Total) + " parts)";
  if (FOptions.Json) {
    std::string parts;
    for (size_t i = 0; i < m.Found.size(); ++i)
      if (m.Found[i]) {
        if (!parts.empty()) parts += ',';
        parts += std::to_string(i + 1);
      }
    out = "{\"merged\":true,\"ok\":" + std::string(m.Complete ? "true" : "false") +
          ",\"text\":" + JsonString(text) + ",\"bytes\":\"" + HexOf(m.Bytes) +
          "\",\"total\":" + std::to_string(m.Total) + ",\"parity\":" + std::to_string(m.Parity) +
          ",\"parts\":[" + parts + "],\"refused\":" + (m.Refused ? "true" : "false") +
          ",\"error\":" + JsonString(m.Problem) + "}\n";
    return;
  }
  if (!m.Refused) {
    out = "[" + what + "]\n" + (FOptions.Raw ? m.Bytes : text) + "\n";
  }
  if (!m.Problem.empty()) err = what + ": " + m.Problem + (m.Refused ? ", refused" : "") + "\n";
}

void TReport::Format(const TFileResult& result, std::string& out, std::string& err) const {
  out.clear();
  err.clear();
  if (FOptions.Json) {
    out = FOptions.All ? JsonSymbols(result, FOptions.Merge) : Json(result);
    return;
  }
  const bool several = FOptions.Files.size() > 1;
  const std::string prefix = several ? result.File + ": " : std::string();
  if (FOptions.All && result.Ok) {
    // One block per symbol under its number; the parts of a sequence are
    // shown joined, after the files, when merging.
    for (size_t i = 0; i < result.Symbols.size(); ++i) {
      if (FOptions.Merge && result.Symbols[i].HasStructuredAppend) continue;
      out += prefix + "[" + std::to_string(i + 1) + "]\n";
      out += FOptions.Raw ? result.Symbols[i].Text : result.SymbolTexts[i];
      out += "\n";
    }
    return;
  }
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
