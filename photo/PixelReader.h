#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/Types.h"
#include "photo/Bend.h"
#include "photo/Homography.h"

namespace vornak {

// Reads the plane through a transform from module space, in double
// precision: a pixel index needs no 80-bit precision, and reading grids maps
// hundreds of thousands of points. A point outside the picture, at infinity
// or behind the vanishing line's far side in no pixel reads light.
class TPixelReader {
 public:
  // bend, when given and active, moves every mapped point; it must outlive
  // the reader.
  TPixelReader(const TPlaneBoolean& plane, const THomography& t, const TBend* bend = nullptr)
      : FPlane(plane),
        FWidth(plane.Width()),
        FHeight(plane.Height()),
        FBend(bend != nullptr && bend->Active() ? bend : nullptr) {
    const auto& h = t.Coefficients();
    for (size_t i = 0; i < 8; ++i) FH[i] = static_cast<double>(h[i]);
  }
  // Where module point (u, v) lies in the picture.
  void Map(double u, double v, double& x, double& y) const {
    MapStraight(u, v, x, y);
    if (FBend != nullptr) FBend->Offset(u, v, x, y);
  }
  // The same through the transform alone, without the bend.
  void MapStraight(double u, double v, double& x, double& y) const {
    const double r = 1 / (FH[6] * u + FH[7] * v + 1);
    x = (FH[0] * u + FH[1] * v + FH[2]) * r;
    y = (FH[3] * u + FH[4] * v + FH[5]) * r;
  }
  // The bend at (u, v): it varies so slowly that one value serves all the
  // points read round a module centre.
  void BendAt(double u, double v, double& dx, double& dy) const {
    dx = dy = 0;
    if (FBend != nullptr) FBend->Offset(u, v, dx, dy);
  }
  bool Dark(double u, double v) const {
    double x = 0, y = 0;
    Map(u, v, x, y);
    return DarkAt(x, y);
  }
  // Whether the pixel holding continuous point (x, y) is dark; outside the
  // picture (and NaN) reads light.
  bool DarkAt(double x, double y) const {
    if (!(x >= 0 && y >= 0 && x < FWidth && y < FHeight)) return false;
    return FPlane(static_cast<int32_t>(x), static_cast<int32_t>(y)) != 0;
  }

 private:
  const TPlaneBoolean& FPlane;
  double FWidth;
  double FHeight;
  const TBend* FBend;
  std::array<double, 8> FH{};
};

}  // namespace vornak
