#pragma once

#include <cstdint>

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
  // Each module's colour from its grey level alone, against the mean of the
  // modules round it (the threshold Rate measures against), into bits (the
  // extents of levels); true when any module then reads otherwise than in
  // read, false too when read's extents differ.
  static bool Decide(const TPlaneInteger& levels, const TPlaneBoolean& read, TPlaneBoolean& bits);
};

}  // namespace vornak
