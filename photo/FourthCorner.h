#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "common/Geometry.h"
#include "common/Types.h"
#include "photo/Homography.h"

namespace vornak {

// The fourth point of a grid without an alignment pattern: estimated from the
// three finders alone, then moved to where the grid reads cleanest, within a
// bound on the work.
class TFourthCorner {
 public:
  // The transform of a symbol of the given side through the three finder
  // centres (continuous pixels) and a fourth point estimated from their
  // apparent module sizes (a perspective estimate), falling back to the
  // affine map the centres alone span. False (t kept) when both are
  // degenerate.
  static bool Estimate(const std::array<TPointReal, 3>& finders,
                       const std::array<long double, 3>& modules, int32_t side, THomography& t);
  // The affine map: the fourth point completes the finders' parallelogram.
  static bool Affine(const std::array<TPointReal, 3>& finders, int32_t side, THomography& t);

  // Moves the fourth point of t, a grid of the given side through the
  // finders, about its place to where the grid reads cleanest, coarse then
  // fine, as long as the work bound allows.
  void Refine(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders, int32_t side,
              long double moduleSize, THomography& t);

  // Work of Refine is counted in modules scored. Bound bounds it until
  // Unbound; Work counts it since the last Bound.
  void Bound(int64_t modules) {
    FBudget = modules;
    FWork = 0;
  }
  void Unbound() { FBudget = std::numeric_limits<int64_t>::max(); }
  int64_t Work() const { return FWork; }

 private:
  // Modules that read the same at the centre and a third of a module off,
  // of a grid of the given side. A count that cannot exceed beat may stop
  // early and come out as low as what it reached. Each row scored is
  // charged to the budget. half scores every other module only (a
  // checkerboard).
  int32_t Clarity(const TPlaneBoolean& plane, const THomography& t, int32_t side, int32_t beat,
                  bool half);

  int64_t FBudget = std::numeric_limits<int64_t>::max();
  int64_t FWork = 0;
};

}  // namespace vornak
