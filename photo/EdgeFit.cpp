#include "photo/EdgeFit.h"

#include "photo/PixelReader.h"

#include <utility>

namespace vornak {

namespace {

// Step of an edge search, in modules.
constexpr long double kStep = 0.05L;
// Of the finder's contrast, the least that the module centres either side
// of an edge in the grey must differ by.
constexpr double kEdgeContrast = 0.1;

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

bool TEdgeFit::Inside(const TModuleSource& source, const THomography& grid, const TPointReal& m) {
  TPointReal p;
  return grid.Map(m, p) && p.X >= 0 && p.Y >= 0 && p.X < source.Width() && p.Y < source.Height();
}

bool TEdgeFit::ModuleDark(const TModuleSource& source, const THomography& grid, long double u,
                          long double v) {
  const TPixelReader reader(source.Plane(), grid);
  if (source.FromGrey()) return GreyModuleDark(source, reader, u, v);
  int32_t dark = 0;
  for (int32_t j = -1; j <= 1; ++j)
    for (int32_t i = -1; i <= 1; ++i) {
      double x = 0, y = 0;
      reader.Map(static_cast<double>(u) + i * kSpread, static_cast<double>(v) + j * kSpread, x, y);
      dark += source.DarkAt(x, y) ? 1 : 0;
    }
  return dark >= 5;
}

bool TEdgeFit::GreyModuleDark(const TModuleSource& source, const TPixelReader& reader,
                              long double u, long double v) {
  const auto level = [&](double mu, double mv) {
    double x = 0, y = 0;
    reader.Map(mu, mv, x, y);
    return source.LevelAt(x, y);
  };
  const auto cu = static_cast<double>(u), cv = static_cast<double>(v);
  double own = 0;
  for (const auto& [i, j] : {std::pair{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}})
    own += level(cu + i * kSpread, cv + j * kSpread) / 5;
  // Blur mixes a module's level with its eight neighbours' (about half
  // and half at the blur the grey is read for): the threshold is mixed
  // likewise, from the finder's halfway level and theirs.
  double around = 0;
  for (int32_t j = -1; j <= 1; ++j)
    for (int32_t i = -1; i <= 1; ++i)
      if (i != 0 || j != 0) around += level(cu + i, cv + j);
  return own < (source.Threshold() + around / 8) / 2;
}

bool TEdgeFit::AddEdge(const TModuleSource& source, long double u, long double v, long double du,
                       long double dv, long double start, long double stop, long double expected,
                       bool toDark, bool between) {
  const TPixelReader reader(source.Plane(), Grid);
  const auto level = [&](long double t) {
    double x = 0, y = 0;
    reader.Map(static_cast<double>(u + t * du), static_cast<double>(v + t * dv), x, y);
    return source.LevelAt(x, y);
  };
  // In the grey the edge lies where the level crosses the finder's halfway
  // level, or, between two modules of an alternation that blur has pulled
  // towards each other alike, halfway between their centres.
  double threshold = source.Threshold();
  if (source.FromGrey() && between) {
    const double a = level(expected - 0.5L), b = level(expected + 0.5L);
    const double light = toDark ? a : b, dark = toDark ? b : a;
    if (light - dark < kEdgeContrast * source.Contrast()) return false;
    threshold = (a + b) / 2;
  }
  const auto dark = [&](long double t) {
    if (source.FromGrey()) return level(t) < threshold;
    double x = 0, y = 0;
    reader.Map(static_cast<double>(u + t * du), static_cast<double>(v + t * dv), x, y);
    return source.DarkAt(x, y);
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
