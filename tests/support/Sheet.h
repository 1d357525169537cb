#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "tests/support/Renderer.h"

namespace vornak::test {

// A picture of several symbols: each rendered on its own (with its quiet
// zone, rotation, mirror, colours) and laid onto a light sheet at a given
// place, where it hides what lay there. Keeps where each symbol's corners
// went, for checking what a reader says it found.
class TSheet {
 public:
  TSheet(int32_t width, int32_t height, uint32_t colour = 0xFFFFFF);

  // Lays the symbol rendered by options (whose Width, Height and offsets
  // are ignored) with the top left of its picture at (left, top). Returns
  // the index of the symbol on the sheet.
  size_t Place(const TPlaneBoolean& modules, const TRenderOptions& options, int32_t left,
               int32_t top);
  // The size of the picture options give for a matrix of that side.
  static void Size(int32_t side, const TRenderOptions& options, int32_t& width, int32_t& height);

  const TBitmap& Bitmap() const { return FBitmap; }
  // The outer corners of symbol i in sheet pixels: module points (0, 0),
  // (N, 0), (N, N), (0, N).
  const std::array<TPointF, 4>& Corners(size_t i) const { return FCorners[i]; }
  // The module size of symbol i, in pixels.
  double Module(size_t i) const { return FModules[i]; }
  size_t Count() const { return FCorners.size(); }

 private:
  TBitmap FBitmap;
  std::vector<std::array<TPointF, 4>> FCorners;
  std::vector<double> FModules;
};

}  // namespace vornak::test
