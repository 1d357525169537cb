#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace vornak {

// One finder-like stretch of a pixel row or column: from the first pixel of
// the first dark run to the last pixel of the fifth run (dark), inclusive.
// A horizontal run has StartPt.Y == EndPt.Y, a vertical one StartPt.X == EndPt.X.
struct TLine {
  bool Active = false;    // cleared once a group has claimed the run
  int32_t GroupSize = 0;  // 0 for a raw run; the group's size for a representative
  TPoint StartPt;
  TPoint EndPt;
  bool operator==(const TLine&) const = default;
};

// An ordered list of run records, copied in and out by value.
class TLines {
 public:
  void Clear();
  // Appends a copy and returns its index.
  int32_t Add(const TLine& line);
  // Index outside 0..Count()-1 throws std::out_of_range.
  void Get(int32_t index, TLine& line) const;
  TLine Get(int32_t index) const;
  void Put(int32_t index, const TLine& line);
  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  // GroupSize descending, by the partition-exchange sort whose order among
  // equal sizes later decides ties between candidate centres.
  void Sort();

  // Direct read access for the grouping index.
  const std::vector<TLine>& Items() const { return FList; }

 private:
  std::vector<TLine> FList;
};

}  // namespace vornak
