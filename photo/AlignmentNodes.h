#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Geometry.h"
#include "common/Types.h"
#include "photo/AlignmentFinder.h"
#include "photo/GridReader.h"
#include "photo/Homography.h"

namespace vornak {

// A grid laid piecewise through every alignment pattern of a symbol (versions
// 7 and up), so that each region is read through the transform of its own
// four nearest reference points: a label curved round a bottle bends away
// from any one transform.
class TAlignmentNodes {
 public:
  explicit TAlignmentNodes(TAlignmentFinder& finder) : FFinder(finder) {}

  // Looks for every alignment pattern at the positions (module coordinates
  // along one axis) of a grid of grid.Size modules whose transform rests on
  // the three finders, and lays a cell between each four neighbouring nodes
  // (predicted where no pattern is found); the outer cells reach the
  // symbol's edges. When the bottom-right pattern is found the transform is
  // refitted through it and the search runs again. Appends the patterns
  // found to alignments. False, the grid untouched but for its transform,
  // when there are fewer than three positions.
  bool Lay(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
           const std::vector<int32_t>& positions, TModuleGrid& grid,
           std::vector<TPointReal>& alignments);

 private:
  // Looks for every alignment pattern near where the transform (or, with
  // parallelogram, the three nodes behind) puts it; node receives the
  // centres, predicted ones where found is 0.
  void Search(const TPlaneBoolean& plane, const THomography& transform,
              const std::vector<int32_t>& positions, bool parallelogram,
              std::vector<TPointReal>& node, std::vector<uint8_t>& found);
  // Where node (i, j) is looked for: with parallelogram from the nodes found
  // behind it, else where the transform predicted it, moved by the mean
  // offset of the neighbours found behind it from their predictions.
  static TPointReal Predict(const THomography& transform, const std::vector<int32_t>& positions,
                            bool parallelogram, const std::vector<TPointReal>& node,
                            const std::vector<uint8_t>& found, int32_t i, int32_t j,
                            const TPointReal& predicted);

  TAlignmentFinder& FFinder;
};

}  // namespace vornak
