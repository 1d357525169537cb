#include "locate/TimingPattern.h"

#include <cmath>

#include "common/Arith.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

struct TAxis {
  int32_t Dist = 0;
  long double Angle = 0;
};

TAxis MeasureAxis(TPoint from, TPoint to) {
  const long double dx = static_cast<long double>(to.X) - static_cast<long double>(from.X);
  const long double dy = static_cast<long double>(to.Y) - static_cast<long double>(from.Y);
  return TAxis{RoundInt32(std::sqrt(dx * dx + dy * dy)), std::atan2(dy, dx)};
}

// Every position outside the picture reads as light.
bool IsDark(const TPlaneBoolean& image, TPoint p) { return image.At(p.X, p.Y, 0) != 0; }

}  // namespace

TTimingPattern::TTimingPattern(TPoint origin, TPoint endA, TPoint endB)
    : FOrigin(origin), FEndA(endA), FEndB(endB) {
  const TAxis a = MeasureAxis(origin, endA);
  FDistA = a.Dist;
  FAngleA = a.Angle;
  const TAxis b = MeasureAxis(origin, endB);
  FDistB = b.Dist;
  FAngleB = b.Angle;
  FPitchA = 0;
  FPitchB = 0;
}

namespace {

// AxisPoint with the four cosines and sines taken once for a whole walk.
struct TAxisFrame {
  long double CosA, SinA, CosB, SinB;
  TAxisFrame(long double angleA, long double angleB)
      : CosA(std::cos(angleA)),
        SinA(std::sin(angleA)),
        CosB(std::cos(angleB)),
        SinB(std::sin(angleB)) {}
  TPoint Point(int32_t a, int32_t b, TPoint origin) const {
    const long double x =
        (CosA * static_cast<long double>(a) + CosB * static_cast<long double>(b)) +
        static_cast<long double>(origin.X);
    const long double y =
        (SinA * static_cast<long double>(a) + SinB * static_cast<long double>(b)) +
        static_cast<long double>(origin.Y);
    return TPoint{RoundInt32(x), RoundInt32(y)};
  }
};

}  // namespace

TPoint TTimingPattern::AxisPoint(int32_t a, int32_t b, long double angleA, long double angleB,
                                 TPoint origin) {
  return TAxisFrame(angleA, angleB).Point(a, b, origin);
}

void TTimingPattern::AxisPoint(int32_t a, int32_t b, long double angleA, long double angleB,
                               TPoint origin, TPoint& p) {
  p = AxisPoint(a, b, angleA, angleB, origin);
}

int32_t TTimingPattern::ChangesA(const TPlaneBoolean& image) const {
  const TAxisFrame frame(FAngleA, FAngleB);
  bool expected = true;
  int32_t changes = 0;
  for (int32_t i = 0; i <= FDistA; ++i) {
    if (IsDark(image, frame.Point(i, 1, FOrigin)) != expected) {
      ++changes;
      expected = !expected;
    }
  }
  return changes;
}

int32_t TTimingPattern::ChangesB(const TPlaneBoolean& image) const {
  const TAxisFrame frame(FAngleA, FAngleB);
  bool expected = true;
  int32_t changes = 0;
  for (int32_t j = 0; j <= FDistB; ++j) {
    if (IsDark(image, frame.Point(1, j, FOrigin)) != expected) {
      ++changes;
      expected = !expected;
    }
  }
  return changes;
}

int32_t TTimingPattern::VersionFromChanges(int32_t m) {
  const int32_t v = (m - 21) / 4 + 1;
  return v < 1 ? 1 : v;
}

int32_t TTimingPattern::EstimateVersion(const TPlaneBoolean& image, int32_t /*width*/,
                                        int32_t /*height*/) const {
  const int32_t kA = ChangesA(image);
  const int32_t kB = ChangesB(image);
  return VersionFromChanges(kA > kB ? kA : kB);
}

int32_t TTimingPattern::CountTimingMatches(const TPlaneBoolean& image, long double angle,
                                           long double pitch, TPoint start, int32_t n) const {
  const long double c = std::cos(angle);
  const long double s = std::sin(angle);
  int32_t matches = 0;
  for (int32_t i = 0; i < n; ++i) {
    const long double step = static_cast<long double>(i) * pitch;
    const TPoint p{RoundInt32(c * step) + start.X, RoundInt32(s * step) + start.Y};
    // Even samples should be dark, odd ones light.
    if (IsDark(image, p) == (i % 2 == 0)) ++matches;
  }
  return matches;
}

bool TTimingPattern::CheckVersion(int32_t version, const TPlaneBoolean& image, int32_t /*width*/,
                                  int32_t /*height*/) {
  if (version < 1 || version > 40) return false;
  FSide = SymbolSide(version);
  FPitchA = static_cast<long double>(FDistA) / static_cast<long double>(FSide - 7);
  FPitchB = static_cast<long double>(FDistB) / static_cast<long double>(FSide - 7);
  // Centre of module (6, 6), three modules diagonally in from the corner centre.
  const TPoint start{
      RoundInt32(std::cos(FAngleA) * (FPitchA * 3.0L) + std::cos(FAngleB) * (FPitchB * 3.0L)) +
          FOrigin.X,
      RoundInt32(std::sin(FAngleA) * (FPitchA * 3.0L) + std::sin(FAngleB) * (FPitchB * 3.0L)) +
          FOrigin.Y};
  const int32_t n = FSide - 12;
  const long double needed = 0.9L * static_cast<long double>(n);
  if (static_cast<long double>(CountTimingMatches(image, FAngleA, FPitchA, start, n)) > needed)
    return true;
  return static_cast<long double>(CountTimingMatches(image, FAngleB, FPitchB, start, n)) > needed;
}

}  // namespace vornak
