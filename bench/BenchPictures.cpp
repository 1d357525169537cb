#include "bench/BenchPictures.h"

#include <qrcodegen/qrcodegen.hpp>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

#include "tests/support/Renderer.h"

namespace vornak::bench {

namespace {

// A text that fills nine tenths of a version at level M: dense, as typical
// symbols are, without being full.
bool Fits(const std::string& text, int32_t version) {
  try {
    const auto segments = qrcodegen::QrSegment::makeSegments(text.c_str());
    qrcodegen::QrCode::encodeSegments(segments, qrcodegen::QrCode::Ecc::MEDIUM, version, version,
                                      -1, false);
    return true;
  } catch (const qrcodegen::data_too_long&) {
    return false;
  }
}

std::string PayloadFor(int32_t version) {
  std::string text = "vornak-v" + std::to_string(version) + ":";
  std::string tail;
  for (char c = 'a'; Fits(text + tail + c, version); c = c == 'z' ? 'a' : static_cast<char>(c + 1))
    tail += c;
  return text + tail.substr(0, tail.size() * 9 / 10);
}

TPlaneBoolean Matrix(const std::string& text, int32_t version) {
  const auto segments = qrcodegen::QrSegment::makeSegments(text.c_str());
  const qrcodegen::QrCode code = qrcodegen::QrCode::encodeSegments(
      segments, qrcodegen::QrCode::Ecc::MEDIUM, version, version, -1, false);
  TPlaneBoolean matrix(code.getSize(), code.getSize(), 0);
  for (int y = 0; y < code.getSize(); ++y)
    for (int x = 0; x < code.getSize(); ++x) matrix(x, y) = code.getModule(x, y) ? 1 : 0;
  return matrix;
}

}  // namespace

TBenchPicture PhotoPicture(int32_t width, int32_t height, int32_t version, double moduleSize,
                           double rotationDegrees, uint32_t seed) {
  TBenchPicture picture;
  picture.Name =
      std::to_string(width) + "x" + std::to_string(height) + "-v" + std::to_string(version);
  picture.Expected = PayloadFor(version);
  test::TRenderOptions options;
  options.ModuleSize = moduleSize;
  options.RotationDegrees = rotationDegrees;
  options.Width = width;
  options.Height = height;
  options.OffsetX = width * 0.04;
  options.OffsetY = -height * 0.03;
  options.Supersample = 2;
  options.BlurSigma = moduleSize / 10.0;
  options.NoiseSigma = 5.0;
  options.Seed = seed;
  options.Lighting = 0.3;
  options.LightingAngleDegrees = 30.0;
  options.DarkColour = TBitmap::Rgb(40, 38, 45);
  options.LightColour = TBitmap::Rgb(232, 228, 215);
  picture.Bitmap = test::RenderBitmap(Matrix(picture.Expected, version), options);
  if (picture.Bitmap.Width() != width || picture.Bitmap.Height() != height)
    throw std::logic_error("rendered picture has the wrong size");
  return picture;
}

TBenchPicture BlankPicture(int32_t width, int32_t height) {
  TBenchPicture picture;
  picture.Name = "blank";
  picture.Bitmap = TBitmap(width, height, TBitmap::Rgb(200, 200, 200));
  return picture;
}

TBenchPicture TiledPicture(int32_t width, int32_t height) {
  TBenchPicture picture;
  picture.Name = "tiled";
  picture.Bitmap = TBitmap(width, height, 0xFFFFFF);
  const int32_t module = 2, pitch = 7 * module + 2;
  for (int32_t top = 1; top + 7 * module < height; top += pitch)
    for (int32_t left = 1; left + 7 * module < width; left += pitch)
      for (int32_t my = 0; my < 7; ++my)
        for (int32_t mx = 0; mx < 7; ++mx) {
          const bool dark = mx == 0 || my == 0 || mx == 6 || my == 6 ||
                            (mx >= 2 && mx <= 4 && my >= 2 && my <= 4);
          if (!dark) continue;
          for (int32_t j = 0; j < module; ++j)
            for (int32_t i = 0; i < module; ++i)
              picture.Bitmap.SetPixel(left + mx * module + i, top + my * module + j, 0);
        }
  return picture;
}

TBenchPicture TexturePicture(int32_t width, int32_t height, uint32_t seed) {
  TBenchPicture picture;
  picture.Name = "texture";
  std::mt19937 random(seed);
  // Value noise: random levels on a coarse lattice, interpolated smoothly,
  // at cells of 48, 12 and 4 pixels.
  std::vector<double> level(static_cast<size_t>(width) * static_cast<size_t>(height), 0.0);
  const int32_t cells[] = {48, 12, 4};
  const double weights[] = {0.35, 0.4, 0.25};
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (size_t octave = 0; octave < 3; ++octave) {
    const int32_t cell = cells[octave];
    const int32_t across = width / cell + 2, down = height / cell + 2;
    std::vector<double> lattice(static_cast<size_t>(across) * static_cast<size_t>(down));
    for (double& value : lattice) value = unit(random);
    const auto at = [&](int32_t i, int32_t j) {
      return lattice[static_cast<size_t>(j) * static_cast<size_t>(across) + static_cast<size_t>(i)];
    };
    for (int32_t y = 0; y < height; ++y) {
      const int32_t j = y / cell;
      double fy = static_cast<double>(y % cell) / cell;
      fy = fy * fy * (3 - 2 * fy);
      for (int32_t x = 0; x < width; ++x) {
        const int32_t i = x / cell;
        double fx = static_cast<double>(x % cell) / cell;
        fx = fx * fx * (3 - 2 * fx);
        const double top = at(i, j) + (at(i + 1, j) - at(i, j)) * fx;
        const double bottom = at(i, j + 1) + (at(i + 1, j + 1) - at(i, j + 1)) * fx;
        level[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] +=
            weights[octave] * (top + (bottom - top) * fy);
      }
    }
  }
  std::normal_distribution<double> grain(0.0, 8.0);
  picture.Bitmap = TBitmap(width, height, 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const double value =
          128.0 +
          170.0 *
              level[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] +
          grain(random);
      const auto grey = static_cast<uint32_t>(std::clamp(std::lround(value), 0L, 255L));
      picture.Bitmap.SetPixel(x, y, TBitmap::Rgb(grey, grey, grey));
    }
  return picture;
}

TBenchPicture NoisePicture(int32_t width, int32_t height, uint32_t seed) {
  TBenchPicture picture;
  picture.Name = std::to_string(width) + "x" + std::to_string(height) + "-noise";
  std::mt19937 random(seed);
  std::uniform_int_distribution<uint32_t> level(0, 255);
  picture.Bitmap = TBitmap(width, height, 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t grey = level(random);
      picture.Bitmap.SetPixel(x, y, TBitmap::Rgb(grey, grey, grey));
    }
  return picture;
}

TBenchPicture BlockNoisePicture(int32_t width, int32_t height, int32_t block, double dark,
                                uint32_t seed) {
  TBenchPicture picture;
  picture.Name = std::to_string(width) + "x" + std::to_string(height) + "-blocks";
  std::mt19937 random(seed);
  std::bernoulli_distribution black(dark);
  picture.Bitmap = TBitmap(width, height, 0xFFFFFF);
  for (int32_t y = 0; y < height; y += block)
    for (int32_t x = 0; x < width; x += block) {
      if (!black(random)) continue;
      for (int32_t j = y; j < std::min(height, y + block); ++j)
        for (int32_t i = x; i < std::min(width, x + block); ++i) picture.Bitmap.SetPixel(i, j, 0);
    }
  return picture;
}

TBenchPicture LargePhoto() { return PhotoPicture(4000, 3000, 14, 22.0, 4.0, 3); }

std::vector<TBenchPicture> StandardPictures() {
  std::vector<TBenchPicture> pictures;
  pictures.push_back(PhotoPicture(640, 480, 2, 8.0, 6.0, 1));
  pictures.push_back(PhotoPicture(1600, 1200, 7, 14.0, -9.0, 2));
  pictures.push_back(LargePhoto());
  pictures.push_back(BlankPicture(4000, 3000));
  pictures.push_back(TiledPicture(4000, 3000));
  pictures.push_back(TexturePicture(4000, 3000, 4));
  pictures.push_back(NoisePicture(64, 64, 5));
  pictures.push_back(BlockNoisePicture(256, 256, 2, 0.5, 7));
  pictures.push_back(BlockNoisePicture(400, 400, 3, 0.3, 8));
  return pictures;
}

}  // namespace vornak::bench
