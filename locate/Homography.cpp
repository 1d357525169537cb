#include "locate/Homography.h"

#include <algorithm>
#include <cmath>

namespace vornak {

bool THomography::Fit(const std::array<TPointReal, 4>& from, const std::array<TPointReal, 4>& to) {
  // Eight linear equations in the eight coefficients, solved by Gaussian
  // elimination with partial pivoting. Coordinates are centred and scaled
  // first so that the pivots of symbols thousands of pixels wide stay sane.
  TPointReal fromMean{}, toMean{};
  for (size_t i = 0; i < 4; ++i) {
    fromMean.X += from[i].X / 4;
    fromMean.Y += from[i].Y / 4;
    toMean.X += to[i].X / 4;
    toMean.Y += to[i].Y / 4;
  }
  long double fromScale = 0, toScale = 0;
  for (size_t i = 0; i < 4; ++i) {
    fromScale += std::hypot(from[i].X - fromMean.X, from[i].Y - fromMean.Y) / 4;
    toScale += std::hypot(to[i].X - toMean.X, to[i].Y - toMean.Y) / 4;
  }
  if (!(fromScale > 0) || !(toScale > 0) || !std::isfinite(fromScale) || !std::isfinite(toScale))
    return false;

  std::array<std::array<long double, 9>, 8> m{};
  for (size_t i = 0; i < 4; ++i) {
    const long double u = (from[i].X - fromMean.X) / fromScale;
    const long double v = (from[i].Y - fromMean.Y) / fromScale;
    const long double x = (to[i].X - toMean.X) / toScale;
    const long double y = (to[i].Y - toMean.Y) / toScale;
    m[2 * i] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
    m[2 * i + 1] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
  }
  for (size_t col = 0; col < 8; ++col) {
    size_t pivot = col;
    for (size_t row = col + 1; row < 8; ++row)
      if (std::fabs(m[row][col]) > std::fabs(m[pivot][col])) pivot = row;
    if (std::fabs(m[pivot][col]) < 1e-12L) return false;
    std::swap(m[pivot], m[col]);
    for (size_t row = 0; row < 8; ++row) {
      if (row == col) continue;
      const long double f = m[row][col] / m[col][col];
      if (f == 0) continue;
      for (size_t k = col; k < 9; ++k) m[row][k] -= f * m[col][k];
    }
  }
  std::array<long double, 8> n{};
  for (size_t i = 0; i < 8; ++i) n[i] = m[i][8] / m[i][i];

  // Undo the normalisation: pixel = T^-1 * N * S, S taking module space to
  // its normalised form and T pixel space to its.
  const long double s = 1 / fromScale;
  const long double su = -fromMean.X * s, sv = -fromMean.Y * s;
  // N * S (rows of a 3x3 matrix, last entry of N being 1).
  const long double r00 = n[0] * s, r01 = n[1] * s, r02 = n[0] * su + n[1] * sv + n[2];
  const long double r10 = n[3] * s, r11 = n[4] * s, r12 = n[3] * su + n[4] * sv + n[5];
  const long double r20 = n[6] * s, r21 = n[7] * s, r22 = n[6] * su + n[7] * sv + 1;
  // T^-1 = [toScale 0 toMean.X; 0 toScale toMean.Y; 0 0 1].
  std::array<long double, 9> h = {toScale * r00 + toMean.X * r20,
                                  toScale * r01 + toMean.X * r21,
                                  toScale * r02 + toMean.X * r22,
                                  toScale * r10 + toMean.Y * r20,
                                  toScale * r11 + toMean.Y * r21,
                                  toScale * r12 + toMean.Y * r22,
                                  r20,
                                  r21,
                                  r22};
  if (std::fabs(h[8]) < 1e-18L) return false;
  std::array<long double, 8> result{};
  for (size_t i = 0; i < 8; ++i) {
    result[i] = h[i] / h[8];
    if (!std::isfinite(result[i])) return false;
  }
  // The four points must all lie on the same side of the vanishing line, or
  // the quadrilateral is folded through infinity.
  for (size_t i = 0; i < 4; ++i)
    if (result[6] * from[i].X + result[7] * from[i].Y + 1 <= 1e-9L) return false;
  FH = result;
  return true;
}

bool THomography::Map(const TPointReal& p, TPointReal& result) const {
  const long double w = FH[6] * p.X + FH[7] * p.Y + 1;
  if (!(std::fabs(w) > 1e-12L)) return false;
  result.X = (FH[0] * p.X + FH[1] * p.Y + FH[2]) / w;
  result.Y = (FH[3] * p.X + FH[4] * p.Y + FH[5]) / w;
  return std::isfinite(result.X) && std::isfinite(result.Y);
}

TPointReal THomography::Map(long double u, long double v) const {
  TPointReal r{};
  if (!Map(TPointReal{u, v}, r)) return TPointReal{};
  return r;
}

long double THomography::ScaleAt(const TPointReal& p) const {
  TPointReal a{}, b{}, c{};
  if (!Map(p, a) || !Map(TPointReal{p.X + 1, p.Y}, b) || !Map(TPointReal{p.X, p.Y + 1}, c))
    return 0;
  return (std::hypot(b.X - a.X, b.Y - a.Y) + std::hypot(c.X - a.X, c.Y - a.Y)) / 2;
}

}  // namespace vornak
