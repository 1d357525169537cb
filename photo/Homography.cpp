#include "photo/Homography.h"

#include <algorithm>
#include <cmath>

#include "common/LinearSystem.h"

namespace vornak {

namespace {

// The transform (rows of a 3 x 3 matrix) taking the unit square's corners
// (0, 0), (1, 0), (0, 1), (1, 1) to the quadrilateral q, centred on mean and
// shrunk by scale; false when three of its corners lie on a line (or
// nearly: the quadrilateral has no area to span a plane with).
bool SquareTo(const std::array<TPointReal, 4>& q, const TPointReal& mean, long double scale,
              std::array<long double, 9>& m) {
  // Extended division is slow: one reciprocal serves every corner.
  const long double shrink = 1 / scale;
  std::array<TPointReal, 4> p{};
  for (size_t i = 0; i < 4; ++i)
    p[i] = TPointReal{(q[i].X - mean.X) * shrink, (q[i].Y - mean.Y) * shrink};
  // Every triple of corners must span an area; normalised, the quadrilateral
  // is of unit size, so a fixed bound tells a line from a sliver.
  auto area = [&p](size_t i, size_t j, size_t k) {
    return (p[j].X - p[i].X) * (p[k].Y - p[i].Y) - (p[j].Y - p[i].Y) * (p[k].X - p[i].X);
  };
  constexpr long double kMinArea = 1e-9L;
  if (!(std::fabs(area(0, 1, 2)) > kMinArea) || !(std::fabs(area(0, 1, 3)) > kMinArea) ||
      !(std::fabs(area(0, 2, 3)) > kMinArea) || !(std::fabs(area(1, 2, 3)) > kMinArea))
    return false;
  // (0, 0) -> p0, (1, 0) -> p1, (0, 1) -> p2, (1, 1) -> p3: the projective
  // terms g, h come from how far p3 is off the parallelogram p1 + p2 - p0.
  const long double sx = p[0].X - p[1].X + p[3].X - p[2].X;
  const long double sy = p[0].Y - p[1].Y + p[3].Y - p[2].Y;
  const long double dx1 = p[1].X - p[3].X, dx2 = p[2].X - p[3].X;
  const long double dy1 = p[1].Y - p[3].Y, dy2 = p[2].Y - p[3].Y;
  const long double den = dx1 * dy2 - dx2 * dy1;
  if (!(std::fabs(den) > kMinArea)) return false;
  const long double over = 1 / den;
  const long double g = (sx * dy2 - dx2 * sy) * over;
  const long double h = (dx1 * sy - sx * dy1) * over;
  m = {p[1].X - p[0].X + g * p[1].X,
       p[2].X - p[0].X + h * p[2].X,
       p[0].X,
       p[1].Y - p[0].Y + g * p[1].Y,
       p[2].Y - p[0].Y + h * p[2].Y,
       p[0].Y,
       g,
       h,
       1};
  return true;
}

// The map from the normalised source quadrilateral from (centred on mean,
// shrunk by scale) to where b takes the unit square: b times the inverse of
// the square-to-source map, up to a scale. False when from is degenerate.
bool ThroughSquare(const std::array<TPointReal, 4>& from, const TPointReal& fromMean,
                   long double fromScale, const std::array<long double, 9>& b,
                   std::array<long double, 9>& product) {
  if (from[0].Y == from[1].Y && from[2].Y == from[3].Y && from[0].X == from[2].X &&
      from[1].X == from[3].X) {
    // A source rectangle with sides along the axes (the finder grids, the
    // refinement's and the cells) maps to the square by scaling alone: (u, v) -> ((u - u0) / du,
    // (v - v0) / dv), normalised as the general case is.
    const long double shrink = 1 / fromScale;
    const long double u0 = (from[0].X - fromMean.X) * shrink;
    const long double v0 = (from[0].Y - fromMean.Y) * shrink;
    const long double du = (from[1].X - fromMean.X) * shrink - u0;
    const long double dv = (from[2].Y - fromMean.Y) * shrink - v0;
    // A side of no length puts three corners on a line.
    if (!(std::fabs(du * dv) > 1e-9L)) return false;
    // The inverse scaled by du dv, which the division by the last entry
    // removes: [dv 0 -u0 dv; 0 du -v0 du; 0 0 du dv].
    for (size_t r = 0; r < 3; ++r) {
      product[r * 3] = b[r * 3] * dv;
      product[r * 3 + 1] = b[r * 3 + 1] * du;
      product[r * 3 + 2] = -b[r * 3] * u0 * dv - b[r * 3 + 1] * v0 * du + b[r * 3 + 2] * du * dv;
    }
  } else {
    std::array<long double, 9> a{};
    if (!SquareTo(from, fromMean, fromScale, a)) return false;
    // The square-to-source map's adjugate is its inverse up to a scale,
    // which the division by the last entry removes.
    const std::array<long double, 9> inverse = {
        a[4] * a[8] - a[5] * a[7], a[2] * a[7] - a[1] * a[8], a[1] * a[5] - a[2] * a[4],
        a[5] * a[6] - a[3] * a[8], a[0] * a[8] - a[2] * a[6], a[2] * a[3] - a[0] * a[5],
        a[3] * a[7] - a[4] * a[6], a[1] * a[6] - a[0] * a[7], a[0] * a[4] - a[1] * a[3]};
    for (size_t r = 0; r < 3; ++r)
      for (size_t c = 0; c < 3; ++c)
        product[r * 3 + c] =
            b[r * 3] * inverse[c] + b[r * 3 + 1] * inverse[3 + c] + b[r * 3 + 2] * inverse[6 + c];
  }
  return true;
}

}  // namespace

bool THomography::Fit(const std::array<TPointReal, 4>& from, const std::array<TPointReal, 4>& to) {
  // Coordinates are centred and scaled first so that symbols thousands of
  // pixels wide give the same well-conditioned sums as small ones.
  TPointReal fromMean{}, toMean{};
  for (size_t i = 0; i < 4; ++i) {
    fromMean.X += from[i].X / 4;
    fromMean.Y += from[i].Y / 4;
    toMean.X += to[i].X / 4;
    toMean.Y += to[i].Y / 4;
  }
  long double fromScale = 0, toScale = 0;
  for (size_t i = 0; i < 4; ++i) {
    fromScale += Length(from[i].X - fromMean.X, from[i].Y - fromMean.Y) / 4;
    toScale += Length(to[i].X - toMean.X, to[i].Y - toMean.Y) / 4;
  }
  if (!(fromScale > 0) || !(toScale > 0) || !std::isfinite(fromScale) || !std::isfinite(toScale))
    return false;

  // Each quadrilateral is the image of the unit square under a transform
  // that has a closed form; the map wanted is the one from the normalised
  // source to the normalised target through the square.
  std::array<long double, 9> b{};
  if (!SquareTo(to, toMean, toScale, b)) return false;
  std::array<long double, 9> product{};
  if (!ThroughSquare(from, fromMean, fromScale, b, product)) return false;
  if (!(std::fabs(product[8]) > 1e-12L)) return false;
  std::array<long double, 8> n{};
  const long double last = 1 / product[8];
  for (size_t i = 0; i < 8; ++i) n[i] = product[i] * last;

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
  const long double unit = 1 / h[8];
  for (size_t i = 0; i < 8; ++i) {
    result[i] = h[i] * unit;
    if (!std::isfinite(result[i])) return false;
  }
  // The four points must all lie on the same side of the vanishing line, or
  // the quadrilateral is folded through infinity.
  for (size_t i = 0; i < 4; ++i)
    if (result[6] * from[i].X + result[7] * from[i].Y + 1 <= 1e-9L) return false;
  FH = result;
  return true;
}

namespace {

// Centre and scale that move points to the origin at a mean distance of 1.
void Normalisation(const std::vector<TPointReal>& points, TPointReal& mean, long double& scale) {
  mean = TPointReal{};
  for (const TPointReal& p : points) {
    mean.X += p.X;
    mean.Y += p.Y;
  }
  mean.X /= static_cast<long double>(points.size());
  mean.Y /= static_cast<long double>(points.size());
  long double spread = 0;
  for (const TPointReal& p : points) spread += Distance(p, mean);
  spread /= static_cast<long double>(points.size());
  scale = spread > 0 ? 1 / spread : 0;
}

}  // namespace

bool THomography::FitLeastSquares(const std::vector<TPointReal>& from,
                                  const std::vector<TPointReal>& to) {
  if (from.size() < 4 || from.size() != to.size()) return false;
  TPointReal fromMean{}, toMean{};
  long double fromScale = 0, toScale = 0;
  Normalisation(from, fromMean, fromScale);
  Normalisation(to, toMean, toScale);
  if (!(fromScale > 0) || !(toScale > 0)) return false;
  // Normal equations of x (g u + h v + 1) = a u + b v + c, likewise y, in
  // the normalised coordinates.
  // The rows of a pair are (u, v, 1, 0, 0, 0, -u x, -v x) and
  // (0, 0, 0, u, v, 1, -u y, -v y). The matrix is symmetric: its upper half
  // is summed, then mirrored; the terms the zeros of the rows make vanish
  // are left out (adding a zero product changes no sum), and the two 3 x 3
  // blocks of u, v and 1 are the same sums.
  std::array<long double, 64> m{};
  std::array<long double, 8> r{};
  long double uu = 0, uv = 0, us = 0, vv = 0, vs = 0, ones = 0;
  for (size_t i = 0; i < from.size(); ++i) {
    const long double u = (from[i].X - fromMean.X) * fromScale;
    const long double v = (from[i].Y - fromMean.Y) * fromScale;
    const long double x = (to[i].X - toMean.X) * toScale;
    const long double y = (to[i].Y - toMean.Y) * toScale;
    const long double gx = -u * x, hx = -v * x, gy = -u * y, hy = -v * y;
    uu += u * u;
    uv += u * v;
    us += u;
    vv += v * v;
    vs += v;
    ones += 1;
    // Rows 0 to 2 against the x row's last two terms, rows 3 to 5 against
    // the y row's.
    const auto against = [&m, u, v](size_t b, long double g, long double h) {
      m[b * 8 + 6] += u * g;
      m[b * 8 + 7] += u * h;
      m[(b + 1) * 8 + 6] += v * g;
      m[(b + 1) * 8 + 7] += v * h;
      m[(b + 2) * 8 + 6] += g;
      m[(b + 2) * 8 + 7] += h;
    };
    against(0, gx, hx);
    against(3, gy, hy);
    m[6 * 8 + 6] += gx * gx + gy * gy;
    m[6 * 8 + 7] += gx * hx + gy * hy;
    m[7 * 8 + 7] += hx * hx + hy * hy;
    r[0] += u * x;
    r[1] += v * x;
    r[2] += x;
    r[3] += u * y;
    r[4] += v * y;
    r[5] += y;
    r[6] += gx * x + gy * y;
    r[7] += hx * x + hy * y;
  }
  for (size_t b = 0; b < 6; b += 3) {
    m[(b + 0) * 8 + b + 0] = uu;
    m[(b + 0) * 8 + b + 1] = uv;
    m[(b + 0) * 8 + b + 2] = us;
    m[(b + 1) * 8 + b + 1] = vv;
    m[(b + 1) * 8 + b + 2] = vs;
    m[(b + 2) * 8 + b + 2] = ones;
  }
  for (size_t j = 0; j < 8; ++j)
    for (size_t k = 0; k < j; ++k) m[j * 8 + k] = m[k * 8 + j];
  if (!SolveLinear<8>(m, r)) return false;
  // Undo the normalisations: H = T^-1 N S, S = [s 0 -s mu; 0 s -s mv; 0 0 1],
  // T^-1 = [1/t 0 mx; 0 1/t my; 0 0 1].
  const long double s = fromScale, t = toScale;
  const long double su = -fromMean.X * s, sv = -fromMean.Y * s;
  const long double r00 = r[0] * s, r01 = r[1] * s, r02 = r[0] * su + r[1] * sv + r[2];
  const long double r10 = r[3] * s, r11 = r[4] * s, r12 = r[3] * su + r[4] * sv + r[5];
  const long double r20 = r[6] * s, r21 = r[7] * s, r22 = r[6] * su + r[7] * sv + 1;
  const std::array<long double, 9> h = {r00 / t + toMean.X * r20,
                                        r01 / t + toMean.X * r21,
                                        r02 / t + toMean.X * r22,
                                        r10 / t + toMean.Y * r20,
                                        r11 / t + toMean.Y * r21,
                                        r12 / t + toMean.Y * r22,
                                        r20,
                                        r21,
                                        r22};
  if (!(std::fabs(h[8]) > 1e-18L)) return false;
  std::array<long double, 8> result{};
  for (size_t i = 0; i < 8; ++i) {
    result[i] = h[i] / h[8];
    if (!std::isfinite(result[i])) return false;
  }
  for (const TPointReal& p : from)
    if (result[6] * p.X + result[7] * p.Y + 1 <= 1e-9L) return false;
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
  return (Distance(b, a) + Distance(c, a)) / 2;
}

}  // namespace vornak
