#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tests/support/Renderer.h"

namespace vornak::test {

// A sine wrinkle of the label: label points move by Amplitude * sin(phase)
// modules in the ShiftDegrees direction, where the phase runs along
// AngleDegrees (angles in module space, 0 = along a module row, 90 = down a
// column). Shift across the run bends the module rows into waves; shift
// along it squeezes and stretches the modules.
struct TWrinkle {
  double Wavelength = 2.0;     // symbol sides
  double Amplitude = 0.5;      // modules
  double AngleDegrees = 0.0;   // the direction the wave runs
  double ShiftDegrees = 90.0;  // the direction points move
  double Phase = 0.0;          // radians, at the symbol's centre
  // Brightness change on the wrinkle's slopes, as a fraction: the light
  // catches one flank and misses the other.
  double Shading = 0.0;
};

enum class TSurface {
  Flat,      // a flat label
  Cylinder,  // wrapped round an upright cylinder, the label's centre facing the camera
  Crease,    // folded along a line: the far half turned about the line
};

struct TWarpOptions {
  int32_t QuietZone = 4;  // light label round the symbol, modules
  TSurface Surface = TSurface::Flat;
  // Cylinder: the angle of its circumference the symbol's side spans.
  double SpanDegrees = 90.0;
  // Crease: the fold line runs at CreaseDegrees (module space, 0 = along
  // the rows) at CreaseOffset modules from the symbol's centre (positive
  // towards the half that turns); that half turns by FoldDegrees about it,
  // towards the camera for positive values.
  double CreaseDegrees = 0.0;
  double CreaseOffset = 0.0;
  double FoldDegrees = 0.0;
  // Wrinkles add up; together they must not fold the label over itself
  // (the constructor throws std::invalid_argument when they could).
  std::vector<TWrinkle> Wrinkles;
  // The view, turned about the label's centre: yaw about the vertical axis
  // (the right edge away from the camera for positive values; a cylinder's
  // axis stays upright), then pitch about the horizontal axis (the top edge
  // away), then roll in the picture (clockwise).
  double YawDegrees = 0.0;
  double PitchDegrees = 0.0;
  double RollDegrees = 0.0;
  // Camera distance from the label's centre in symbol sides; 0 = far away
  // (parallel projection).
  double Distance = 0.0;
  // Light: from the picture direction LightAzimuthDegrees (0 = from the
  // right, 90 = from below) at LightElevationDegrees above the label's plane
  // (90 = from the camera). Ambient is the share that comes from everywhere;
  // 1 lights every surface alike. Gloss adds a highlight of that strength.
  double LightAzimuthDegrees = -120.0;
  double LightElevationDegrees = 55.0;
  double Ambient = 1.0;
  double Gloss = 0.0;
  double Shininess = 24.0;
};

// What one point of the view shows.
struct TWarpHit {
  bool Surface = false;  // the label's surface (false: behind a cylinder)
  bool Label = false;    // the label itself: the symbol and its quiet zone
  // Module-space position on the surface (also beyond the label).
  double Mx = 0;
  double My = 0;
  double Light = 1.0;  // brightness factor of diffuse light and wrinkles
  double Glare = 0.0;  // highlight, a fraction of full white added
};

// A label bent and seen from a camera. Module space as in the renderer
// (module (x, y) covers [x, x+1) x [y, y+1)); the view plane is measured in
// modules from where the symbol's centre shows, x right, y down, at the
// scale of the symbol's centre. A label point goes through the wrinkles,
// then onto the surface, then through the view.
class TLabelWarp {
 public:
  TLabelWarp(int32_t side, const TWarpOptions& options);

  // Where module-space point (mx, my) shows in the view plane (whether or
  // not it is hidden).
  TPointF ToView(double mx, double my) const;
  // What view-plane point (x, y) shows.
  TWarpHit AtView(double x, double y) const;
  // True when module-space point (mx, my) is on the label and in sight.
  bool Visible(double mx, double my) const;

  int32_t Side() const { return FSide; }
  const TWarpOptions& Options() const { return FOptions; }

 private:
  struct TVector {
    double X = 0, Y = 0, Z = 0;
  };
  // One wrinkle in working form: phase = K * (Run . p) + Phase at label
  // point p (modules from the symbol's centre); p moves Amplitude *
  // sin(phase) along Shift.
  struct TWave {
    double K, RunX, RunY, ShiftX, ShiftY, Amplitude, Phase, Shading;
  };
  static TWave Wave(const TWrinkle& wrinkle, int32_t side);
  // Label plane (relative to the symbol's centre) through the wrinkles.
  TPointF Wrinkled(double u, double v) const;
  TPointF Unwrinkled(double wu, double wv) const;
  // Surface point and normal of a wrinkled label point, label frame.
  TVector OnSurface(double wu, double wv) const;
  TVector Normal(double wu, double wv) const;
  // Nearest crossing of a ray (label frame) with the surface; false when
  // it misses. Gives the wrinkled label point.
  bool Cross(const TVector& origin, const TVector& direction, double& wu, double& wv) const;
  TVector ToCamera(const TVector& p) const;
  TVector ToLabel(const TVector& p) const;
  void Shade(const TVector& normal, const TVector& surface, TWarpHit& hit) const;

  int32_t FSide;
  TWarpOptions FOptions;
  std::vector<TWave> FWaves;
  double FHalfLabel;     // half the label's side, modules
  double FRadius = 0;    // cylinder, modules
  double FDistance = 0;  // camera, modules
  TPointF FCreaseNormal{}, FCreaseAlong{};
  double FFoldCos = 1, FFoldSin = 0;
  std::array<double, 9> FRotation{};  // label frame to camera frame, row-major
  TVector FLight;
};

}  // namespace vornak::test
