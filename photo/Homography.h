#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Geometry.h"

namespace vornak {

// A plane projective transform (perspective) from module space to pixel
// space, fitted to four point pairs:
//   x = (a u + b v + c) / (g u + h v + 1),  y = (d u + e v + f) / (g u + h v + 1).
// Perspective is projective, so unlike a bilinear map between four corners it
// keeps straight module rows straight and spaces them as the camera does.
class THomography {
 public:
  // The identity until the first successful Fit.
  THomography() = default;

  // Fits the transform taking from[i] to to[i]. False (the transform kept)
  // when the points are degenerate: three of them on a line, or a point
  // pair that puts a vanishing line through the quadrilateral.
  bool Fit(const std::array<TPointReal, 4>& from, const std::array<TPointReal, 4>& to);
  // The least-squares transform taking from[i] to to[i] for more than four
  // point pairs (their algebraic error, on normalised coordinates). False
  // (the transform kept) when they fix no transform or one that folds them
  // through the vanishing line.
  bool FitLeastSquares(const std::vector<TPointReal>& from, const std::vector<TPointReal>& to);

  // The image of module-space point p; false when p lies on (or numerically
  // at) the vanishing line, where the transform has no finite image.
  bool Map(const TPointReal& p, TPointReal& result) const;
  TPointReal Map(long double u, long double v) const;

  // Pixels per module along each module axis at module-space point p (the
  // lengths of the mapped unit steps); 0 where the map is undefined.
  long double ScaleAt(const TPointReal& p) const;

  // Coefficients a, b, c, d, e, f, g, h in that order.
  const std::array<long double, 8>& Coefficients() const { return FH; }

 private:
  std::array<long double, 8> FH{1, 0, 0, 0, 1, 0, 0, 0};
};

}  // namespace vornak
