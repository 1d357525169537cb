#pragma once

#include <cstdint>

#include "common/Types.h"
#include "tests/support/Renderer.h"

namespace vornak::test {

// A symbol printed on a label wrapped round an upright cylinder (a bottle),
// seen from far away straight at the cylinder's axis: a label point at arc
// length s from the line facing the camera shows at x = R sin(s / R), so the
// modules narrow towards the label's sides. Black on white, nothing else:
// the geometry is TLabelWarp's, framed round the cylinder's axis; TBentLabel
// draws the same with light, tilt and a camera's finish.
struct TCylinderOptions {
  double ModuleSize = 6.0;      // pixels per module along the label, on the facing line
  int32_t QuietZone = 4;        // light modules round the symbol on the label
  double DiameterFactor = 3.0;  // cylinder diameter over the symbol side
  // The label's centre turned away from the camera by this angle (degrees).
  double TurnDegrees = 0.0;
  int32_t Supersample = 3;
  int32_t Margin = 8;  // light pixels round the cylinder's visible part
};

TBitmap RenderCylinder(const TPlaneBoolean& modules, const TCylinderOptions& options);
// Continuous pixel position of module-space point (mx, my) in that picture.
TPointF CylinderModuleToPixel(int32_t side, const TCylinderOptions& options, double mx, double my);

}  // namespace vornak::test
