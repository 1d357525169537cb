#pragma once

#include <cstdint>

namespace vornak {

// The kinds of symbol the decoding tail reads. Each has its own function
// patterns, format information, masks, codeword placement, block table and
// data-stream widths; the steps from a module matrix to text are the same.
enum class TSymbolKind : uint8_t {
  kModel2,  // QR Code, versions 1-40
  kMicro,   // Micro QR Code, M1-M4
  kRect,    // rectangular Micro QR Code (rMQR), R7x43-R17x139
};

// The name a report shows for a kind ("QR Code", "Micro QR Code", "rMQR Code").
inline const char* SymbolKindName(TSymbolKind kind) {
  switch (kind) {
    case TSymbolKind::kModel2:
      return "QR Code";
    case TSymbolKind::kMicro:
      return "Micro QR Code";
    case TSymbolKind::kRect:
      return "rMQR Code";
  }
  return "";
}

}  // namespace vornak
