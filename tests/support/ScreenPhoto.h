#pragma once

#include <cstdint>

#include "common/Types.h"
#include "tests/support/PhotoFinish.h"
#include "tests/support/Renderer.h"

namespace vornak::test {

// A symbol shown on a screen and photographed. The screen draws each module
// as ScreenPixelsPerModule screen pixels (fractional values give modules of
// uneven width, as a scaled display draws them); every screen pixel is three
// upright stripes, red, green and blue from left to right, lit over
// StripeFill of their width and RowFill of the pixel's height, dark between.
// The camera sees the screen turned by RotationDegrees at CameraScale
// photograph pixels per screen pixel, the screen pixels beating with its
// own; lateral colour moves the red and blue images apart, scan lines darken
// bands of photograph rows.
struct TScreenOptions {
  double ScreenPixelsPerModule = 4.0;
  int32_t QuietZone = 4;     // light modules round the symbol
  double LitMargin = 3.0;    // more light modules to the edge of the screen's picture
  double StripeFill = 0.75;  // lit share of a sub-pixel's width
  double RowFill = 0.85;     // lit share of a pixel's height
  double White = 235.0;      // camera level of a light area, averaged over its pixels
  double Black = 0.03;       // a dark pixel's light, as a share of a light one
  double Glare = 0.0;        // room light reflected by the glass, levels
  uint32_t Bezel = TBitmap::Rgb(18, 18, 20);  // the screen's frame
  double CameraScale = 1.0;                   // photograph pixels per screen pixel
  double RotationDegrees = 0.0;               // clockwise
  // Shift of the symbol's centre from the photograph's centre, pixels.
  double OffsetX = 0.0;
  double OffsetY = 0.0;
  // Red image larger and blue smaller about the centre, by this many pixels
  // at the photograph's corner.
  double FringePixels = 0.0;
  // Scan lines: rows darkened by up to ScanDepth (a fraction), in bands
  // ScanPeriod photograph pixels apart; 0 = none.
  double ScanDepth = 0.0;
  double ScanPeriod = 8.0;
  double ScanPhase = 0.0;  // radians
  int32_t Oversample = 3;  // scene pixels per photograph pixel along each axis
  TFinishOptions Finish;
};

class TScreenPhoto {
 public:
  TScreenPhoto(int32_t side, const TScreenOptions& options);

  TScene Scene(const TPlaneBoolean& modules) const;
  TPhoto Render(const TPlaneBoolean& modules) const;
  // Where module-space point (mx, my) shows in the photograph, without the
  // lateral colour.
  TPointF ModuleToPixel(double mx, double my) const;

 private:
  // Light of one channel of the screen averaged over the box [x0, x1) x
  // [y0, y1) of screen coordinates.
  double Emission(const TPlaneBoolean& modules, int channel, double x0, double y0, double x1,
                  double y1) const;
  // Whether screen pixel (column, row) is dark, lit, or outside the screen.
  int32_t PixelState(const TPlaneBoolean& modules, int32_t column, int32_t row) const;
  TPointF ToScreen(double px, double py) const;

  int32_t FSide;
  TScreenOptions FOptions;
  int32_t FScreenPixels;  // the screen's picture is square, this many pixels a side
  double FFirstModule;    // module coordinate of the screen's left and top edge
  double FCos, FSin;
};

}  // namespace vornak::test
