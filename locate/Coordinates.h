#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "common/Types.h"

namespace vornak {

class TBitRows;
class TFindPattern;
class TPrincipalPattern;

// The coordinate system of one located symbol: finder centres, version,
// module pitches, base angles and the four outer corners, from which every
// module centre is mapped to a pixel.
//
// Pixel (x, y) is column x, row y, y growing downward; angles come from
// ArcTan2(dy, dx) in pixel space. Axis A runs from finder 0 to finder 1
// (module columns), axis B from finder 0 to finder 2 (module rows). Pixels
// outside the picture are light.
class TCoordinates {
 public:
  TCoordinates();
  ~TCoordinates();
  TCoordinates(const TCoordinates&) = delete;
  TCoordinates& operator=(const TCoordinates&) = delete;

  // 0 when the symbol is located and its version fixed, 1 otherwise. Width
  // and Height bound the picture; anything beyond the plane is outside too.
  // Raises EMathError "Base Angle Error" or "Program Error" when the corner
  // geometry breaks down.
  int32_t Locate(const TPlaneBoolean& Image, int32_t Width, int32_t Height);

  // Pixel at the centre of module (a, b); (0, 0) before any version is known.
  TPoint GetModulePoint(int32_t a, int32_t b) const;
  // Bilinear map of module (a, b) between the four corners. Raises EMathError
  // when a side has length 0 or the point does not fit an integer.
  TPoint MapModule(int32_t a, int32_t b) const;

  // Search radius for the fourth corner, in module pitches (1..6).
  void SetWarp(int32_t Value) { FWarp = Value; }
  // 0 = automatic; 1..6 is taken as final, 7..40 yields to the version
  // information in the symbol.
  void SetForceVersion(int32_t Value) { FForceVersion = Value; }

  int32_t Warp() const { return FWarp; }
  int32_t ForceVersion() const { return FForceVersion; }

  // What the last Locate found. Meaningful only after a Locate that returned
  // 0; a failed one may leave finders and version changed.
  int32_t Version() const { return FVersion; }
  TPoint Finder(int32_t Index) const { return FFinder.at(static_cast<size_t>(Index)); }
  TPoint Corner(int32_t Index) const { return FCorner.at(static_cast<size_t>(Index)); }
  long double PitchA() const { return FPitchA; }
  long double PitchB() const { return FPitchB; }
  long double AngleA() const { return FAngleA; }
  long double AngleB() const { return FAngleB; }
  long double SideA() const { return FSideA; }
  long double SideB() const { return FSideB; }
  long double SideAngleA() const { return FSideAngleA; }
  long double SideAngleB() const { return FSideAngleB; }
  long double SkewLength() const { return FSkewLength; }
  long double SkewAngle() const { return FSkewAngle; }
  // The picture of the last Locate packed by the finder search.
  const TBitRows& PackedRows() const;

 private:
  // Lets the tests drive the corner steps on hand-made geometry.
  friend class TCoordinatesPeer;

  // The picture of the current Locate: the plane clipped to Width x Height.
  struct TPicture {
    const TPlaneBoolean* Image = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
    bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
    // Light outside the picture.
    bool Dark(int64_t x, int64_t y) const {
      return Inside(x, y) && (*Image)(static_cast<int32_t>(x), static_cast<int32_t>(y)) != 0;
    }
  };
  static TPicture Clip(const TPlaneBoolean& Image, int32_t Width, int32_t Height);
  int32_t LocateIn(const TPicture& Picture);

  // Version from the 18-module blocks beside finders 1 and 2; 0 when neither
  // matches or a sample lies outside the picture.
  int32_t ReadVersionInfo(const TPicture& Picture) const;
  // Base moved by OffsetA pitches along axis A and OffsetB along axis B.
  TPoint OffsetToPixel(TPoint Base, long double OffsetA, long double OffsetB) const;

  void FindCorners(const TPicture& Picture);
  // Moves a found fourth corner onto the intersection of the two edges
  // meeting there, when that lies on a light pixel far enough away.
  void SharpenFourthCorner(const TPicture& Picture);
  // Side lengths, directions and the fourth corner's displacement from the
  // parallelogram spanned by corners 0, 1 and 2.
  void BuildCornerModel();

  // Dark pixel within Radius pitches of Centre farthest from Away; the first
  // met wins ties. On success it is left in FFound.
  bool FarthestDark(const TPicture& Picture, int32_t Radius, TPoint Centre, TPoint Away);
  long double MinEdgeAngle(const TPicture& Picture, TPoint Origin, TPoint Target) const;
  long double MaxEdgeAngle(const TPicture& Picture, TPoint Origin, TPoint Target) const;
  long double EdgeAngle(const TPicture& Picture, TPoint Origin, TPoint Target, bool Minimum) const;
  // Intersection of the line through P1 with direction AngleA and the line
  // through P2 with direction AngleB, rounded; "Program Error" when the
  // lines are parallel or the point does not fit an integer.
  static TPoint IntersectLines(TPoint P1, long double AngleA, TPoint P2, long double AngleB);

  std::unique_ptr<TPrincipalPattern> FPrincipal;
  std::unique_ptr<TFindPattern> FFindPattern;
  std::array<TPoint, 3> FFinder{};
  long double FPitchA = 0;
  long double FPitchB = 0;
  long double FAngleA = 0;
  long double FAngleB = 0;
  std::array<TPoint, 4> FCorner{};
  TPoint FFound{};
  long double FSideA = 0;
  long double FSideB = 0;
  long double FSideAngleA = 0;
  long double FSideAngleB = 0;
  long double FSkewLength = 0;
  long double FSkewAngle = 0;
  // Cosines and sines of the three angles above.
  long double FCosSideA = 1, FSinSideA = 0, FCosSideB = 1, FSinSideB = 0, FCosSkew = 1,
              FSinSkew = 0;
  int32_t FVersion = 0;
  int32_t FForceVersion = 0;
  int32_t FWarp = 1;
};

}  // namespace vornak
