#include "engine/AppendMerger.h"

#include <algorithm>
#include <cstdio>

namespace vornak {

namespace {

std::string Hex(int32_t byte) {
  char text[8];
  std::snprintf(text, sizeof(text), "0x%02X", static_cast<unsigned>(byte) & 0xFFU);
  return text;
}

}  // namespace

int32_t TAppendMerger::Parity(const std::string& data) {
  uint8_t parity = 0;
  for (const char c : data) parity ^= static_cast<uint8_t>(c);
  return parity;
}

bool TAppendMerger::Add(const TSymbolResult& symbol) {
  if (!symbol.HasStructuredAppend) return false;
  TPart part;
  part.Index = symbol.AppendIndex;
  part.Total = symbol.AppendTotal;
  part.Parity = symbol.AppendParity;
  part.Eci = symbol.Eci;
  part.Hanzi = symbol.Hanzi;
  part.Bytes = symbol.Text;
  // The same symbol in two pictures, or read twice, is one part.
  for (const TPart& p : FParts)
    if (p.Index == part.Index && p.Total == part.Total && p.Parity == part.Parity &&
        p.Bytes == part.Bytes)
      return true;
  FParts.push_back(std::move(part));
  return true;
}

std::vector<TAppendMerger::TMessage> TAppendMerger::Messages() const {
  std::vector<TMessage> messages;
  for (const TPart& part : FParts) {
    const bool known = std::any_of(messages.begin(), messages.end(), [&](const TMessage& m) {
      return m.Total == part.Total && m.Parity == part.Parity;
    });
    if (known) continue;
    TMessage message;
    message.Total = part.Total;
    message.Parity = part.Parity;
    const auto total = static_cast<size_t>(std::max(part.Total, 1));
    message.Found.assign(total, false);
    std::vector<const TPart*> byIndex(total, nullptr);
    std::string twice;
    for (const TPart& p : FParts) {
      if (p.Total != part.Total || p.Parity != part.Parity) continue;
      if (p.Index < 0 || static_cast<size_t>(p.Index) >= total) continue;
      const auto i = static_cast<size_t>(p.Index);
      if (byIndex[i] != nullptr) {
        // Two different data for one place: which belongs is unknown.
        if (twice.empty())
          twice = "part " + std::to_string(p.Index + 1) + " of " + std::to_string(total) +
                  " read twice with different data";
        continue;
      }
      byIndex[i] = &p;
      message.Found[i] = true;
    }
    std::vector<int32_t> missing;
    for (size_t i = 0; i < total; ++i) {
      if (byIndex[i] == nullptr) {
        missing.push_back(static_cast<int32_t>(i) + 1);
        continue;
      }
      if (message.Eci < 0) message.Eci = byIndex[i]->Eci;
      message.Hanzi = message.Hanzi || byIndex[i]->Hanzi;
      message.Bytes += byIndex[i]->Bytes;
    }
    if (!twice.empty()) {
      message.Problem = twice;
      message.Refused = true;
      message.Bytes.clear();
    } else if (!missing.empty()) {
      std::string names;
      for (size_t i = 0; i < missing.size(); ++i)
        names += (i == 0 ? "" : ", ") + std::to_string(missing[i]);
      message.Problem = (missing.size() == 1 ? "part " : "parts ") + names + " of " +
                        std::to_string(total) + " missing";
    } else if (Parity(message.Bytes) != message.Parity) {
      // Parts of two messages that happen to share total and parity byte.
      message.Problem = "parity " + Hex(Parity(message.Bytes)) +
                        " of the joined data does not match the parts' " + Hex(message.Parity) +
                        ": the parts belong to different messages";
      message.Refused = true;
      message.Bytes.clear();
    } else {
      message.Complete = true;
    }
    messages.push_back(std::move(message));
  }
  return messages;
}

}  // namespace vornak
