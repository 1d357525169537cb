#include "photo/MicroLocator.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/Arith.h"
#include "photo/ModuleConfidence.h"
#include "photo/PixelReader.h"
#include "symbol/BCH15_5.h"
#include "symbol/MicroTables.h"
#include "symbol/Symbol.h"

namespace vornak {

namespace {

// Cross product of b - a and c - a; positive when a, b, c turn clockwise in
// pixel space (y down).
long double Turn(const TPointReal& a, const TPointReal& b, const TPointReal& c) {
  return (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
}

}  // namespace

int32_t TMicroLocator::FollowTiming(const TModuleSource& source, bool down, TEdgeFit& fit) const {
  // Module (k, 0) along the top edge, (0, k) along the left one.
  const auto at = [down](long double along, long double across) {
    return down ? TPointReal{across, along} : TPointReal{along, across};
  };
  const long double da = down ? 0 : 1, db = down ? 1 : 0;  // along the edge
  const long double ca = down ? 1 : 0, cb = down ? 0 : 1;  // into the symbol
  int32_t last = 7;
  for (int32_t k = 8; k <= kMaxSide + 1; ++k) {
    const bool dark = k % 2 == 0;
    const TPointReal centre = at(k + 0.5L, 0.5L);
    if (fit.ModuleDark(source, centre.X, centre.Y) != dark) break;
    last = k;
    if (!dark) continue;
    // A dark timing module shows the symbol's outer edge (quiet zone beyond)
    // and its two edges along the line.
    // (In the grey, blur lightens a lone dark module on the edge more than
    // its quiet zone darkens: no level marks that edge, and it is left to
    // the finder's.)
    const TPointReal outer = at(k + 0.5L, 0);
    if (!source.FromGrey()) fit.AddEdge(source, outer.X, outer.Y, ca, cb, -0.8L, 0.6L, 0, true);
    const TPointReal middle = at(k, 0.5L);
    fit.AddEdge(source, middle.X, middle.Y, da, db, -0.6L, 0.5L, 0, true, true);
    fit.AddEdge(source, middle.X, middle.Y, da, db, 0.5L, 1.6L, 1, false, true);
    fit.Refit();
  }
  return last;
}

bool TMicroLocator::Offer(const TModuleSource& source, const TPlaneGrey* grey,
                          const THomography& grid, int32_t columns, int32_t rows, bool mirrored,
                          const TLocationSink& sink) {
  FMatrix.Resize(columns, rows, 0);
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < columns; ++x)
      FMatrix(x, y) = TEdgeFit::ModuleDark(source, grid, x + 0.5L, y + 0.5L) ? 1 : 0;
  TLocation location;
  location.Matrix = &FMatrix;
  location.Size = columns;
  location.Rows = rows == columns ? 0 : rows;
  location.Mirrored = mirrored;
  // The trace reads a version as a QR Code one; the side tells this kind.
  location.Version = 0;
  if (grey != nullptr && grey->Width() == source.Width() && grey->Height() == source.Height()) {
    const TPixelReader reader(source.Plane(), grid);
    FLevels.Resize(columns, rows, 0);
    for (int32_t y = 0; y < rows; ++y)
      for (int32_t x = 0; x < columns; ++x) {
        int32_t sum = 0, count = 0;
        for (int32_t j = -1; j <= 1; ++j)
          for (int32_t i = -1; i <= 1; ++i) {
            double px = 0, py = 0;
            reader.Map(x + 0.5 + i * TEdgeFit::kSpread, y + 0.5 + j * TEdgeFit::kSpread, px, py);
            const bool inside = px >= 0 && py >= 0 && px < grey->Width() && py < grey->Height();
            sum += inside ? (*grey)(static_cast<int32_t>(px), static_cast<int32_t>(py)) : 255;
            ++count;
          }
        FLevels(x, y) = sum / count;
      }
    TModuleConfidence::Rate(FLevels, FMatrix, FConfidence);
    location.Confidence = &FConfidence;
    location.Levels = &FLevels;
  }
  const auto pixel = [&grid](long double u, long double v) {
    const TPointReal p = grid.Map(u, v);
    return TPoint{FloorToPixel(p.X), FloorToPixel(p.Y)};
  };
  const TPoint centre = pixel(3.5L, 3.5L);
  location.Finders = {centre, centre, centre};
  location.Corners = {pixel(0, 0), pixel(columns, 0), pixel(0, rows), pixel(columns, rows)};
  return sink(location);
}

int32_t TMicroLocator::LightAround(const TModuleSource& source, const THomography& grid) {
  const TPixelReader reader(source.Plane(), grid);
  const auto dark = [&](double u, double v) {
    double x = 0, y = 0;
    reader.Map(u, v, x, y);
    return source.DarkAt(x, y);
  };
  int32_t light = 0;
  for (int32_t k = 0; k < 8; ++k) {
    const double m = k - 0.5;
    light += dark(m, -0.5) ? 0 : 1;
    light += dark(7.5, m) ? 0 : 1;
    light += dark(7.5 - k, 7.5) ? 0 : 1;
    light += dark(-0.5, 7.5 - k) ? 0 : 1;
  }
  return light;
}

bool TMicroLocator::FormatFits(const TModuleSource& source, const THomography& grid, int32_t side) {
  const int32_t version = (side - 9) / 2;
  // As laid, and transposed, as a mirrored symbol reads.
  for (const bool transposed : {false, true}) {
    TBooleans bits(15, false);
    for (int32_t i = 0; i < 15; ++i) {
      const TPoint m = TSymbol::MicroFormatPosition(i);
      const long double u = (transposed ? m.Y : m.X) + 0.5L;
      const long double v = (transposed ? m.X : m.Y) + 0.5L;
      bits[static_cast<size_t>(i)] =
          TEdgeFit::ModuleDark(source, grid, u, v) != (((micro::FormatMask >> i) & 1) != 0);
    }
    TBooleans corrected;
    TBCH15_5 decoder(bits);
    decoder.Decode(corrected);
    if (decoder.Failed()) continue;
    const int32_t number =
        (corrected[14] ? 4 : 0) + (corrected[13] ? 2 : 0) + (corrected[12] ? 1 : 0);
    if (micro::SymbolNumbers[static_cast<size_t>(number)].Version == version) return true;
  }
  return false;
}

bool TMicroLocator::TryCorner(const TModuleSource& source, const TPlaneGrey* grey,
                              const TEdgeFit& finder, int32_t turn, const TLocationSink& sink) {
  // The finder's measured points come along in this turn's module space
  // and keep holding the grid while the timing modules are added.
  TEdgeFit fit;
  if (!fit.StartAtFinder(finder, turn, false)) return false;

  // Both timing patterns must start where this corner puts them before any
  // more is measured: past the light separator, a dark module.
  for (const bool down : {false, true}) {
    const long double a = down ? 0.5L : 8.5L, b = down ? 8.5L : 0.5L;
    if (!fit.ModuleDark(source, a, b)) return false;
    if (fit.ModuleDark(source, down ? 0.5L : 7.5L, down ? 7.5L : 0.5L)) return false;
  }
  // The alternation runs to the last timing module (dark, at side - 1) and
  // one light quiet-zone module beyond it, so the last module that
  // alternates is the side itself.
  const int32_t across = FollowTiming(source, false, fit);
  const int32_t along = FollowTiming(source, true, fit);
  std::vector<int32_t> sides;
  for (const int32_t last : {std::min(across, along), std::max(across, along)}) {
    const int32_t side = std::min(last - (last % 2 == 0 ? 1 : 0), kMaxSide);
    if (side >= kMinSide && std::find(sides.begin(), sides.end(), side) == sides.end())
      sides.push_back(side);
  }
  // A grid whose format names another size the tail would refuse; noise
  // offers many such.
  for (const int32_t side : sides)
    if (FormatFits(source, fit.Grid, side) &&
        Offer(source, grey, fit.Grid, side, side, false, sink))
      return true;
  return false;
}

bool TMicroLocator::BlurredFinder(const TPlaneGrey& grey, const THomography& grid,
                                  double& threshold, double& contrast) {
  bool inside = true;
  const auto level = [&](double u, double v) {
    TPointReal p;
    if (!grid.Map(TPointReal{u, v}, p)) {
      inside = false;
      return 0.0;
    }
    const auto x = static_cast<double>(p.X), y = static_cast<double>(p.Y);
    if (!(x >= 0 && y >= 0 && x < grey.Width() && y < grey.Height())) {
      inside = false;
      return 0.0;
    }
    return TModuleSource::Level(grey, x, y);
  };
  // The middle of the core, a module and a half from the light ring: blur
  // leaves it as dark as the print (its outer modules it lightens).
  double dark = 0;
  for (const auto& [i, j] :
       {std::pair{0.0, 0.0}, {-0.25, 0.0}, {0.25, 0.0}, {0.0, -0.25}, {0.0, 0.25}})
    dark += level(3.5 + i, 3.5 + j) / 5;
  // Each side two modules out, past the separator's reach under blur.
  double light = 0;
  for (int32_t side = 0; side < 4; ++side) {
    double sum = 0;
    for (int32_t k = 0; k < 7; ++k) {
      const double m = k + 0.5;
      sum += side == 0   ? level(m, -1.5)
             : side == 1 ? level(8.5, m)
             : side == 2 ? level(m, 8.5)
                         : level(-1.5, m);
    }
    light = std::max(light, sum / 7);
  }
  // The light ring, one module between dark ones: a sharp finder's reads
  // as light as the quiet zone, and the plane reads it as well as the grey.
  double ring = 0;
  for (int32_t k = 1; k <= 5; ++k)
    ring += (level(k + 0.5, 1.5) + level(k + 0.5, 5.5) +
             (k == 1 || k == 5 ? 0 : level(1.5, k + 0.5) + level(5.5, k + 0.5))) /
            16;
  if (!inside || light - dark < kMinContrast || light - ring < kRingPull * (light - dark))
    return false;
  threshold = (dark + light) / 2;
  contrast = light - dark;
  return true;
}

bool TMicroLocator::TryFinder(const TModuleSource& source, const TPlaneGrey* grey,
                              const TEdgeFit& start, const std::array<TPointReal, 4>& ring,
                              const TLocationSink& sink) {
  // The light ring's outer corners are module points 1 and 6 of the finder.
  static constexpr std::array<TPointReal, 4> kRing = {TPointReal{1, 1}, TPointReal{6, 1},
                                                      TPointReal{6, 6}, TPointReal{1, 6}};
  TEdgeFit finder = start;
  // The finder's outer edges pin the grid round it: the ring's corners
  // alone put the timing patterns half a module off in a small picture.
  // Measured again through the grid they gave, they lie where they are.
  // In the grey the ring's corners come from a plane that blur has moved
  // them in: after the first round the edges alone hold the grid, and a
  // round more lets them settle.
  const int32_t rounds = source.FromGrey() ? 3 : 2;
  for (int32_t round = 0; round < rounds; ++round) {
    finder.From.clear();
    finder.To.clear();
    if (round == 0 || !source.FromGrey()) {
      finder.From.assign(kRing.begin(), kRing.end());
      finder.To.assign(ring.begin(), ring.end());
    }
    // Three points a side fix its line; more cost a picture of noise,
    // whose every nested shape is tried, without reading better.
    for (int32_t k = 1; k < 7; k += 2) {
      const long double m = k + 0.5L;
      finder.AddEdge(source, m, 0, 0, 1, -0.8L, 0.6L, 0, true);
      finder.AddEdge(source, 0, m, 1, 0, -0.8L, 0.6L, 0, true);
      finder.AddEdge(source, m, 7, 0, 1, -0.6L, 0.5L, 0, false);
      finder.AddEdge(source, 7, m, 1, 0, -0.6L, 0.5L, 0, false);
    }
    finder.Refit();
  }
  // Measured in the grey, the edges lie where blur leaves them, and the
  // separator is judged through the grid they fit rather than the ring's.
  if (source.FromGrey() && LightAround(source, finder.Grid) < kLightAround) return false;
  for (int32_t turn = 0; turn < 4; ++turn)
    if (TryCorner(source, grey, finder, turn, sink)) return true;
  // The same finder as an rMQR one, in each turn, mirrored or not.
  for (int32_t turn = 0; turn < 4; ++turn)
    for (const bool mirrored : {false, true})
      if (FRect.Fit(source, finder, turn, mirrored) &&
          Offer(source, grey, FRect.Grid(), FRect.Columns(), FRect.Rows(), mirrored, sink))
        return true;
  return false;
}

bool TMicroLocator::Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey,
                           const TDecodeSettings& /*settings*/, const TLocationSink& sink) {
  static constexpr std::array<TPointReal, 4> kRing = {TPointReal{1, 1}, TPointReal{6, 1},
                                                      TPointReal{6, 6}, TPointReal{1, 6}};
  const TModuleSource twoLevel(plane);
  const bool hasGrey =
      grey != nullptr && grey->Width() == plane.Width() && grey->Height() == plane.Height();
  const TFinderShapes& shapes = FindShapes(plane);
  for (const TFinderShapes::TShape& shape : shapes.Shapes()) {
    std::array<TPointReal, 4> ring = shape.Corners;
    // Clockwise on the screen, so that module columns turn onto rows as
    // they do in an upright symbol.
    if (Turn(ring[0], ring[1], ring[2]) < 0) std::swap(ring[1], ring[3]);
    TEdgeFit start;
    if (!start.Grid.Fit(kRing, ring)) continue;
    // A finder is light all round: separator on two sides, quiet zone on
    // the others. Most nested shapes in noise or texture are not, and are
    // dropped before any edge is measured.
    if (LightAround(twoLevel, start.Grid) >= kLightAround &&
        TryFinder(twoLevel, grey, start, ring, sink))
      return true;
    // Then, for a blurred finder, the same in the grey against the finder's
    // own halfway level: blur that the plane's threshold closes the
    // separator or the timing over leaves them readable there.
    double threshold = 0, contrast = 0;
    if (!hasGrey || !BlurredFinder(*grey, start.Grid, threshold, contrast)) continue;
    const TModuleSource levels(plane, *grey, threshold, contrast);
    if (TryFinder(levels, grey, start, ring, sink)) return true;
  }
  return false;
}

}  // namespace vornak
