#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "photo/Bend.h"
#include "photo/Homography.h"
#include "photo/PixelReader.h"

namespace vornak {

// Where a symbol's modules lie in the picture: one transform from module
// space, or, piecewise, one per cell of a grid of cells (CellSpan a side,
// CellOf giving the cell of each module row or column).
struct TModuleGrid {
  int32_t Size = 0;  // modules per side
  THomography Transform;
  std::vector<THomography> Cells;
  std::vector<int32_t> CellOf;
  int32_t CellSpan = 0;
  // A smooth correction on top of the transform or the cells.
  TBend Bend;
  // Modules are read as the majority of a patch round their centre, rather
  // than at the centre alone: large enough modules.
  bool Patch = true;
};

// Reads modules through a grid.
class TGridReader {
 public:
  // Offset of the majority patch's outer samples from the module centre, in
  // modules: far enough apart to outvote one stray pixel, close enough to
  // stay inside the module under a small grid error.
  static constexpr long double kPatch = 0.22L;

  TGridReader(const TPlaneBoolean& plane, const TModuleGrid& grid);

  // The transform that reads module (x, y): the one of its cell.
  const TPixelReader& ReaderOf(int32_t x, int32_t y) const {
    return FSpan == 0 || FCells.size() == 1
               ? (FCells.empty() ? FSingle : FCells[0])
               : FCells[static_cast<size_t>(FCellOf[static_cast<size_t>(y)] * FSpan +
                                            FCellOf[static_cast<size_t>(x)])];
  }
  // Module (x, y): the majority of a 3 x 3 patch round its centre, kPatch
  // apart, or without the patch the centre alone.
  bool Module(int32_t x, int32_t y) const;
  // Every module into matrix (Size x Size).
  void Sample(TPlaneBoolean& matrix) const;
  // The mean grey level of each module at the points Module reads, into
  // levels (Size x Size); grey is the picture the plane was made of.
  void Levels(const TPlaneGrey& grey, TPlaneInteger& levels) const;
  // Whether at least share (0..1) of the steps along both timing patterns,
  // separators included, change colour through the grid; reading stops as
  // soon as the rest cannot change the answer. A grid on a symbol reads its
  // timing alternating but for a slip or two where perspective stretches
  // it; one on noise or texture reads about half of them (texture less).
  bool TimingAlternates(long double share) const;

 private:
  int32_t FSize;
  TPixelReader FSingle;
  std::vector<TPixelReader> FCells;
  const std::vector<int32_t>& FCellOf;
  int32_t FSpan;
  bool FPatch;
};

}  // namespace vornak
