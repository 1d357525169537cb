#include "tests/support/Renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "tests/support/PhotoFinish.h"

namespace vornak::test {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Projective map from the unit square (s, t) to a quadrilateral, and back.
struct THomography {
  std::array<double, 9> M{};  // row-major 3x3, maps (s, t, 1)

  static THomography FromSquare(const std::array<TPointF, 4>& q) {
    // Corners (0,0), (1,0), (1,1), (0,1) to q[0], q[1], q[2], q[3].
    const double sx = q[0].X - q[1].X + q[2].X - q[3].X;
    const double sy = q[0].Y - q[1].Y + q[2].Y - q[3].Y;
    const double dx1 = q[1].X - q[2].X, dx2 = q[3].X - q[2].X;
    const double dy1 = q[1].Y - q[2].Y, dy2 = q[3].Y - q[2].Y;
    double g = 0, h = 0;
    const double den = dx1 * dy2 - dx2 * dy1;
    if (den != 0) {
      g = (sx * dy2 - dx2 * sy) / den;
      h = (dx1 * sy - sx * dy1) / den;
    }
    THomography r;
    r.M = {q[1].X - q[0].X + g * q[1].X,
           q[3].X - q[0].X + h * q[3].X,
           q[0].X,
           q[1].Y - q[0].Y + g * q[1].Y,
           q[3].Y - q[0].Y + h * q[3].Y,
           q[0].Y,
           g,
           h,
           1.0};
    return r;
  }

  TPointF Apply(double s, double t) const {
    const double w = M[6] * s + M[7] * t + M[8];
    return TPointF{(M[0] * s + M[1] * t + M[2]) / w, (M[3] * s + M[4] * t + M[5]) / w};
  }

  THomography Inverse() const {
    const auto& a = M;
    THomography r;
    r.M = {a[4] * a[8] - a[5] * a[7], a[2] * a[7] - a[1] * a[8], a[1] * a[5] - a[2] * a[4],
           a[5] * a[6] - a[3] * a[8], a[0] * a[8] - a[2] * a[6], a[2] * a[3] - a[0] * a[5],
           a[3] * a[7] - a[4] * a[6], a[1] * a[6] - a[0] * a[7], a[0] * a[4] - a[1] * a[3]};
    return r;
  }
};

// Forward and inverse placement of module space in the picture.
class TPlacement {
 public:
  TPlacement(int32_t side, const TRenderOptions& o) : FSide(side), FOptions(o) {
    const double n = side;
    if (o.UseCorners) {
      FForward = THomography::FromSquare(o.Corners);
      FInverse = FForward.Inverse();
      double maxX = 0, maxY = 0;
      for (const TPointF& c : o.Corners) {
        maxX = std::max(maxX, c.X);
        maxY = std::max(maxY, c.Y);
      }
      const double margin = o.QuietZone * std::max(o.ModuleSize, 1.0);
      FWidth = o.Width > 0 ? o.Width : static_cast<int32_t>(std::ceil(maxX + margin));
      FHeight = o.Height > 0 ? o.Height : static_cast<int32_t>(std::ceil(maxY + margin));
    } else {
      FCos = std::cos(o.RotationDegrees * kDegree);
      FSin = std::sin(o.RotationDegrees * kDegree);
      const double half = (n / 2.0 + o.QuietZone) * o.ModuleSize;
      const double extent = 2.0 * half * (std::abs(FCos) + std::abs(FSin));
      const int32_t autoSide = static_cast<int32_t>(std::ceil(extent - 1e-9));
      FWidth = o.Width > 0 ? o.Width : autoSide;
      FHeight = o.Height > 0 ? o.Height : autoSide;
      FCentreX = FWidth / 2.0 + o.OffsetX;
      FCentreY = FHeight / 2.0 + o.OffsetY;
    }
  }

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }

  TPointF ToPixel(double mx, double my) const {
    const double n = FSide;
    if (FOptions.Mirror) mx = n - mx;
    if (FOptions.UseCorners) return FForward.Apply(mx / n, my / n);
    const double lx = (mx - n / 2.0) * FOptions.ModuleSize;
    const double ly = (my - n / 2.0) * FOptions.ModuleSize;
    return TPointF{lx * FCos - ly * FSin + FCentreX, lx * FSin + ly * FCos + FCentreY};
  }

  TPointF ToModule(double px, double py) const {
    const double n = FSide;
    TPointF m;
    if (FOptions.UseCorners) {
      const TPointF st = FInverse.Apply(px, py);
      m = TPointF{st.X * n, st.Y * n};
    } else {
      const double dx = px - FCentreX;
      const double dy = py - FCentreY;
      const double lx = dx * FCos + dy * FSin;
      const double ly = -dx * FSin + dy * FCos;
      m = TPointF{lx / FOptions.ModuleSize + n / 2.0, ly / FOptions.ModuleSize + n / 2.0};
    }
    if (FOptions.Mirror) m.X = n - m.X;
    return m;
  }

 private:
  int32_t FSide;
  const TRenderOptions& FOptions;
  THomography FForward, FInverse;
  double FCos = 1, FSin = 0, FCentreX = 0, FCentreY = 0;
  int32_t FWidth = 0, FHeight = 0;
};

bool DarkModule(const TPlaneBoolean& modules, TPointF m) {
  if (!std::isfinite(m.X) || !std::isfinite(m.Y)) return false;
  const double fx = std::floor(m.X), fy = std::floor(m.Y);
  if (fx < 0 || fy < 0 || fx >= modules.Width() || fy >= modules.Height()) return false;
  return modules(static_cast<int32_t>(fx), static_cast<int32_t>(fy)) != 0;
}

double Channel(uint32_t colour, int shift) { return static_cast<double>((colour >> shift) & 0xFF); }

double Luminance(double r, double g, double b) { return 0.299 * r + 0.587 * g + 0.114 * b; }

}  // namespace

void PictureSize(int32_t side, const TRenderOptions& options, int32_t& width, int32_t& height) {
  const TPlacement placement(side, options);
  width = placement.Width();
  height = placement.Height();
}

TPointF ModuleToPixel(int32_t side, const TRenderOptions& options, double mx, double my) {
  return TPlacement(side, options).ToPixel(mx, my);
}

TPoint ModuleCentrePixel(int32_t side, const TRenderOptions& options, int32_t mx, int32_t my) {
  const TPointF p = ModuleToPixel(side, options, mx + 0.5, my + 0.5);
  return TPoint{static_cast<int32_t>(std::floor(p.X)), static_cast<int32_t>(std::floor(p.Y))};
}

TBitmap RenderBitmap(const TPlaneBoolean& modules, const TRenderOptions& options) {
  const int32_t side = modules.Width();
  const TPlacement placement(side, options);
  const int32_t width = placement.Width();
  const int32_t height = placement.Height();
  TBitmap bitmap(width, height, options.LightColour);
  if (width <= 0 || height <= 0) return bitmap;

  // Dark coverage per pixel.
  const int32_t ss = std::max(options.Supersample, 1);
  std::vector<double> coverage(static_cast<size_t>(width) * static_cast<size_t>(height), 0.0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      int32_t dark = 0;
      for (int32_t j = 0; j < ss; ++j)
        for (int32_t i = 0; i < ss; ++i) {
          const TPointF m = placement.ToModule(x + (i + 0.5) / ss, y + (j + 0.5) / ss);
          if (DarkModule(modules, m)) ++dark;
        }
      coverage[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          static_cast<double>(dark) / (ss * ss);
    }
  GaussianBlur(coverage, width, height, options.BlurSigma);

  std::mt19937 random(options.Seed);
  std::normal_distribution<double> noise(0.0, options.NoiseSigma > 0 ? options.NoiseSigma : 1.0);
  const TLightRamp ramp(width, height, options.Lighting, options.LightingAngleDegrees);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const double c =
          coverage[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      const double light = ramp.At(x + 0.5, y + 0.5);
      uint32_t colour = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        double v = (Channel(options.LightColour, shift) * (1.0 - c) +
                    Channel(options.DarkColour, shift) * c) *
                   light;
        if (options.NoiseSigma > 0) v += noise(random);
        const auto level = static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L));
        colour |= level << shift;
      }
      bitmap.SetPixel(x, y, colour);
    }
  return bitmap;
}

TPlaneBoolean ThresholdBitmap(const TBitmap& bitmap, int32_t threshold) {
  TPlaneBoolean plane(bitmap.Width(), bitmap.Height(), 0);
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const uint32_t c = bitmap.Pixel(x, y);
      plane(x, y) = Luminance(Channel(c, 0), Channel(c, 8), Channel(c, 16)) < threshold ? 1 : 0;
    }
  return plane;
}

TPlaneBoolean RenderPlane(const TPlaneBoolean& modules, const TRenderOptions& options) {
  const TBitmap bitmap = RenderBitmap(modules, options);
  const double dark = Luminance(Channel(options.DarkColour, 0), Channel(options.DarkColour, 8),
                                Channel(options.DarkColour, 16));
  const double light = Luminance(Channel(options.LightColour, 0), Channel(options.LightColour, 8),
                                 Channel(options.LightColour, 16));
  // Halfway, rounded up so that exactly half coverage stays light.
  return ThresholdBitmap(bitmap, static_cast<int32_t>(std::ceil((dark + light) / 2.0)));
}

TRenderOptions SmallInLargePhoto(double module, int32_t width, double blur) {
  TRenderOptions o;
  o.ModuleSize = module;
  o.Width = width;
  o.Height = width * 3 / 4;
  o.OffsetX = width * 0.2;
  o.OffsetY = -width * 0.1;
  o.RotationDegrees = 17;
  o.BlurSigma = blur;
  o.NoiseSigma = 4;
  o.Supersample = 2;
  return o;
}

}  // namespace vornak::test
