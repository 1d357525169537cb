#pragma once

#include <cstdint>

#include "common/Types.h"
#include "symbol/Symbol.h"

namespace vornak {

// The pipeline driver: from a sampled module matrix (loaded through TSymbol)
// to codewords. So far it removes the data mask and reads the codewords in
// placement order.
class TDecorder : public TSymbol {
 public:
  TDecorder() = default;
  ~TDecorder() override = default;

  // Fills the mask layer: 1 where the data mask of Mask() inverts a module,
  // never on function modules. Does nothing before a matrix is loaded.
  void MakeMask();
  // Runs MakeMask, then writes the data layer: the sampled value, inverted
  // where the mask bit is set.
  void Unmask();
  // Reads the data layer in placement order (two-column strips from the
  // bottom-right corner, skipping function modules and the vertical timing
  // column) into Codewords(); remainder bits are dropped.
  void ReadCodewords();

  // True when data mask pattern mask (0..7) inverts module (x, y); false
  // for any other mask value.
  static bool MaskInverts(int32_t mask, int32_t x, int32_t y);

  const TIntegers& Codewords() const { return FCodewords; }
  int32_t Count() const { return FCount; }

 private:
  int32_t FCount = 0;
  // All codewords in reading order, values 0..255.
  TIntegers FCodewords;
};

}  // namespace vornak
