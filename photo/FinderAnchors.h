#pragma once

#include <array>
#include <cstdint>

#include "common/Geometry.h"

namespace vornak {

// The module-space points a symbol's grid is fitted on: the centres of its
// three finders (corner, axis A end, axis B end), 3.5 modules in from the
// symbol's corners, and a fourth point, by default where a fourth finder
// would stand across from the corner finder.
inline std::array<TPointReal, 4> FinderAnchors(int32_t side, const TPointReal& fourth) {
  const long double far = side - 3.5L;
  return {TPointReal{3.5L, 3.5L}, TPointReal{far, 3.5L}, TPointReal{3.5L, far}, fourth};
}

inline std::array<TPointReal, 4> FinderAnchors(int32_t side) {
  const long double far = side - 3.5L;
  return FinderAnchors(side, TPointReal{far, far});
}

}  // namespace vornak
