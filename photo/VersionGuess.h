#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "photo/FinderTriples.h"

namespace vornak {

// Reads module (x, y) of a candidate grid: true when dark. Positions outside
// the picture read light.
using TModuleProbe = std::function<bool(int32_t x, int32_t y)>;
// Builds the probe of a grid of the given side for the triple being tried.
using TGridProbe = std::function<TModuleProbe(int32_t size)>;

// The version of a symbol from its finder geometry, for any version 1..40,
// confirmed by the version information (7 and up) or the timing patterns.
class TVersionGuess {
 public:
  // Modules from the corner finder's centre to the other two (mean of both
  // legs, each leg measured in the module size along it) plus seven: the
  // symbol side as a real number.
  static long double EstimatedSide(const TFinderTriple& triple);
  // Nearest version to EstimatedSide, clamped to 1..40.
  static int32_t EstimateVersion(const TFinderTriple& triple);

  // Version 7..40 read from either version-information block of a grid of the
  // given side, or 0 when neither block matches.
  static int32_t ReadVersionInfo(const TModuleProbe& probe, int32_t size);
  // Share (0..1) of the modules of both timing patterns that alternate as
  // they should.
  static long double TimingAgreement(const TModuleProbe& probe, int32_t size);

  // Versions worth trying, best first, at most spread on either side of the
  // estimate: a version within that range named by the version information
  // comes first; the others are ordered by timing agreement (ties: nearest
  // the estimate). forced (1..40) goes first when given. Versions whose
  // timing agreement stays below minAgreement are left out unless forced or
  // named (a grid that misreads its own timing samples garbage).
  static std::vector<int32_t> Candidates(const TFinderTriple& triple, const TGridProbe& grid,
                                         int32_t spread = 2, int32_t forced = 0,
                                         long double minAgreement = 0);
  // The same about an estimate found otherwise.
  static std::vector<int32_t> Candidates(int32_t estimate, const TGridProbe& grid,
                                         int32_t spread = 2, int32_t forced = 0,
                                         long double minAgreement = 0);
};

}  // namespace vornak
