#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Geometry.h"
#include "common/Types.h"
#include "photo/Homography.h"
#include "photo/ModuleSource.h"

namespace vornak {

class TPixelReader;

// A grid fitted to the edges it measures: point pairs from module space to
// the picture, and the projective map they fit by least squares. The
// locators of one-finder symbols (Micro QR, rMQR) grow it outward from the
// finder, each measured edge refitting the grid so that the next
// prediction lies closer.
class TEdgeFit {
 public:
  std::vector<TPointReal> From;
  std::vector<TPointReal> To;
  THomography Grid;

  // Refits Grid to the pairs; false (Grid kept) when they fit no map.
  bool Refit();
  // Starts this fit from a finder's (fitted with its light ring's corners at
  // module points 1 and 6), its symbol corner taken turn quarters on
  // (0..3, clockwise) and, transposed, its module axes swapped: Grid maps
  // the finder's four outer corners, and the finder's measured points come
  // along, not yet fitted. False when the finder's grid maps no corner.
  bool StartAtFinder(const TEdgeFit& finder, int32_t turn, bool transposed);
  // Adds the point of the edge crossed by the line from module point
  // (u, v) along (du, dv), searched between start and stop in module
  // units, where it turns from light to dark (or dark to light); the edge
  // should lie at offset expected. In the grey, between: the edge parts
  // two modules of an alternation (timing), whose levels blur pulls towards
  // each other alike, so that it lies halfway between theirs. False when
  // no such edge is found.
  bool AddEdge(const TModuleSource& source, long double u, long double v, long double du,
               long double dv, long double start, long double stop, long double expected,
               bool toDark, bool between = false);
  // The colour most of the points round module centre (u, v) read as.
  static bool ModuleDark(const TModuleSource& source, const THomography& grid, long double u,
                         long double v);
  bool ModuleDark(const TModuleSource& source, long double u, long double v) const {
    return ModuleDark(source, Grid, u, v);
  }

  // ModuleDark in the grey: the module's level against a threshold between
  // the finder's halfway level and its three by three modules' mean.
  static bool GreyModuleDark(const TModuleSource& source, const TPixelReader& reader, long double u,
                             long double v);

  // Whether module point m lies in the picture.
  static bool Inside(const TModuleSource& source, const THomography& grid, const TPointReal& m);

  // Points read round a module centre, in modules either way: far enough to
  // outvote a speck, near enough to stay inside the module when the grid is
  // a quarter module off.
  static constexpr double kSpread = 0.22;
};

}  // namespace vornak
