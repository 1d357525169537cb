#include "tests/support/LabelWarp.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace vornak::test {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

}  // namespace

TLabelWarp::TWave TLabelWarp::Wave(const TWrinkle& w, int32_t side) {
  return TWave{2 * std::numbers::pi / (w.Wavelength * side),
               std::cos(w.AngleDegrees * kDegree),
               std::sin(w.AngleDegrees * kDegree),
               std::cos(w.ShiftDegrees * kDegree),
               std::sin(w.ShiftDegrees * kDegree),
               w.Amplitude,
               w.Phase,
               w.Shading};
}

TLabelWarp::TLabelWarp(int32_t side, const TWarpOptions& options)
    : FSide(side), FOptions(options), FHalfLabel(side / 2.0 + options.QuietZone) {
  if (side <= 0) throw std::invalid_argument("TLabelWarp: empty symbol");
  double steepness = 0;
  for (const TWrinkle& w : options.Wrinkles) {
    if (w.Wavelength <= 0) throw std::invalid_argument("TLabelWarp: wavelength must be positive");
    steepness += std::abs(w.Amplitude) * 2 * std::numbers::pi / (w.Wavelength * side);
    FWaves.push_back(Wave(w, side));
  }
  // Beyond this the label would fold over itself and no longer be a map.
  if (steepness >= 0.9) throw std::invalid_argument("TLabelWarp: wrinkles too steep");
  if (options.Surface == TSurface::Cylinder) {
    if (options.SpanDegrees <= 0 || options.SpanDegrees > 180)
      throw std::invalid_argument("TLabelWarp: cylinder span out of range");
    FRadius = side / (options.SpanDegrees * kDegree);
  }
  FDistance = options.Distance * side;
  if (options.Distance < 0) throw std::invalid_argument("TLabelWarp: negative distance");
  const double c = options.CreaseDegrees * kDegree;
  FCreaseAlong = TPointF{std::cos(c), std::sin(c)};
  FCreaseNormal = TPointF{-std::sin(c), std::cos(c)};
  FFoldCos = std::cos(options.FoldDegrees * kDegree);
  FFoldSin = std::sin(options.FoldDegrees * kDegree);

  // Roll * pitch * yaw.
  const double cy = std::cos(options.YawDegrees * kDegree);
  const double sy = std::sin(options.YawDegrees * kDegree);
  const double cp = std::cos(options.PitchDegrees * kDegree);
  const double sp = std::sin(options.PitchDegrees * kDegree);
  const double cr = std::cos(options.RollDegrees * kDegree);
  const double sr = std::sin(options.RollDegrees * kDegree);
  const std::array<double, 9> yaw = {cy, 0, sy, 0, 1, 0, -sy, 0, cy};
  const std::array<double, 9> pitch = {1, 0, 0, 0, cp, -sp, 0, sp, cp};
  const std::array<double, 9> roll = {cr, -sr, 0, sr, cr, 0, 0, 0, 1};
  auto product = [](const std::array<double, 9>& a, const std::array<double, 9>& b) {
    std::array<double, 9> r{};
    for (size_t i = 0; i < 3; ++i)
      for (size_t j = 0; j < 3; ++j)
        for (size_t k = 0; k < 3; ++k) r[i * 3 + j] += a[i * 3 + k] * b[k * 3 + j];
    return r;
  };
  FRotation = product(roll, product(pitch, yaw));

  const double az = options.LightAzimuthDegrees * kDegree;
  const double el = options.LightElevationDegrees * kDegree;
  FLight = TVector{std::cos(el) * std::cos(az), std::cos(el) * std::sin(az), std::sin(el)};
}

TPointF TLabelWarp::Wrinkled(double u, double v) const {
  TPointF w{u, v};
  for (const TWave& a : FWaves) {
    const double s = a.Amplitude * std::sin(a.K * (a.RunX * u + a.RunY * v) + a.Phase);
    w.X += s * a.ShiftX;
    w.Y += s * a.ShiftY;
  }
  return w;
}

TPointF TLabelWarp::Unwrinkled(double wu, double wv) const {
  if (FWaves.empty()) return TPointF{wu, wv};
  // Newton's method on p + D(p) = w; the steepness bound keeps I + D'
  // invertible and the start close.
  double u = wu, v = wv;
  for (int iteration = 0; iteration < 30; ++iteration) {
    double fx = u - wu, fy = v - wv;
    double j00 = 1, j01 = 0, j10 = 0, j11 = 1;
    for (const TWave& a : FWaves) {
      const double phase = a.K * (a.RunX * u + a.RunY * v) + a.Phase;
      const double s = a.Amplitude * std::sin(phase);
      const double d = a.Amplitude * a.K * std::cos(phase);
      fx += s * a.ShiftX;
      fy += s * a.ShiftY;
      j00 += d * a.ShiftX * a.RunX;
      j01 += d * a.ShiftX * a.RunY;
      j10 += d * a.ShiftY * a.RunX;
      j11 += d * a.ShiftY * a.RunY;
    }
    const double det = j00 * j11 - j01 * j10;
    const double du = (j11 * fx - j01 * fy) / det;
    const double dv = (j00 * fy - j10 * fx) / det;
    u -= du;
    v -= dv;
    if (std::abs(du) + std::abs(dv) < 1e-12) break;
  }
  return TPointF{u, v};
}

TLabelWarp::TVector TLabelWarp::OnSurface(double wu, double wv) const {
  switch (FOptions.Surface) {
    case TSurface::Cylinder:
      return TVector{FRadius * std::sin(wu / FRadius), wv,
                     FRadius * std::cos(wu / FRadius) - FRadius};
    case TSurface::Crease: {
      const double d = FCreaseNormal.X * wu + FCreaseNormal.Y * wv - FOptions.CreaseOffset;
      if (d <= 0) return TVector{wu, wv, 0};
      return TVector{wu + d * (FFoldCos - 1) * FCreaseNormal.X,
                     wv + d * (FFoldCos - 1) * FCreaseNormal.Y, d * FFoldSin};
    }
    case TSurface::Flat:
      break;
  }
  return TVector{wu, wv, 0};
}

TLabelWarp::TVector TLabelWarp::Normal(double wu, double wv) const {
  switch (FOptions.Surface) {
    case TSurface::Cylinder:
      return TVector{std::sin(wu / FRadius), 0, std::cos(wu / FRadius)};
    case TSurface::Crease:
      if (FCreaseNormal.X * wu + FCreaseNormal.Y * wv - FOptions.CreaseOffset > 0)
        return TVector{-FFoldSin * FCreaseNormal.X, -FFoldSin * FCreaseNormal.Y, FFoldCos};
      break;
    case TSurface::Flat:
      break;
  }
  return TVector{0, 0, 1};
}

TLabelWarp::TVector TLabelWarp::ToCamera(const TVector& p) const {
  const auto& m = FRotation;
  return TVector{m[0] * p.X + m[1] * p.Y + m[2] * p.Z, m[3] * p.X + m[4] * p.Y + m[5] * p.Z,
                 m[6] * p.X + m[7] * p.Y + m[8] * p.Z};
}

TLabelWarp::TVector TLabelWarp::ToLabel(const TVector& p) const {
  const auto& m = FRotation;
  return TVector{m[0] * p.X + m[3] * p.Y + m[6] * p.Z, m[1] * p.X + m[4] * p.Y + m[7] * p.Z,
                 m[2] * p.X + m[5] * p.Y + m[8] * p.Z};
}

bool TLabelWarp::Cross(const TVector& o, const TVector& d, double& wu, double& wv) const {
  // A far camera sees along parallel lines, so any crossing counts; a near
  // one only ahead of it.
  const double nearest = FDistance > 0 ? 0.0 : -std::numeric_limits<double>::infinity();
  double best = std::numeric_limits<double>::infinity();
  auto at = [&](double t) { return TVector{o.X + t * d.X, o.Y + t * d.Y, o.Z + t * d.Z}; };

  if (FOptions.Surface == TSurface::Cylinder) {
    const double r = FRadius;
    const double a = d.X * d.X + d.Z * d.Z;
    if (a < 1e-15) return false;
    const double b = 2 * (o.X * d.X + (o.Z + r) * d.Z);
    const double c = o.X * o.X + (o.Z + r) * (o.Z + r) - r * r;
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return false;
    for (const double t : {(-b - std::sqrt(disc)) / (2 * a), (-b + std::sqrt(disc)) / (2 * a)}) {
      if (t <= nearest) continue;
      const TVector p = at(t);
      wu = r * std::atan2(p.X, p.Z + r);
      wv = p.Y;
      return true;
    }
    return false;
  }

  // The label's plane (all of a flat label, the near half of a crease).
  bool found = false;
  if (d.Z != 0) {
    const double t = -o.Z / d.Z;
    const TVector p = at(t);
    const bool nearHalf =
        FOptions.Surface != TSurface::Crease ||
        FCreaseNormal.X * p.X + FCreaseNormal.Y * p.Y - FOptions.CreaseOffset <= 0;
    if (t > nearest && nearHalf) {
      best = t;
      wu = p.X;
      wv = p.Y;
      found = true;
    }
  }
  if (FOptions.Surface == TSurface::Crease) {
    // The turned half: the plane through the fold line with the turned normal.
    const TVector n{-FFoldSin * FCreaseNormal.X, -FFoldSin * FCreaseNormal.Y, FFoldCos};
    const TVector line{FOptions.CreaseOffset * FCreaseNormal.X,
                       FOptions.CreaseOffset * FCreaseNormal.Y, 0};
    const double facing = n.X * d.X + n.Y * d.Y + n.Z * d.Z;
    if (facing != 0) {
      const double t =
          (n.X * (line.X - o.X) + n.Y * (line.Y - o.Y) + n.Z * (line.Z - o.Z)) / facing;
      const TVector p = at(t);
      // Distance from the fold line within the turned half.
      const double across = (p.X - line.X) * FFoldCos * FCreaseNormal.X +
                            (p.Y - line.Y) * FFoldCos * FCreaseNormal.Y + p.Z * FFoldSin;
      if (t > nearest && t < best && across > 0) {
        const double along = FCreaseAlong.X * p.X + FCreaseAlong.Y * p.Y;
        wu = along * FCreaseAlong.X + (FOptions.CreaseOffset + across) * FCreaseNormal.X;
        wv = along * FCreaseAlong.Y + (FOptions.CreaseOffset + across) * FCreaseNormal.Y;
        found = true;
      }
    }
  }
  return found;
}

TPointF TLabelWarp::ToView(double mx, double my) const {
  const TPointF w = Wrinkled(mx - FSide / 2.0, my - FSide / 2.0);
  const TVector c = ToCamera(OnSurface(w.X, w.Y));
  if (FDistance <= 0) return TPointF{c.X, c.Y};
  const double f = FDistance / (FDistance - c.Z);
  return TPointF{c.X * f, c.Y * f};
}

void TLabelWarp::Shade(const TVector& normal, const TVector& surface, TWarpHit& hit) const {
  const TVector n = ToCamera(normal);
  const TVector& l = FLight;
  const double nl = n.X * l.X + n.Y * l.Y + n.Z * l.Z;
  const double ambient = FOptions.Ambient;
  if (ambient < 1) {
    const double front = ambient + (1 - ambient) * std::max(0.0, l.Z);
    hit.Light = (ambient + (1 - ambient) * std::max(0.0, nl)) / front;
  }
  if (FOptions.Gloss > 0 && nl > 0) {
    TVector view{0, 0, 1};
    if (FDistance > 0) {
      const TVector p = ToCamera(surface);
      view = TVector{-p.X, -p.Y, FDistance - p.Z};
      const double length = std::sqrt(view.X * view.X + view.Y * view.Y + view.Z * view.Z);
      view = TVector{view.X / length, view.Y / length, view.Z / length};
    }
    const TVector r{2 * nl * n.X - l.X, 2 * nl * n.Y - l.Y, 2 * nl * n.Z - l.Z};
    const double rv = r.X * view.X + r.Y * view.Y + r.Z * view.Z;
    if (rv > 0) hit.Glare = FOptions.Gloss * std::pow(rv, FOptions.Shininess);
  }
}

TWarpHit TLabelWarp::AtView(double x, double y) const {
  TVector origin{x, y, 0}, direction{0, 0, -1};
  if (FDistance > 0) {
    origin = TVector{0, 0, FDistance};
    direction = TVector{x, y, -FDistance};
  }
  TWarpHit hit;
  double wu = 0, wv = 0;
  if (!Cross(ToLabel(origin), ToLabel(direction), wu, wv)) return hit;
  hit.Surface = true;
  const TPointF p = Unwrinkled(wu, wv);
  hit.Mx = p.X + FSide / 2.0;
  hit.My = p.Y + FSide / 2.0;
  hit.Label = std::abs(p.X) <= FHalfLabel && std::abs(p.Y) <= FHalfLabel;
  Shade(Normal(wu, wv), OnSurface(wu, wv), hit);
  for (const TWave& a : FWaves) {
    hit.Light *= 1 + a.Shading * std::cos(a.K * (a.RunX * p.X + a.RunY * p.Y) + a.Phase);
  }
  return hit;
}

bool TLabelWarp::Visible(double mx, double my) const {
  const TPointF v = ToView(mx, my);
  const TWarpHit hit = AtView(v.X, v.Y);
  return hit.Label && std::abs(hit.Mx - mx) < 1e-6 * FSide && std::abs(hit.My - my) < 1e-6 * FSide;
}

}  // namespace vornak::test
