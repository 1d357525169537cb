#pragma once

#include <array>
#include <cstdint>

#include "common/Types.h"
#include "photo/FinderCandidate.h"
#include "photo/VersionGuess.h"

namespace vornak {

// The affine grid that the three finder centres of a triple span for a
// symbol of the given side: module point (u, v) (module (x, y) has its centre
// at (x + 0.5, y + 0.5)) lies at the corner finder's centre plus
// (u - 3.5) / (side - 7) of axis A and (v - 3.5) / (side - 7) of axis B.
class TAffineGrid {
 public:
  TAffineGrid(const TFinderTriple& triple, int32_t side);

  // The continuous pixel of module point (u, v), in extended precision.
  void Map(long double u, long double v, long double& x, long double& y) const;
  // The pixels of the symbol's outer corners (corner finder, axis A end,
  // axis B end, fourth), rounded.
  std::array<TPoint, 4> Corners() const;

  // Reads each module at the pixel Map gives its centre.
  TModuleProbe Probe(const TPlaneBoolean& plane) const;
  // The same in double precision with the divisions done once: a version
  // guess reads every timing module of every size it weighs, and double is
  // plenty for a pixel index.
  TModuleProbe FastProbe(const TPlaneBoolean& plane) const;
  // Every module read at its centre into matrix (side x side), stepping
  // along module rows and columns in double precision.
  void Sample(const TPlaneBoolean& plane, TPlaneBoolean& matrix) const;

 private:
  const TFinderTriple& FTriple;
  int32_t FSide;
};

}  // namespace vornak
