#pragma once

#include <algorithm>
#include <cstdint>

#include "common/Types.h"

namespace vornak {

// What the one-finder locators read a module's colour from: the two-level
// plane, or the grey picture against a threshold of their choosing. Blur
// narrows a lone light module (a finder's separator) or a lone dark one (a
// timing module on the symbol's edge) until the picture's threshold reads
// it as its neighbours; against the level halfway between the finder's own
// dark and light it still reads as it is, and an edge found in the grey
// lies where the level crosses that halfway mark, where blur leaves it.
class TModuleSource {
 public:
  explicit TModuleSource(const TPlaneBoolean& plane)
      : FPlane(plane), FWidth(plane.Width()), FHeight(plane.Height()) {}
  // grey must have the plane's extents; threshold is the finder's halfway
  // level, contrast its light less its dark.
  TModuleSource(const TPlaneBoolean& plane, const TPlaneGrey& grey, double threshold,
                double contrast)
      : FPlane(plane),
        FGrey(&grey),
        FWidth(plane.Width()),
        FHeight(plane.Height()),
        FThreshold(threshold),
        FContrast(contrast) {}

  const TPlaneBoolean& Plane() const { return FPlane; }
  bool FromGrey() const { return FGrey != nullptr; }
  int32_t Width() const { return static_cast<int32_t>(FWidth); }
  int32_t Height() const { return static_cast<int32_t>(FHeight); }

  // Whether continuous point (x, y) is dark; outside the picture (and NaN)
  // reads light.
  bool DarkAt(double x, double y) const {
    if (!(x >= 0 && y >= 0 && x < FWidth && y < FHeight)) return false;
    if (FGrey == nullptr) return FPlane(static_cast<int32_t>(x), static_cast<int32_t>(y)) != 0;
    return Level(*FGrey, x, y) < FThreshold;
  }

  // The threshold against the grey (the halfway level of the finder).
  double Threshold() const { return FThreshold; }
  double Contrast() const { return FContrast; }
  // The grey level at continuous point (x, y); outside the picture (and
  // NaN) the lightest. Only for a source from the grey.
  double LevelAt(double x, double y) const {
    if (!(x >= 0 && y >= 0 && x < FWidth && y < FHeight)) return 255;
    return Level(*FGrey, x, y);
  }

  // The grey level at continuous point (x, y) inside the picture, between
  // the four nearest pixel centres.
  static double Level(const TPlaneGrey& grey, double x, double y) {
    const double fx = std::clamp(x - 0.5, 0.0, grey.Width() - 1.0);
    const double fy = std::clamp(y - 0.5, 0.0, grey.Height() - 1.0);
    const auto x0 = static_cast<int32_t>(fx), y0 = static_cast<int32_t>(fy);
    const int32_t x1 = std::min(x0 + 1, grey.Width() - 1), y1 = std::min(y0 + 1, grey.Height() - 1);
    const double ax = fx - x0, ay = fy - y0;
    const double top = grey(x0, y0) + (grey(x1, y0) - grey(x0, y0)) * ax;
    const double bottom = grey(x0, y1) + (grey(x1, y1) - grey(x0, y1)) * ax;
    return top + (bottom - top) * ay;
  }

 private:
  const TPlaneBoolean& FPlane;
  const TPlaneGrey* FGrey = nullptr;
  double FWidth;
  double FHeight;
  double FThreshold = 0;
  double FContrast = 0;
};

}  // namespace vornak
