#include "locate/Coordinates.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "common/Arith.h"
#include "common/Errors.h"
#include "common/Geometry.h"
#include "locate/FindPattern.h"
#include "locate/PrincipalPattern.h"
#include "locate/TimingPattern.h"
#include "symbol/MatchVersionInfo.h"

namespace vornak {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
// The automatic version search tests timing patterns up to this version.
constexpr int32_t kMaxTimingVersion = 14;

// Round(offset) + base, which must still be a 32-bit pixel coordinate.
int32_t Shift(int32_t base, long double offset) {
  const int64_t sum = static_cast<int64_t>(RoundInt32(offset)) + base;
  if (sum < std::numeric_limits<int32_t>::min() || sum > std::numeric_limits<int32_t>::max())
    throw EMathError(kProgramError);
  return static_cast<int32_t>(sum);
}

}  // namespace

TCoordinates::TCoordinates() : FFindPattern(std::make_unique<TFindPattern>()) {}

const TBitRows& TCoordinates::PackedRows() const { return FFindPattern->PackedRows(); }

TCoordinates::~TCoordinates() = default;

TCoordinates::TPicture TCoordinates::Clip(const TPlaneBoolean& Image, int32_t Width,
                                          int32_t Height) {
  TPicture picture;
  picture.Image = &Image;
  picture.Width = std::clamp(Width, 0, Image.Width());
  picture.Height = std::clamp(Height, 0, Image.Height());
  return picture;
}

int32_t TCoordinates::Locate(const TPlaneBoolean& Image, int32_t Width, int32_t Height) {
  TPicture picture = Clip(Image, Width, Height);
  // A picture narrower than its plane is cut out, so that no stage can see
  // pixels beyond Width x Height.
  TPlaneBoolean cropped;
  if (picture.Width != Image.Width() || picture.Height != Image.Height()) {
    cropped.Resize(picture.Width, picture.Height);
    for (int32_t y = 0; y < picture.Height; ++y)
      std::copy_n(Image.Row(y), picture.Width, cropped.Row(y));
    picture.Image = &cropped;
  }
  return LocateIn(picture);
}

int32_t TCoordinates::LocateIn(const TPicture& Picture) {
  const TPlaneBoolean& Image = *Picture.Image;

  const int32_t code = FFindPattern->Find(Image, Picture.Width, Picture.Height);
  if (code > 0) return code;
  for (int32_t k = 0; k < 3; ++k) FFindPattern->GetPattern(k, FFinder[static_cast<size_t>(k)]);
  FPrincipal = std::make_unique<TPrincipalPattern>(FFinder[0], FFinder[1], FFinder[2]);

  if (FForceVersion > 0) {
    FVersion = FForceVersion;
  } else {
    TTimingPattern timing(FFinder[0], FFinder[1], FFinder[2]);
    const int32_t estimate = timing.EstimateVersion(Image, Picture.Width, Picture.Height);
    int32_t found = 0;
    for (int32_t v = estimate; v <= kMaxTimingVersion; ++v) {
      if (timing.CheckVersion(v, Image, Picture.Width, Picture.Height)) {
        found = v;
        break;
      }
    }
    if (found == 0) return 1;
    FVersion = found;
  }
  FPrincipal->SetVersion(FVersion);

  // From version 7 on the symbol states its version; the first one only set
  // the pitch used to find those modules.
  if (FVersion > 6) {
    FVersion = ReadVersionInfo(Picture);
    if (FVersion == 0) return 1;
  }

  FPrincipal->SetVersion(FVersion);
  FPitchA = FPrincipal->PitchA();
  FPitchB = FPrincipal->PitchB();
  FAngleA = FPrincipal->AngleA();
  FAngleB = FPrincipal->AngleB();

  FindCorners(Picture);
  return 0;
}

int32_t TCoordinates::ReadVersionInfo(const TPicture& Picture) const {
  TBooleans bits(18);
  // Block beside finder 1: modules N-11..N-9 across, 0..5 down.
  for (int32_t i = 0; i < 6; ++i) {
    for (int32_t j = 0; j < 3; ++j) {
      TPoint p;
      FPrincipal->ModuleOffset(j - 7, i - 3, FFinder[1], p);
      if (!Picture.Inside(p.X, p.Y)) return 0;
      bits[static_cast<size_t>(3 * i + j)] = Picture.Dark(p.X, p.Y);
    }
  }
  const int32_t version = MatchVersionInfo(bits);
  if (version > 0) return version;

  // Block beside finder 2: modules 0..5 across, N-11..N-9 down.
  for (int32_t i = 0; i < 6; ++i) {
    for (int32_t j = 0; j < 3; ++j) {
      TPoint p;
      FPrincipal->ModuleOffset(i - 3, j - 7, FFinder[2], p);
      if (!Picture.Inside(p.X, p.Y)) return 0;
      bits[static_cast<size_t>(3 * i + j)] = Picture.Dark(p.X, p.Y);
    }
  }
  return MatchVersionInfo(bits);
}

TPoint TCoordinates::OffsetToPixel(TPoint Base, long double OffsetA, long double OffsetB) const {
  const long double pitchA = FPrincipal->PitchA();
  const long double pitchB = FPrincipal->PitchB();
  const long double angleA = FPrincipal->AngleA();
  const long double angleB = FPrincipal->AngleB();
  const long double x =
      OffsetA * pitchA * std::cos(angleA) + OffsetB * pitchB * std::cos(angleB) + Base.X;
  const long double y =
      OffsetA * pitchA * std::sin(angleA) + OffsetB * pitchB * std::sin(angleB) + Base.Y;
  return TPoint{RoundInt32(x), RoundInt32(y)};
}

void TCoordinates::FindCorners(const TPicture& Picture) {
  FCorner[0] = OffsetToPixel(FFinder[0], -3.5L, -3.5L);
  FCorner[1] = OffsetToPixel(FFinder[1], 3.5L, -3.5L);
  FCorner[2] = OffsetToPixel(FFinder[2], -3.5L, 3.5L);
  // One module inside the fourth corner along both axes.
  const long double inner = 4.0L * static_cast<long double>(FVersion - 1) + 16.5L;
  const TPoint predicted = OffsetToPixel(FFinder[0], inner, inner);

  if (FarthestDark(Picture, 2, FCorner[0], predicted)) FCorner[0] = FFound;
  if (FarthestDark(Picture, 2, FCorner[1], FCorner[2])) FCorner[1] = FFound;
  if (FarthestDark(Picture, 2, FCorner[2], FCorner[1])) FCorner[2] = FFound;

  if (FarthestDark(Picture, FWarp, predicted, FFinder[0])) {
    FCorner[3] = FFound;
    SharpenFourthCorner(Picture);
  } else {
    FCorner[3] = predicted;
  }
  BuildCornerModel();
}

void TCoordinates::SharpenFourthCorner(const TPicture& Picture) {
  // A corner found equal to corner 1 or 2 raises "Base Angle Error" here.
  const long double angleA = MinEdgeAngle(Picture, FCorner[1], FCorner[3]);
  const long double angleB = MaxEdgeAngle(Picture, FCorner[2], FCorner[3]);

  const TPoint crossing = IntersectLines(FCorner[1], angleA, FCorner[2], angleB);
  // A crossing beyond the picture's border (a symbol cut by the border) is a
  // light pixel like any other outside the picture.
  if (!Picture.Dark(crossing.X, crossing.Y) && Distance(FCorner[3], crossing) > FPitchA / 2)
    FCorner[3] = crossing;
}

TPoint TCoordinates::IntersectLines(TPoint P1, long double AngleA, TPoint P2, long double AngleB) {
  const long double x1 = P1.X;
  const long double y1 = P1.Y;
  const long double x2 = P2.X;
  const long double y2 = P2.Y;
  const long double k1 = x1 * std::sin(AngleA) - y1 * std::cos(AngleA);
  const long double k2 = x2 * std::sin(AngleB) - y2 * std::cos(AngleB);
  const long double divisorX = std::sin(AngleA - AngleB);
  const long double divisorY = std::sin(AngleB - AngleA);
  if (divisorX == 0 || divisorY == 0) throw EMathError(kProgramError);
  const long double x = (k1 * std::cos(AngleB) - k2 * std::cos(AngleA)) / divisorX;
  const long double y = (k2 * std::sin(AngleA) - k1 * std::sin(AngleB)) / divisorY;
  const auto ix = TryRoundInt32(x);
  const auto iy = TryRoundInt32(y);
  if (!ix || !iy) throw EMathError(kProgramError);
  return TPoint{*ix, *iy};
}

void TCoordinates::BuildCornerModel() {
  const TPoint& c0 = FCorner[0];
  const TPoint& c1 = FCorner[1];
  const TPoint& c2 = FCorner[2];
  const TPoint& c3 = FCorner[3];

  FSideA = Distance(c1, c0);
  FSideB = Distance(c2, c0);
  FSideAngleA = std::atan2(static_cast<long double>(static_cast<int64_t>(c1.Y) - c0.Y),
                           static_cast<long double>(static_cast<int64_t>(c1.X) - c0.X));
  if (FSideAngleA < 0) FSideAngleA += 2 * kPi;
  FSideAngleB = std::atan2(static_cast<long double>(static_cast<int64_t>(c2.Y) - c0.Y),
                           static_cast<long double>(static_cast<int64_t>(c2.X) - c0.X));
  if (FSideAngleB < 0) FSideAngleB += 2 * kPi;

  // Fourth corner of the parallelogram on corners 0, 1 and 2.
  const TPoint p{Shift(c0.X, std::cos(FSideAngleA) * FSideA + std::cos(FSideAngleB) * FSideB),
                 Shift(c0.Y, std::sin(FSideAngleA) * FSideA + std::sin(FSideAngleB) * FSideB)};

  FSkewLength = Distance(c3, p);
  FSkewAngle = std::atan2(static_cast<long double>(static_cast<int64_t>(c3.Y) - p.Y),
                          static_cast<long double>(static_cast<int64_t>(c3.X) - p.X));
  // Every module is mapped through these: taken once, not per module.
  FCosSideA = std::cos(FSideAngleA);
  FSinSideA = std::sin(FSideAngleA);
  FCosSideB = std::cos(FSideAngleB);
  FSinSideB = std::sin(FSideAngleB);
  FCosSkew = std::cos(FSkewAngle);
  FSinSkew = std::sin(FSkewAngle);
}

bool TCoordinates::FarthestDark(const TPicture& Picture, int32_t Radius, TPoint Centre,
                                TPoint Away) {
  const long double pitch = std::max(FPitchA, FPitchB);
  const int64_t reach = RoundInt32(static_cast<long double>(Radius) * pitch);
  // Pixels outside the picture are light and never count, so the square is
  // clipped to it; the scan order stays the same.
  const int64_t xFirst = std::max<int64_t>(int64_t{Centre.X} - reach, 0);
  const int64_t xLast = std::min<int64_t>(int64_t{Centre.X} + reach, int64_t{Picture.Width} - 1);
  const int64_t yFirst = std::max<int64_t>(int64_t{Centre.Y} - reach, 0);
  const int64_t yLast = std::min<int64_t>(int64_t{Centre.Y} + reach, int64_t{Picture.Height} - 1);

  // Along one row the distance from Away grows towards either end, so a
  // row's farthest dark pixel is its first or its last: the square is read
  // row by row, from both ends. Of equally far pixels the one in the least
  // column, then the least row, is kept.
  long double best = 0;
  TPoint found{};
  auto keep = [&](int64_t x, int64_t y) {
    const long double distance = Length(x - Away.X, y - Away.Y);
    if (distance > best || (distance == best && best > 0 && x < found.X)) {
      best = distance;
      found = TPoint{static_cast<int32_t>(x), static_cast<int32_t>(y)};
    }
  };
  for (int64_t y = yFirst; y <= yLast; ++y) {
    const uint8_t* row = Picture.Image->Row(static_cast<int32_t>(y));
    int64_t x = xFirst;
    while (x <= xLast && row[x] == 0) ++x;
    if (x > xLast) continue;
    keep(x, y);
    int64_t z = xLast;
    while (z > x && row[z] == 0) --z;
    if (z > x) keep(z, y);
  }
  if (best == 0) return false;
  FFound = found;
  return true;
}

long double TCoordinates::MinEdgeAngle(const TPicture& Picture, TPoint Origin,
                                       TPoint Target) const {
  return EdgeAngle(Picture, Origin, Target, true);
}

long double TCoordinates::MaxEdgeAngle(const TPicture& Picture, TPoint Origin,
                                       TPoint Target) const {
  return EdgeAngle(Picture, Origin, Target, false);
}

long double TCoordinates::EdgeAngle(const TPicture& Picture, TPoint Origin, TPoint Target,
                                    bool Minimum) const {
  const long double reach = Distance(Origin, Target);
  if (Origin == Target) throw EMathError(kBaseAngleError);
  // Sides along an image axis need no scan.
  if (Origin.X == Target.X) return Target.Y > Origin.Y ? kPi / 2 : -kPi / 2;
  if (Origin.Y == Target.Y) return Target.X > Origin.X ? 0.0L : -kPi;

  const int64_t stepX = Target.X > Origin.X ? 1 : -1;
  const int64_t stepY = Target.Y > Origin.Y ? 1 : -1;
  const bool upLeft = Target.X < Origin.X && Target.Y < Origin.Y;
  const long double nearest = 0.3L * reach;

  // Every candidate lies in the quarter turn from the origin towards the
  // target, where atan2 grows with the direction: the extreme direction is
  // found by exact integer cross products and its angle taken once. Angles
  // of distinct integer directions this short lie far more than one unit of
  // the last place apart, so the order is that of their computed angles.
  //
  // Of the pixels in the extreme direction the nearest is kept (the least
  // column offset, then the least row offset). Along one row the direction
  // turns one way as the column offset grows, so a row's extreme is its
  // first or its last dark pixel far enough away: the rectangle is read row
  // by row, from both ends.
  bool any = false;
  int64_t keptX = 0, keptY = 0;
  const long double nearest2 = nearest * nearest;
  // The distance test on exact squares, its square root taken only where
  // the two lie within rounding of each other; the bounds of the squares as
  // whole numbers.
  const auto low = static_cast<int64_t>(std::ceil(nearest2 * (1 - 1e-12L)));
  const auto high = static_cast<int64_t>(std::floor(nearest2 * (1 + 1e-12L)));
  auto far = [&](int64_t dx, int64_t dy) {
    const int64_t d2 = dx * dx + dy * dy;
    return d2 >= low && (d2 > high || !(Length(dx, dy) < nearest));
  };
  auto keep = [&](int64_t i, int64_t j, int64_t dx, int64_t dy) {
    if (any) {
      // Positive when (dx, dy) turns anticlockwise from the kept one.
      const int64_t cross = keptX * dy - keptY * dx;
      if (cross == 0) {
        if (i > std::abs(keptX) || (i == std::abs(keptX) && j >= std::abs(keptY))) return;
      } else if (Minimum ? cross > 0 : cross < 0) {
        return;
      }
    }
    any = true;
    keptX = dx;
    keptY = dy;
  };
  const int64_t columns = std::abs(int64_t{Target.X} - Origin.X) + 1;
  const int64_t rows = std::abs(int64_t{Target.Y} - Origin.Y) + 1;
  // The column offsets whose pixels lie in the picture.
  const int64_t first = stepX > 0 ? std::max<int64_t>(0, -int64_t{Origin.X})
                                  : std::max<int64_t>(0, int64_t{Origin.X} - (Picture.Width - 1));
  const int64_t last = stepX > 0
                           ? std::min<int64_t>(columns - 1, int64_t{Picture.Width} - 1 - Origin.X)
                           : std::min<int64_t>(columns - 1, Origin.X);
  for (int64_t j = 0; j < rows && first <= last; ++j) {
    const int64_t y = Origin.Y + j * stepY;
    if (y < 0 || y >= Picture.Height) continue;
    const int64_t dy = y - Origin.Y;
    const uint8_t* row = Picture.Image->Row(static_cast<int32_t>(y));
    auto dark = [&](int64_t i) { return row[Origin.X + i * stepX] != 0; };
    int64_t i = first;
    while (i <= last && (!dark(i) || !far(i * stepX, dy))) ++i;
    if (i > last) continue;
    keep(i, j, i * stepX, dy);
    // Farther along the row every dark pixel is far enough.
    int64_t k = last;
    while (k > i && !dark(k)) --k;
    if (k > i) keep(k, j, k * stepX, dy);
  }
  if (!any) return Minimum ? 2 * kPi : -2 * kPi;
  // A side running up and to the left keeps its level pixels at -pi, on the
  // same branch as the rest of its angles.
  if (upLeft && keptY == 0) return -kPi;
  return std::atan2(static_cast<long double>(keptY), static_cast<long double>(keptX));
}

TPoint TCoordinates::GetModulePoint(int32_t a, int32_t b) const {
  if (FVersion < 1) return TPoint{0, 0};
  return MapModule(a, b);
}

TPoint TCoordinates::MapModule(int32_t a, int32_t b) const {
  // A collapsed side leaves no grid to interpolate.
  if (!(FSideA > 0) || !(FSideB > 0)) throw EMathError(kProgramError);
  const long double n = 4.0L * static_cast<long double>(FVersion - 1) + 21;
  const long double u = FSideA / n * (static_cast<long double>(a) + 0.5L);
  const long double w = FSideB / n * (static_cast<long double>(b) + 0.5L);
  // Share of the fourth corner's displacement at this module.
  const long double k = (u / FSideA) * FSkewLength * (w / FSideB);
  const long double x = (u * FCosSideA + w * FCosSideB) + k * FCosSkew;
  const long double y = (u * FSinSideA + w * FSinSideB) + k * FSinSkew;
  return TPoint{Shift(FCorner[0].X, x), Shift(FCorner[0].Y, y)};
}

}  // namespace vornak
