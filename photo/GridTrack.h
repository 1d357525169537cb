#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "photo/GridReader.h"

namespace vornak {

// Follows the module lattice itself across a symbol, module by module out
// from its finders' cores, where a smooth bend of the whole grid cannot: a label
// wrinkled a few modules across, whose modules drift a module off any
// polynomial and back. Whatever colours the modules have, every change of
// colour between two of them lies on a line of the lattice; so each
// module's edges, looked for within half a module of where the modules
// read before it put them, tell how far the lattice has moved there, and
// the moves found so far predict the next one. How those moves change from
// module to module tells the lattice's own scale there, where a label
// turning away narrows its modules below the grid's: each module's edges
// are looked for at that scale.
class TGridTrack {
 public:
  // Edges found at least per module followed (each module's are counted
  // with its eight neighbours', about eighteen on a symbol), for the
  // result to count.
  static constexpr double kMinEdgesPerModule = 4;

  // Adds the moves of the lattice followed from the finders to grid.Bend's
  // displacement per module and samples matrix through it. False, grid and matrix
  // unchanged, when too few edges were found.
  bool Follow(const TPlaneBoolean& plane, TModuleGrid& grid, TPlaneBoolean& matrix);

 private:
  struct TModulePoint {
    double X = 0;  // centre through the grid
    double Y = 0;
    double AxisX[2] = {0, 0};  // one module along u, in pixels
    double AxisY[2] = {0, 0};  // one module along v
    // Each axis's length in pixels (0: too short to measure).
    std::array<double, 2> Length{0, 0};
  };
  std::vector<TModulePoint> FPoints;
  std::vector<double> FMoveX;
  std::vector<double> FMoveY;
  std::vector<uint8_t> FDone;
  std::vector<int32_t> FQueue;
};

}  // namespace vornak
