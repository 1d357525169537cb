#include "locate/PrincipalPattern.h"

#include <cmath>

#include "common/Arith.h"

namespace vornak {

TPrincipalPattern::TPrincipalPattern(TPoint corner, TPoint endA, TPoint endB) {
  const long double dxA = static_cast<long double>(endA.X) - static_cast<long double>(corner.X);
  const long double dyA = static_cast<long double>(endA.Y) - static_cast<long double>(corner.Y);
  FLengthA = std::sqrt(dxA * dxA + dyA * dyA);
  FAngleA = std::atan2(dyA, dxA);
  const long double dxB = static_cast<long double>(endB.X) - static_cast<long double>(corner.X);
  const long double dyB = static_cast<long double>(endB.Y) - static_cast<long double>(corner.Y);
  FLengthB = std::sqrt(dxB * dxB + dyB * dyB);
  FAngleB = std::atan2(dyB, dxB);
  FPitchA = 0;
  FPitchB = 0;
}

void TPrincipalPattern::SetVersion(int32_t version) {
  // Finder centres sit 4V + 10 modules apart along both axes.
  const long double divisor = 4.0L * static_cast<long double>(version) + 10.0L;
  FPitchA = FLengthA / divisor;
  FPitchB = FLengthB / divisor;
}

void TPrincipalPattern::ModuleOffset(int32_t a, int32_t b, TPoint base, TPoint& p) const {
  p = ModuleOffset(a, b, base);
}

TPoint TPrincipalPattern::ModuleOffset(int32_t a, int32_t b, TPoint base) const {
  const long double stepA = static_cast<long double>(a) * FPitchA;
  const long double stepB = static_cast<long double>(b) * FPitchB;
  const long double x =
      (stepA * std::cos(FAngleA) + stepB * std::cos(FAngleB)) + static_cast<long double>(base.X);
  const long double y =
      (stepA * std::sin(FAngleA) + stepB * std::sin(FAngleB)) + static_cast<long double>(base.Y);
  return TPoint{RoundInt32(x), RoundInt32(y)};
}

}  // namespace vornak
