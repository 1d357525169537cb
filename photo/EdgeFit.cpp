#include "photo/EdgeFit.h"

#include "photo/PixelReader.h"

namespace vornak {

namespace {

// Step of an edge search, in modules.
constexpr long double kStep = 0.05L;

}  // namespace

bool TEdgeFit::Refit() {
  THomography next = Grid;
  if (!next.FitLeastSquares(From, To)) return false;
  Grid = next;
  return true;
}

bool TEdgeFit::StartAtFinder(const TEdgeFit& finder, int32_t turn, bool transposed) {
  // The finder is the same square whichever corner is the symbol's: its
  // fit serves every turn, its corners taken a quarter on each.
  static constexpr std::array<TPointReal, 4> kOuter = {TPointReal{0, 0}, TPointReal{7, 0},
                                                       TPointReal{7, 7}, TPointReal{0, 7}};
  const auto swap = [transposed](const TPointReal& p) {
    return transposed ? TPointReal{p.Y, p.X} : p;
  };
  std::array<TPointReal, 4> from{};
  std::array<TPointReal, 4> corners{};
  for (size_t i = 0; i < 4; ++i) {
    if (!finder.Grid.Map(kOuter[(i + static_cast<size_t>(turn)) % 4], corners[i])) return false;
    from[i] = swap(kOuter[i]);
  }
  From.clear();
  To.clear();
  if (!Grid.Fit(from, corners)) return false;
  for (size_t i = 0; i < finder.From.size(); ++i) {
    TPointReal p = finder.From[i];
    for (int32_t k = 0; k < turn; ++k) p = TPointReal{p.Y, 7 - p.X};
    From.push_back(swap(p));
    To.push_back(finder.To[i]);
  }
  return true;
}

bool TEdgeFit::Inside(const TPlaneBoolean& plane, const THomography& grid, const TPointReal& m) {
  TPointReal p;
  return grid.Map(m, p) && p.X >= 0 && p.Y >= 0 && p.X < plane.Width() && p.Y < plane.Height();
}

bool TEdgeFit::ModuleDark(const TPlaneBoolean& plane, const THomography& grid, long double u,
                          long double v) {
  const TPixelReader reader(plane, grid);
  int32_t dark = 0;
  for (int32_t j = -1; j <= 1; ++j)
    for (int32_t i = -1; i <= 1; ++i)
      dark +=
          reader.Dark(static_cast<double>(u) + i * kSpread, static_cast<double>(v) + j * kSpread)
              ? 1
              : 0;
  return dark >= 5;
}

bool TEdgeFit::AddEdge(const TPlaneBoolean& plane, long double u, long double v, long double du,
                       long double dv, long double start, long double stop, long double expected,
                       bool toDark) {
  const TPixelReader reader(plane, Grid);
  const auto dark = [&](long double t) {
    return reader.Dark(static_cast<double>(u + t * du), static_cast<double>(v + t * dv));
  };
  // The first sample of the colour the edge turns to, after one of the other
  // colour: the edge lies half a step before it.
  bool before = dark(start);
  for (long double t = start + kStep; t <= stop; t += kStep) {
    const bool now = dark(t);
    if (before != toDark && now == toDark) {
      const long double at = t - kStep / 2;
      TPointReal pixel;
      if (!Grid.Map(TPointReal{u + at * du, v + at * dv}, pixel)) return false;
      From.push_back(TPointReal{u + expected * du, v + expected * dv});
      To.push_back(pixel);
      return true;
    }
    before = now;
  }
  return false;
}

}  // namespace vornak
