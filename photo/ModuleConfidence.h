#pragma once

#include "common/Types.h"

namespace vornak {

// How sure a sampled module is: its grey level's distance from a threshold
// that follows the light over the symbol, against the symbol's contrast as
// a whole. Where glare washes a region out, dark and light modules there
// both come near the local threshold and count as doubtful, instead of
// being read with full trust; a module whose grey level disagrees with the
// colour it was read as counts as not known at all.
class TModuleConfidence {
 public:
  // Modules either way of a module that its threshold is taken over.
  static constexpr int32_t kReach = 3;

  // levels: each module's mean grey level (0..255); bits: the colour each
  // was read as (non-zero dark), same extents. confidence receives 0..255
  // per module.
  static void Rate(const TPlaneInteger& levels, const TPlaneBoolean& bits,
                   TPlaneConfidence& confidence);
};

}  // namespace vornak
