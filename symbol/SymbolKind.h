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
  kModel1,  // QR Code Model 1, versions 1-14 (the passes after the classic pipeline)
};

// The name a report shows for a kind ("QR Code", "Micro QR Code", "rMQR
// Code", "QR Code Model 1").
inline const char* SymbolKindName(TSymbolKind kind) {
  switch (kind) {
    case TSymbolKind::kModel2:
      return "QR Code";
    case TSymbolKind::kMicro:
      return "Micro QR Code";
    case TSymbolKind::kRect:
      return "rMQR Code";
    case TSymbolKind::kModel1:
      return "QR Code Model 1";
  }
  return "";
}

}  // namespace vornak
