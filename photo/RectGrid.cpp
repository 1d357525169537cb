#include "photo/RectGrid.h"

#include <bit>

#include "symbol/RectTables.h"
#include "symbol/Symbol.h"

namespace vornak {

bool TRectGrid::BorderDark(int32_t version, int32_t x, int32_t y) {
  const rmqr::TSize& size = rmqr::SizeOf(version);
  const int32_t w = size.Width, h = size.Height;
  // The finder's modules, with its separator beside and below it.
  if (x <= 6 && y <= 6) return true;
  if (x == 7 && y <= 7) return false;
  if (y == 7 && x <= 7) return false;
  // Finder sub-pattern and corner patterns: dark all along the border.
  if (x >= w - 5 && y >= h - 5) return true;
  if (y == 0 && x >= w - 3) return true;
  if (x == w - 1 && y <= 2) return true;
  if (h >= 9 && y == h - 1 && x <= 2) return true;
  if (h >= 11 && x == 0 && y >= h - 3) return true;
  // Alignment patterns on the top and bottom edges.
  if (y == 0 || y == h - 1)
    for (int32_t column : rmqr::AlignmentColumns(w))
      if (column != 0 && x >= column - 1 && x <= column + 1) return true;
  // Timing: dark on even modules.
  return (y == 0 || y == h - 1 ? x : y) % 2 == 0;
}

int32_t TRectGrid::FormatVersion(int32_t word) {
  const int32_t d = rmqr::FormatData(word ^ rmqr::FormatMaskFinder);
  return d < 0 ? 0 : (d & 31) + 1;
}

bool TRectGrid::Follow(const TModuleSource& source, int32_t x, int32_t y, int32_t dx, int32_t dy,
                       int32_t count, int32_t nx, int32_t ny) {
  // Glare or a speck may spoil a module or two; three among eight, or
  // many along the side, and the grid has left the symbol (a picture of
  // noise leaves it within a few modules).
  uint32_t recent = 0;
  int32_t misses = 0;
  for (int32_t k = 0; k < count; ++k, x += dx, y += dy) {
    const bool dark = BorderDark(FVersion, x, y);
    const long double cu = x + 0.5L, cv = y + 0.5L;
    const bool miss = !TEdgeFit::Inside(source, FFit.Grid, TPointReal{cu, cv}) ||
                      FFit.ModuleDark(source, cu, cv) != dark;
    recent = ((recent << 1) | (miss ? 1U : 0U)) & 0xFFU;
    if (miss) {
      if (std::popcount(recent) > 2 || ++misses > count / 8 + 2) return false;
      continue;
    }
    if (!dark) continue;
    // The outer edge, from the quiet zone inward.
    // (In the grey a lone dark module's is left to the rest, as the Micro
    // QR locator leaves it.)
    if (!source.FromGrey() || BorderDark(FVersion, x - dx, y - dy) ||
        BorderDark(FVersion, x + dx, y + dy))
      FFit.AddEdge(source, cu + 0.5L * nx, cv + 0.5L * ny, -nx, -ny, -0.8L, 0.6L, 0, true);
    // The edges along the walk, where a light module follows.
    if (!BorderDark(FVersion, x - dx, y - dy))
      FFit.AddEdge(source, cu - 0.5L * dx, cv - 0.5L * dy, dx, dy, -0.6L, 0.5L, 0, true, true);
    if (!BorderDark(FVersion, x + dx, y + dy))
      FFit.AddEdge(source, cu - 0.5L * dx, cv - 0.5L * dy, dx, dy, 0.5L, 1.6L, 1, false, true);
    // Every dark module refits the grid: a long symbol in perspective
    // drifts off a grid fitted a few modules back.
    FFit.Refit();
  }
  return true;
}

bool TRectGrid::Fit(const TModuleSource& source, const TEdgeFit& finder, int32_t turn,
                    bool mirrored) {
  FVersion = 0;
  // The separators round the finder must be light and the top edge's timing
  // must start alternating where this corner puts them, before anything is
  // fitted or the format read: most shapes in noise or texture fail here,
  // at a dozen modules' cost. They are read through the finder's own grid,
  // this corner's module point turned back into its frame.
  const auto inFinder = [&](long double u, long double v) {
    TPointReal p = mirrored ? TPointReal{v, u} : TPointReal{u, v};
    for (int32_t k = 0; k < turn; ++k) p = TPointReal{7 - p.Y, p.X};
    return p;
  };
  const auto dark = [&](long double u, long double v) {
    const TPointReal p = inFinder(u, v);
    return TEdgeFit::ModuleDark(source, finder.Grid, p.X, p.Y);
  };
  // Outside the picture everything reads light, which the separators and
  // even the format (all light names a size) would take: the modules read
  // first must lie inside it.
  for (const TPointReal& m : {TPointReal{12.5L, 0.5L}, TPointReal{11.5L, 5.5L},
                              TPointReal{0.5L, 7.5L}, TPointReal{7.5L, 7.5L}})
    if (!TEdgeFit::Inside(source, finder.Grid, inFinder(m.X, m.Y))) return false;
  // Below the finder lies a separator or the quiet zone, light either way.
  for (int32_t k = 0; k <= 6; ++k)
    if (dark(7.5L, k + 0.5L) || dark(k + 0.5L, 7.5L)) return false;
  // (The grid is still the finder's alone: a module of the timing may be
  // misread where blur meets its extrapolation.)
  int32_t misread = 0;
  for (int32_t x = 8; x <= 12; ++x)
    if (dark(x + 0.5L, 0.5L) != (x % 2 == 0) && ++misread > 1) return false;
  // The format beside the finder names the size.
  int32_t word = 0;
  for (int32_t i = 0; i < 18; ++i) {
    const TPoint p = TSymbol::RectFormatPosition(1, i, 0, 0);
    if (dark(p.X + 0.5L, p.Y + 0.5L)) word |= 1 << i;
  }
  FVersion = FormatVersion(word);
  if (FVersion == 0) return false;
  if (!FFit.StartAtFinder(finder, turn, mirrored)) return false;
  const int32_t w = rmqr::SizeOf(FVersion).Width, h = rmqr::SizeOf(FVersion).Height;
  FColumns = w;
  FRows = h;
  // Along the top edge to the far corner, along the bottom edge from the
  // near side (the grid laid by the top edge holds best there), then down
  // the far side between them and the near side below the finder.
  const int32_t bottomStart = h == 7 ? 8 : 0;
  if (!Follow(source, 8, 0, 1, 0, w - 8, 0, -1) ||
      !Follow(source, bottomStart, h - 1, 1, 0, w - bottomStart, 0, 1) ||
      !Follow(source, w - 1, 1, 0, 1, h - 2, 1, 0))
    return false;
  if (h >= 9 && !Follow(source, 0, 8, 0, 1, h - 9, -1, 0)) return false;
  return FFit.Refit();
}

}  // namespace vornak
