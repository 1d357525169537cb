#pragma once

#include <cstdint>

#include "common/Types.h"
#include "tests/support/LabelWarp.h"
#include "tests/support/PhotoFinish.h"

namespace vornak::test {

// A photograph of a bent label: the label drawn through a TLabelWarp into a
// fine scene (ModulePixels scene pixels per module where the symbol's centre
// shows, the label's picture plus Margin modules all round, at least as
// large as the photograph), then finished into the photograph.
struct TBentLabelOptions {
  TWarpOptions Warp;
  double ModulePixels = 6.0;
  int32_t Supersample = 3;  // samples per scene pixel along each axis
  double Margin = 3.0;      // modules
  uint32_t Ink = TBitmap::Rgb(30, 30, 36);
  uint32_t Paper = TBitmap::Rgb(232, 228, 216);
  uint32_t Surface = TBitmap::Rgb(150, 140, 120);   // beyond the label: the box, the bottle
  uint32_t Background = TBitmap::Rgb(90, 96, 104);  // behind a cylinder
  // Blotches on the surface and the background, as a fraction of their
  // brightness, drawn from Finish.Seed.
  double Texture = 0.0;
  TFinishOptions Finish;
};

class TBentLabel {
 public:
  TBentLabel(int32_t side, const TBentLabelOptions& options);

  // The scene of a module matrix of the side given (non-zero = dark).
  TScene Scene(const TPlaneBoolean& modules) const;
  // The scene, finished.
  TPhoto Render(const TPlaneBoolean& modules) const;
  // Where module-space point (mx, my) shows in the photograph (continuous
  // pixel coordinates).
  TPointF ModuleToPixel(double mx, double my) const;

  const TLabelWarp& Warp() const { return FWarp; }
  int32_t SceneWidth() const { return FSceneWidth; }
  int32_t SceneHeight() const { return FSceneHeight; }

 private:
  double Blotches(double x, double y) const;

  TBentLabelOptions FOptions;
  TLabelWarp FWarp;
  int32_t FSceneWidth = 0, FSceneHeight = 0;
  double FCentreX = 0, FCentreY = 0;  // scene position of the view plane's origin
};

}  // namespace vornak::test
