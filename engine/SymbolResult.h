#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/Types.h"
#include "symbol/SymbolKind.h"

namespace vornak {

// One symbol read from a picture, with what TVornak reports of it.
struct TSymbolResult {
  // The symbol's bytes (byte-mode data unchanged, Kanji as Shift JIS pairs,
  // Hanzi as GB 2312 pairs).
  std::string Text;
  TSymbolKind Kind = TSymbolKind::kModel2;
  int32_t Version = 0;
  // 0 = L, 1 = M, 2 = Q, 3 = H.
  int32_t Level = -1;
  int32_t Mask = -1;
  // The ECI assignment number the symbol named first; -1 when none.
  int32_t Eci = -1;
  // A Hanzi segment put GB 2312 pairs into the text.
  bool Hanzi = false;
  // Structured append header: position (0-based), total and parity byte.
  bool HasStructuredAppend = false;
  int32_t AppendIndex = 0;
  int32_t AppendTotal = 0;
  int32_t AppendParity = 0;
  // In pixels: the centres of the corner finder, the one ending axis A and
  // the one ending axis B; the four symbol corners (corner finder, axis A
  // end, axis B end, fourth).
  std::array<TPoint, 3> Finders{};
  std::array<TPoint, 4> Corners{};
  // The pass that read it ("classic", "<binarizer>+<locator>").
  std::string Pass;
  bool Mirrored = false;
};

}  // namespace vornak
