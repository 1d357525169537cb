#pragma once

#include <cstdint>

#include "common/Types.h"
#include "photo/EdgeFit.h"

namespace vornak {

// The grid of an rMQR symbol, grown from its finder: the format beside the
// finder names the size, then the edges of every module along the symbol's
// four sides (timing, alignment, corner patterns and the finder
// sub-pattern, whose colours the size fixes) are measured one after the
// other outward from the finder, each refitting the grid so that the next
// prediction lies closer; a long symbol under perspective is followed to
// its far end this way.
class TRectGrid {
 public:
  // Tries the finder as an rMQR finder with its symbol corner turn quarters
  // on (0..3) and, mirrored, its module axes swapped. True with Grid()
  // mapping the symbol's own module space (columns along its long side) to
  // the picture, and the size named by the format.
  bool Fit(const TModuleSource& source, const TEdgeFit& finder, int32_t turn, bool mirrored);

  const THomography& Grid() const { return FFit.Grid; }
  int32_t Version() const { return FVersion; }
  int32_t Columns() const { return FColumns; }
  int32_t Rows() const { return FRows; }

  // Whether module (x, y) on the symbol's border (first or last row or
  // column) is dark in every symbol of a size.
  static bool BorderDark(int32_t version, int32_t x, int32_t y);

 private:
  // The version a format copy beside the finder names (its eighteen bits
  // as read, bit i of word from module i), within three bits; 0 when none.
  static int32_t FormatVersion(int32_t word);
  // Walks the border modules from (x, y) in steps of (dx, dy), count of
  // them, adding the edges of each dark one: its outer edge (outward
  // normal (nx, ny)) and its edges along the walk where the next module is
  // light. False when the walk loses the pattern.
  bool Follow(const TModuleSource& source, int32_t x, int32_t y, int32_t dx, int32_t dy,
              int32_t count, int32_t nx, int32_t ny);

  TEdgeFit FFit;
  int32_t FVersion = 0;
  int32_t FColumns = 0;
  int32_t FRows = 0;
};

}  // namespace vornak
