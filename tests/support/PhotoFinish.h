#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace vornak::test {

// What a camera sees before its sensor: light levels per channel (0..255
// nominal; bright sub-pixels and highlights may go above), finer than the
// picture that will be made of it.
struct TScene {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<float> Values;  // (y * Width + x) * 3 + channel (red, green, blue)

  TScene() = default;
  TScene(int32_t width, int32_t height)
      : Width(width), Height(height), Values(static_cast<size_t>(width) * height * 3, 0.0f) {}
  float* At(int32_t x, int32_t y) {
    return Values.data() + (static_cast<size_t>(y) * static_cast<size_t>(Width) + x) * 3;
  }
  const float* At(int32_t x, int32_t y) const {
    return Values.data() + (static_cast<size_t>(y) * static_cast<size_t>(Width) + x) * 3;
  }
};

// How the scene becomes the photograph, in this order: box (area) reduction
// to Width x Height, Gaussian blur, uneven light, glare, noise, rounding to
// levels, and a JPEG round trip.
struct TFinishOptions {
  int32_t Width = 240;
  int32_t Height = 240;
  double BlurSigma = 0.0;   // picture pixels
  double NoiseSigma = 0.0;  // levels per channel
  // Brightness falls off linearly by this fraction across the picture,
  // towards LightingAngleDegrees (0 = towards the right).
  double Lighting = 0.0;
  double LightingAngleDegrees = 0.0;
  // Glare: light added round a spot (picture pixels), GlareLevels at its
  // centre falling off as a Gaussian of GlareSigma, clipped at white.
  double GlareX = 0.0;
  double GlareY = 0.0;
  double GlareSigma = 0.0;
  double GlareLevels = 0.0;
  int32_t JpegQuality = 0;  // 1..100; 0 leaves the picture uncompressed
  uint32_t Seed = 1;        // noise seed
};

// The picture that was decoded, and the file bytes it came from when it was
// compressed (so that a benchmark can write exactly what it measured).
struct TPhoto {
  TBitmap Bitmap;
  std::vector<uint8_t> Jpeg;
};

TPhoto FinishPhoto(const TScene& scene, const TFinishOptions& options);

// The levels options' glare adds at picture point (x, y), before clipping.
double GlareAt(const TFinishOptions& options, double x, double y);

// Light falling off linearly by fraction across a width x height picture,
// towards angleDegrees: 1 at the brightest corner, 1 - fraction at the
// darkest.
class TLightRamp {
 public:
  TLightRamp(int32_t width, int32_t height, double fraction, double angleDegrees);
  double At(double x, double y) const;

 private:
  double FFraction, FDx, FDy, FMin = 0, FMax = 0;
};

// Separable Gaussian blur of one plane of values, edges repeated.
void GaussianBlur(std::vector<double>& plane, int32_t width, int32_t height, double sigma);

}  // namespace vornak::test
