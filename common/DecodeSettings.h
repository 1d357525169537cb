#pragma once

#include <cstdint>

namespace vornak {

// What the user chose for a decode, handed to every binarizer and locator of
// the passes instead of each being configured on its own.
struct TDecodeSettings {
  // Search radius for the classic fourth corner, 1..6.
  int32_t Warp = 1;
  // Offset added to each grey level before the global threshold, 1..255.
  int32_t Resolver = 7;
  // 0 or less: versions from the picture; 1..40: try this version first.
  int32_t ForceVersion = 0;
};

}  // namespace vornak
