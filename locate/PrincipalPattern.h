#pragma once

#include <cstdint>

#include "common/Types.h"

namespace vornak {

// The symbol's coarse frame from the three ordered finder centres: axis A from
// the corner to finder 1 (top edge), axis B from the corner to finder 2 (left
// edge), each with length, direction and, once a version is set, module pitch.
class TPrincipalPattern {
 public:
  TPrincipalPattern(TPoint corner, TPoint endA, TPoint endB);

  // Pitches for a version: length / (4V + 10). May be called again.
  void SetVersion(int32_t version);

  long double PitchA() const { return FPitchA; }
  long double PitchB() const { return FPitchB; }
  long double AngleA() const { return FAngleA; }
  long double AngleB() const { return FAngleB; }
  long double LengthA() const { return FLengthA; }
  long double LengthB() const { return FLengthB; }

  // The pixel reached from base by a module pitches along axis A and b along
  // axis B, rounded half to even. Throws EMathError("Program Error") only if
  // the position does not fit a 32-bit integer.
  void ModuleOffset(int32_t a, int32_t b, TPoint base, TPoint& p) const;
  TPoint ModuleOffset(int32_t a, int32_t b, TPoint base) const;

 private:
  long double FLengthA = 0;
  long double FAngleA = 0;
  long double FPitchA = 0;
  long double FLengthB = 0;
  long double FAngleB = 0;
  long double FPitchB = 0;
};

}  // namespace vornak
