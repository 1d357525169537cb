#include "tests/support/PhotoFinish.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>
#include <utility>

#include "tests/support/JpegDecoder.h"
#include "tests/support/JpegEncoder.h"

namespace vornak::test {

namespace {

// The scene pixels one picture pixel covers along one axis, with the share
// of each (the picture pixel [i, i + 1) covers scene [i * ratio, (i + 1) * ratio)).
struct TSpan {
  int32_t First = 0;
  std::vector<double> Weights;
};

std::vector<TSpan> Spans(int32_t from, int32_t to) {
  const double ratio = static_cast<double>(from) / to;
  std::vector<TSpan> spans(static_cast<size_t>(to));
  for (int32_t i = 0; i < to; ++i) {
    const double a = i * ratio, b = (i + 1) * ratio;
    TSpan& span = spans[static_cast<size_t>(i)];
    span.First = static_cast<int32_t>(std::floor(a));
    const int32_t last = std::min(from - 1, static_cast<int32_t>(std::ceil(b)) - 1);
    for (int32_t s = span.First; s <= last; ++s)
      span.Weights.push_back((std::min<double>(b, s + 1) - std::max<double>(a, s)) / ratio);
  }
  return spans;
}

}  // namespace

TLightRamp::TLightRamp(int32_t width, int32_t height, double fraction, double angleDegrees)
    : FFraction(fraction),
      FDx(std::cos(angleDegrees * std::numbers::pi / 180.0)),
      FDy(std::sin(angleDegrees * std::numbers::pi / 180.0)) {
  // Projection range of the picture's corners onto the lighting direction.
  for (const auto& [cx, cy] : std::array<std::pair<double, double>, 4>{
           {{0, 0}, {double(width), 0}, {0, double(height)}, {double(width), double(height)}}}) {
    FMin = std::min(FMin, cx * FDx + cy * FDy);
    FMax = std::max(FMax, cx * FDx + cy * FDy);
  }
}

double TLightRamp::At(double x, double y) const {
  if (FFraction == 0 || FMax <= FMin) return 1.0;
  return 1.0 - FFraction * (x * FDx + y * FDy - FMin) / (FMax - FMin);
}

void GaussianBlur(std::vector<double>& plane, int32_t width, int32_t height, double sigma) {
  if (sigma <= 0 || width <= 0 || height <= 0) return;
  const int32_t radius = static_cast<int32_t>(std::ceil(3.0 * sigma));
  std::vector<double> kernel(static_cast<size_t>(2 * radius + 1));
  double sum = 0;
  for (int32_t k = -radius; k <= radius; ++k) {
    kernel[static_cast<size_t>(k + radius)] = std::exp(-(k * k) / (2.0 * sigma * sigma));
    sum += kernel[static_cast<size_t>(k + radius)];
  }
  for (double& k : kernel) k /= sum;
  std::vector<double> tmp(plane.size());
  auto at = [&](const std::vector<double>& p, int32_t x, int32_t y) {
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    return p[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  };
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      double v = 0;
      for (int32_t k = -radius; k <= radius; ++k)
        v += kernel[static_cast<size_t>(k + radius)] * at(plane, x + k, y);
      tmp[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = v;
    }
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      double v = 0;
      for (int32_t k = -radius; k <= radius; ++k)
        v += kernel[static_cast<size_t>(k + radius)] * at(tmp, x, y + k);
      plane[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = v;
    }
}

double GlareAt(const TFinishOptions& options, double x, double y) {
  if (!(options.GlareLevels > 0 && options.GlareSigma > 0)) return 0;
  const double dx = x - options.GlareX, dy = y - options.GlareY;
  return options.GlareLevels *
         std::exp(-(dx * dx + dy * dy) / (2 * options.GlareSigma * options.GlareSigma));
}

TPhoto FinishPhoto(const TScene& scene, const TFinishOptions& options) {
  const int32_t width = options.Width, height = options.Height;
  if (width <= 0 || height <= 0 || scene.Width <= 0 || scene.Height <= 0)
    throw std::invalid_argument("FinishPhoto: empty scene or picture");
  const std::vector<TSpan> columns = Spans(scene.Width, width);
  const std::vector<TSpan> rows = Spans(scene.Height, height);
  const size_t area = static_cast<size_t>(width) * static_cast<size_t>(height);

  // Rows first: every scene row reduced to the picture's width.
  std::vector<double> narrow(static_cast<size_t>(scene.Height) * width * 3, 0.0);
  for (int32_t y = 0; y < scene.Height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const TSpan& span = columns[static_cast<size_t>(x)];
      double* out = &narrow[(static_cast<size_t>(y) * width + x) * 3];
      for (size_t k = 0; k < span.Weights.size(); ++k) {
        const float* in = scene.At(span.First + static_cast<int32_t>(k), y);
        for (int c = 0; c < 3; ++c) out[c] += span.Weights[k] * in[c];
      }
    }
  std::array<std::vector<double>, 3> planes;
  for (auto& plane : planes) plane.assign(area, 0.0);
  for (int32_t y = 0; y < height; ++y) {
    const TSpan& span = rows[static_cast<size_t>(y)];
    for (int32_t x = 0; x < width; ++x)
      for (size_t k = 0; k < span.Weights.size(); ++k) {
        const double* in =
            &narrow[(static_cast<size_t>(span.First + static_cast<int32_t>(k)) * width + x) * 3];
        for (int c = 0; c < 3; ++c)
          planes[c][static_cast<size_t>(y) * width + x] += span.Weights[k] * in[c];
      }
  }

  for (auto& plane : planes) GaussianBlur(plane, width, height, options.BlurSigma);

  const TLightRamp ramp(width, height, options.Lighting, options.LightingAngleDegrees);
  std::mt19937 random(options.Seed);
  std::normal_distribution<double> noise(0.0, options.NoiseSigma > 0 ? options.NoiseSigma : 1.0);
  TPhoto photo;
  photo.Bitmap = TBitmap(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const double light = ramp.At(x + 0.5, y + 0.5);
      const double glare = GlareAt(options, x + 0.5, y + 0.5);
      uint32_t colour = 0;
      for (int c = 0; c < 3; ++c) {
        double v = planes[c][static_cast<size_t>(y) * width + x] * light + glare;
        if (options.NoiseSigma > 0) v += noise(random);
        colour |= static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << (8 * c);
      }
      photo.Bitmap.SetPixel(x, y, colour);
    }
  if (options.JpegQuality > 0) {
    photo.Jpeg = EncodeJpeg(photo.Bitmap, options.JpegQuality);
    photo.Bitmap = DecodeJpeg(photo.Jpeg);
  }
  return photo;
}

}  // namespace vornak::test
