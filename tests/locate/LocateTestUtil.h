#pragma once

#include <cstdint>
#include <string>

#include "common/Types.h"
#include "locate/TimingPattern.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak::test {

// Module matrix of a symbol from the independent encoder at level L; the mask
// varies with the version unless given.
inline TPlaneBoolean EncodedMatrix(int32_t version, int32_t mask = -1) {
  const std::string text = "VORNAK LOCATE " + std::to_string(version);
  return Make(text, version, 0, mask < 0 ? version % 8 : mask).Matrix;
}

// The caller's version search: from the estimate up to 14, first that passes;
// 0 when none does.
inline int32_t SearchVersion(TPoint corner, TPoint endA, TPoint endB, const TPlaneBoolean& image) {
  TTimingPattern timing(corner, endA, endB);
  const int32_t estimate = timing.EstimateVersion(image, image.Width(), image.Height());
  for (int32_t v = estimate; v <= 14; ++v)
    if (timing.CheckVersion(v, image, image.Width(), image.Height())) return v;
  return 0;
}

}  // namespace vornak::test
