#include "tests/support/BentLabel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace vornak::test {

namespace {

// A repeatable value in -1..1 for a lattice point and a seed.
double LatticeValue(int64_t x, int64_t y, uint32_t seed) {
  uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
               static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^ seed * 0x165667B19E3779F9ull;
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 29;
  return static_cast<double>(h >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
}

// Smooth noise of lattice spacing 1: the lattice values blended smoothly.
double ValueNoise(double x, double y, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const auto ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
  const double tx = x - fx, ty = y - fy;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const double top = LatticeValue(ix, iy, seed) * (1 - sx) + LatticeValue(ix + 1, iy, seed) * sx;
  const double bottom =
      LatticeValue(ix, iy + 1, seed) * (1 - sx) + LatticeValue(ix + 1, iy + 1, seed) * sx;
  return top * (1 - sy) + bottom * sy;
}

double Channel(uint32_t colour, int channel) {
  return static_cast<double>((colour >> (8 * channel)) & 0xFF);
}

}  // namespace

TBentLabel::TBentLabel(int32_t side, const TBentLabelOptions& options)
    : FOptions(options), FWarp(side, options.Warp) {
  if (options.ModulePixels <= 0) throw std::invalid_argument("TBentLabel: no module size");
  // The label's picture: every point of it in sight, half a module apart.
  double minX = std::numeric_limits<double>::infinity(), maxX = -minX;
  double minY = minX, maxY = -minX;
  const double low = -options.Warp.QuietZone, high = side + options.Warp.QuietZone;
  const auto steps = static_cast<int32_t>(std::lround((high - low) * 2));
  for (int32_t j = 0; j <= steps; ++j)
    for (int32_t i = 0; i <= steps; ++i) {
      const double mx = low + i / 2.0, my = low + j / 2.0;
      if (!FWarp.Visible(mx, my)) continue;
      const TPointF p = FWarp.ToView(mx, my);
      minX = std::min(minX, p.X);
      maxX = std::max(maxX, p.X);
      minY = std::min(minY, p.Y);
      maxY = std::max(maxY, p.Y);
    }
  if (!(minX < maxX && minY < maxY)) throw std::invalid_argument("TBentLabel: label out of sight");
  const double m = options.ModulePixels;
  const int32_t width = options.Finish.Width, height = options.Finish.Height;
  if (width <= 0 || height <= 0) throw std::invalid_argument("TBentLabel: empty photograph");
  const double ratio = std::max({(maxX - minX + 2 * options.Margin) * m / width,
                                 (maxY - minY + 2 * options.Margin) * m / height, 1.0});
  FSceneWidth = static_cast<int32_t>(std::lround(width * ratio));
  FSceneHeight = static_cast<int32_t>(std::lround(height * ratio));
  FCentreX = FSceneWidth / 2.0 - (minX + maxX) / 2.0 * m;
  FCentreY = FSceneHeight / 2.0 - (minY + maxY) / 2.0 * m;
}

TPointF TBentLabel::ModuleToPixel(double mx, double my) const {
  const TPointF v = FWarp.ToView(mx, my);
  const double m = FOptions.ModulePixels;
  return TPointF{(FCentreX + v.X * m) * FOptions.Finish.Width / FSceneWidth,
                 (FCentreY + v.Y * m) * FOptions.Finish.Height / FSceneHeight};
}

double TBentLabel::Blotches(double x, double y) const {
  if (FOptions.Texture == 0) return 1.0;
  const uint32_t seed = FOptions.Finish.Seed;
  return 1.0 + FOptions.Texture * (0.65 * ValueNoise(x / 4.0, y / 4.0, seed) +
                                   0.35 * ValueNoise(x / 1.3, y / 1.3, seed + 1));
}

TScene TBentLabel::Scene(const TPlaneBoolean& modules) const {
  if (modules.Width() != FWarp.Side() || modules.Height() != FWarp.Side())
    throw std::invalid_argument("TBentLabel: matrix of another side");
  TScene scene(FSceneWidth, FSceneHeight);
  const int32_t ss = std::max(1, FOptions.Supersample);
  const double m = FOptions.ModulePixels;
  for (int32_t y = 0; y < FSceneHeight; ++y)
    for (int32_t x = 0; x < FSceneWidth; ++x) {
      double sum[3] = {0, 0, 0};
      for (int32_t j = 0; j < ss; ++j)
        for (int32_t i = 0; i < ss; ++i) {
          const double vx = (x + (i + 0.5) / ss - FCentreX) / m;
          const double vy = (y + (j + 0.5) / ss - FCentreY) / m;
          const TWarpHit hit = FWarp.AtView(vx, vy);
          uint32_t colour = FOptions.Background;
          double light = Blotches(vx, vy);
          if (hit.Label) {
            const auto mx = static_cast<int32_t>(std::floor(hit.Mx));
            const auto my = static_cast<int32_t>(std::floor(hit.My));
            colour = modules.At(mx, my, 0) != 0 ? FOptions.Ink : FOptions.Paper;
            light = hit.Light;
          } else if (hit.Surface) {
            colour = FOptions.Surface;
            light = hit.Light * Blotches(hit.Mx, hit.My);
          }
          for (int c = 0; c < 3; ++c) sum[c] += Channel(colour, c) * light + 255.0 * hit.Glare;
        }
      float* out = scene.At(x, y);
      for (int c = 0; c < 3; ++c) out[c] = static_cast<float>(sum[c] / (ss * ss));
    }
  return scene;
}

TPhoto TBentLabel::Render(const TPlaneBoolean& modules) const {
  return FinishPhoto(Scene(modules), FOptions.Finish);
}

}  // namespace vornak::test
