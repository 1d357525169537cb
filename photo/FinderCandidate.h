#pragma once

#include <array>
#include <cstdint>

namespace vornak {

// A finder pattern seen in a two-level plane: a 1:1:3:1:1 run sequence
// across and down through the same centre.
struct TFinderCandidate {
  long double X = 0;  // centre, pixels
  long double Y = 0;
  // Module size measured from the runs: across (seven modules wide), down,
  // and their mean.
  long double ModuleX = 0;
  long double ModuleY = 0;
  long double Module = 0;
  // Rows that confirmed the candidate; the ranking weight.
  int32_t Count = 0;
};

// Three candidates that look like the finders of one symbol, ordered as the
// corner finder, the one ending axis A (module columns) and the one ending
// axis B (module rows), so that axis A turns clockwise onto axis B in pixel
// space (y down). A mirrored symbol therefore comes out transposed.
struct TFinderTriple {
  std::array<TFinderCandidate, 3> Finders{};
  // Mean module size of the three.
  long double Module = 0;
  // Lower is better: right angle, equal legs, equal module sizes.
  long double Score = 0;
};

}  // namespace vornak
