#pragma once

#include <array>
#include <cstdint>

#include "common/Types.h"

namespace vornak::test {

struct TPointF {
  double X = 0;
  double Y = 0;
};

// How a module matrix (x = module column, y = module row, non-zero = dark) is
// turned into a picture. Pixel (px, py) covers [px, px+1) x [py, py+1); module
// (mx, my) covers [mx, mx+1) x [my, my+1) in module space, so the centre of
// module (3, 3) is module point (3.5, 3.5).
struct TRenderOptions {
  double ModuleSize = 4.0;  // pixels per module, fractional allowed
  int32_t QuietZone = 4;    // light modules round the symbol
  // Clockwise on screen, about the symbol's centre.
  double RotationDegrees = 0.0;
  // Left-right mirror image of the symbol (module column x drawn at N-1-x).
  bool Mirror = false;
  // Perspective placement: when set, the outer corners of the module area
  // (top-left, top-right, bottom-right, bottom-left of modules 0..N) go to
  // these pixel positions and ModuleSize, rotation and offset are ignored.
  bool UseCorners = false;
  std::array<TPointF, 4> Corners{};
  // Picture size; 0 = just large enough for the symbol with its quiet zone.
  int32_t Width = 0;
  int32_t Height = 0;
  // Shift of the symbol's centre from the picture's centre, in pixels.
  double OffsetX = 0.0;
  double OffsetY = 0.0;
  // Samples per pixel along each axis (anti-aliasing); at least 1.
  int32_t Supersample = 4;
  double BlurSigma = 0.0;   // Gaussian blur, pixels
  double NoiseSigma = 0.0;  // Gaussian noise per channel, grey levels
  uint32_t Seed = 1;        // noise seed
  // Uneven lighting: brightness falls off linearly by this fraction (0..1)
  // across the picture, towards LightingAngleDegrees (0 = towards the right).
  double Lighting = 0.0;
  double LightingAngleDegrees = 0.0;
  uint32_t DarkColour = 0x000000;  // red bits 0-7, green 8-15, blue 16-23
  uint32_t LightColour = 0xFFFFFF;
};

// A small symbol in a large photograph: module pixels a module, turned 17
// degrees, off the middle of a 4:3 picture width pixels wide, blurred by
// blur pixels, with noise.
TRenderOptions SmallInLargePhoto(double module, int32_t width, double blur);

// Colour picture of the symbol.
TBitmap RenderBitmap(const TPlaneBoolean& modules, const TRenderOptions& options);
// Two-level picture (non-zero = dark): the colour picture thresholded halfway
// between the dark and the light colour's luminance.
TPlaneBoolean RenderPlane(const TPlaneBoolean& modules, const TRenderOptions& options);
// Luminance below threshold (0..255) becomes dark.
TPlaneBoolean ThresholdBitmap(const TBitmap& bitmap, int32_t threshold);

// Where a module-space point lands in the picture (continuous pixel
// coordinates; the pixel index is the floor). side = matrix side N.
TPointF ModuleToPixel(int32_t side, const TRenderOptions& options, double mx, double my);
// Pixel index nearest to the centre of module (mx, my).
TPoint ModuleCentrePixel(int32_t side, const TRenderOptions& options, int32_t mx, int32_t my);
// The picture size the options give for a matrix of that side.
void PictureSize(int32_t side, const TRenderOptions& options, int32_t& width, int32_t& height);

}  // namespace vornak::test
