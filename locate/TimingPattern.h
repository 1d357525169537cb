#pragma once

#include <cstdint>

#include "common/Types.h"

namespace vornak {

// Establishes the version from the picture: a low guess from colour changes
// beside the lines that join the finder centres, then a test of the two timing
// patterns at the pitch each version implies. Pixels outside the picture read
// as light.
class TTimingPattern {
 public:
  TTimingPattern(TPoint origin, TPoint endA, TPoint endB);

  // A version guess of at least 1 (it may exceed 40 on a false symbol).
  // Width and Height are accepted for the caller's convenience; the plane's own
  // extents bound every read.
  int32_t EstimateVersion(const TPlaneBoolean& image, int32_t width, int32_t height) const;
  // True when a timing pattern of that version is found along axis A or axis
  // B. Leaves Side and both pitches set for that version. Versions outside
  // 1..40 give false.
  bool CheckVersion(int32_t version, const TPlaneBoolean& image, int32_t width, int32_t height);

  // The pixel reached from origin by a pixels along angleA and b pixels along
  // angleB, rounded half to even once per coordinate.
  static void AxisPoint(int32_t a, int32_t b, long double angleA, long double angleB, TPoint origin,
                        TPoint& p);
  static TPoint AxisPoint(int32_t a, int32_t b, long double angleA, long double angleB,
                          TPoint origin);
  // The guess from the larger colour-change count m: (m - 21) div 4 + 1, at least 1.
  static int32_t VersionFromChanges(int32_t m);
  // Colour changes along axis A and axis B as EstimateVersion counts them.
  int32_t ChangesA(const TPlaneBoolean& image) const;
  int32_t ChangesB(const TPlaneBoolean& image) const;

  int32_t Side() const { return FSide; }
  TPoint Origin() const { return FOrigin; }
  TPoint EndA() const { return FEndA; }
  TPoint EndB() const { return FEndB; }
  int32_t DistA() const { return FDistA; }
  int32_t DistB() const { return FDistB; }
  long double PitchA() const { return FPitchA; }
  long double PitchB() const { return FPitchB; }
  long double AngleA() const { return FAngleA; }
  long double AngleB() const { return FAngleB; }

 private:
  // Matches of the n timing samples from the start point along one axis.
  int32_t CountTimingMatches(const TPlaneBoolean& image, long double angle, long double pitch,
                             TPoint start, int32_t n) const;

  int32_t FSide = 0;
  TPoint FOrigin;
  TPoint FEndA;
  TPoint FEndB;
  int32_t FDistA = 0;
  long double FPitchA = 0;
  long double FAngleA = 0;
  int32_t FDistB = 0;
  long double FPitchB = 0;
  long double FAngleB = 0;
};

}  // namespace vornak
