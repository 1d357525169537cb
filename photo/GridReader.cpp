#include "photo/GridReader.h"

#include <algorithm>

namespace vornak {

TGridReader::TGridReader(const TPlaneBoolean& plane, const TModuleGrid& grid)
    : FSize(grid.Size),
      FSingle(plane, grid.Transform, &grid.Bend),
      FCellOf(grid.CellOf),
      FSpan(grid.Cells.empty() ? 0 : grid.CellSpan),
      FPatch(grid.Patch) {
  // The one transform needs no list (the timing check reads one grid after
  // another).
  for (const THomography& cell : grid.Cells) FCells.emplace_back(plane, cell, &grid.Bend);
}

bool TGridReader::Module(int32_t x, int32_t y) const {
  const TPixelReader& reader = ReaderOf(x, y);
  double bx = 0, by = 0;
  reader.BendAt(x + 0.5, y + 0.5, bx, by);
  auto dark = [&reader, bx, by](double u, double v) {
    double px = 0, py = 0;
    reader.MapStraight(u, v, px, py);
    return reader.DarkAt(px + bx, py + by);
  };
  if (!FPatch) return dark(x + 0.5, y + 0.5);
  const double patch = static_cast<double>(kPatch);
  int32_t count = 0;
  for (int32_t j = -1; j <= 1; ++j) {
    for (int32_t i = -1; i <= 1; ++i) {
      // The centre counts twice so that a tie of the eight neighbours goes
      // its way.
      if (dark(x + 0.5 + i * patch, y + 0.5 + j * patch)) count += (i == 0 && j == 0) ? 2 : 1;
    }
  }
  return count >= 6;
}

void TGridReader::Sample(TPlaneBoolean& matrix) const {
  for (int32_t y = 0; y < FSize; ++y)
    for (int32_t x = 0; x < FSize; ++x) matrix(x, y) = Module(x, y) ? 1 : 0;
}

void TGridReader::Levels(const TPlaneGrey& grey, TPlaneInteger& levels) const {
  levels.Resize(FSize, FSize, 0);
  const double patch = static_cast<double>(kPatch);
  const int32_t reach = FPatch ? 1 : 0;
  for (int32_t y = 0; y < FSize; ++y)
    for (int32_t x = 0; x < FSize; ++x) {
      const TPixelReader& reader = ReaderOf(x, y);
      double bx = 0, by = 0;
      reader.BendAt(x + 0.5, y + 0.5, bx, by);
      int32_t sum = 0, count = 0;
      for (int32_t j = -reach; j <= reach; ++j)
        for (int32_t i = -reach; i <= reach; ++i) {
          double px = 0, py = 0;
          reader.MapStraight(x + 0.5 + i * patch, y + 0.5 + j * patch, px, py);
          px += bx;
          py += by;
          // Outside the picture reads light, as the two-level plane does.
          const bool inside = px >= 0 && py >= 0 && px < grey.Width() && py < grey.Height();
          sum += inside ? grey(static_cast<int32_t>(px), static_cast<int32_t>(py)) : 255;
          ++count;
        }
      levels(x, y) = sum / count;
    }
}

bool TGridReader::TimingAlternates(long double share) const {
  // Both timing patterns with the separator module before and after each:
  // every step along them changes colour.
  const int32_t pairs = 2 * std::max(0, FSize - 15);
  if (pairs == 0) return false;
  // The fewest changes whose share is not below the bound, found once so
  // that each step compares integers.
  auto below = [pairs, share](int32_t changes) {
    return static_cast<long double>(changes) / pairs < share;
  };
  auto need = static_cast<int32_t>(std::clamp<long double>(share * pairs, 0, pairs));
  while (need > 0 && !below(need - 1)) --need;
  while (need <= pairs && below(need)) ++need;
  auto reaches = [need](int32_t changes) { return changes >= need; };
  int32_t changes = 0, left = pairs;
  bool row = false, column = false;
  for (int32_t k = 7; k <= FSize - 8; ++k) {
    const bool nextRow = Module(k, 6);
    const bool nextColumn = Module(6, k);
    if (k > 7) {
      changes += (nextRow != row ? 1 : 0) + (nextColumn != column ? 1 : 0);
      left -= 2;
      // Decided once the steps left can neither lift the share to the bound
      // nor drop it below.
      if (reaches(changes)) return true;
      if (!reaches(changes + left)) return false;
    }
    row = nextRow;
    column = nextColumn;
  }
  return reaches(changes);
}

}  // namespace vornak
