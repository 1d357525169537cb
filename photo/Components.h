#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "locate/BitRows.h"

namespace vornak {

// The connected components of a two-level plane: dark ones 8-connected,
// light ones 4-connected, so that a dark ring closes round its light hole
// even where it is one pixel thin on a diagonal, and every component but
// those at the border lies inside exactly one other. Each has its area,
// bounding box, centroid and the component round it. Linear in the pixels
// and the runs of the plane.
class TComponents {
 public:
  struct TComponent {
    bool Dark = false;
    bool TouchesBorder = false;
    int64_t Area = 0;
    int32_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;  // bounding box, inclusive
    int64_t SumX = 0, SumY = 0;              // of the pixel indices
    // The component round this one (the one above its first pixel in
    // raster order); -1 for one that touches the top border there.
    int32_t Parent = -1;
    int32_t Children = 0;       // components directly inside it
    int64_t ChildArea = 0;      // their area
    int32_t LargestChild = -1;  // the largest of them
    // The component filled row by row, from its first pixel to its last in
    // each row: pixels, and twice the sums of their centres' x and y.
    int64_t Filled = 0, FilledSumX2 = 0, FilledSumY2 = 0;
    long double CentreX() const { return static_cast<long double>(SumX) / Area + 0.5L; }
    long double CentreY() const { return static_cast<long double>(SumY) / Area + 0.5L; }
  };
  // A run of one colour in a row: pixels [X0, X1).
  struct TRun {
    int32_t X0 = 0;
    int32_t X1 = 0;
    int32_t Component = 0;
  };

  // packed, when given, is the plane already packed into bit rows.
  void Label(const TPlaneBoolean& plane, const TBitRows* packed = nullptr);

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  const std::vector<TComponent>& Components() const { return FComponents; }
  // The runs of row y, left to right, covering the row.
  const TRun* RowBegin(int32_t y) const { return FRuns.data() + FRowStart[static_cast<size_t>(y)]; }
  const TRun* RowEnd(int32_t y) const {
    return FRuns.data() + FRowStart[static_cast<size_t>(y) + 1];
  }
  // Calls each(run) for every run of component in row y that starts at or
  // before column x1, from the one holding column x0 (0 <= x0 < Width()).
  template <typename TEach>
  void EachRun(int32_t component, int32_t y, int32_t x0, int32_t x1, TEach&& each) const {
    const TRun* end = RowEnd(y);
    for (const TRun* r = RunAt(x0, y); r != end && r->X0 <= x1; ++r)
      if (r->Component == component) each(*r);
  }
  // The component of pixel (x, y), which must lie in the plane.
  int32_t At(int32_t x, int32_t y) const { return RunAt(x, y)->Component; }
  // The run of row y that holds pixel x (0 <= x < Width()).
  const TRun* RunAt(int32_t x, int32_t y) const;

 private:
  int32_t Find(int32_t run);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  TBitRows FBits;
  std::vector<TRun> FRuns;
  std::vector<int32_t> FRoot;      // union-find over runs
  std::vector<int32_t> FRowStart;  // first run of each row, and one past the last
  std::vector<uint8_t> FRowDark;   // per row, whether its first run is dark
  std::vector<TComponent> FComponents;
  // Each component's extent in the row it was last seen in, added to its
  // filled area when a later row begins it, or at the end.
  struct TExtent {
    int32_t Row = -1;
    int32_t Left = 0, Right = 0;
  };
  std::vector<TExtent> FExtents;
};

}  // namespace vornak
