#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/Types.h"
#include "locate/Lines.h"

namespace vornak {

// A candidate finder centre: the crossing of a horizontal and a vertical group
// representative.
struct TCenterDot {
  int32_t Score = 0;  // GroupSize of the horizontal plus that of the vertical representative
  TPoint Center;      // X from the vertical representative, Y from the horizontal one
  bool operator==(const TCenterDot&) const = default;
};

// Turns finder-like row and column stretches into scored candidate centres and
// keeps the three best.
class TCenterDots {
 public:
  TCenterDots();
  ~TCenterDots();

  // Groups crossing runs, crosses the group representatives and selects the
  // three best centres. Clears Active on every run a group claims.
  void Build(TLines& horzRuns, TLines& vertRuns);
  // Number of candidate centres of the last Build.
  int32_t Count() const { return static_cast<int32_t>(FDots.size()); }
  // Selected centre 0, 1 or 2 (by score, earliest first among equals); any
  // other index yields (0, 0).
  void GetPoint(int32_t index, TPoint& p) const;
  TPoint GetPoint(int32_t index) const;

  // Truncated Euclidean distance.
  static int32_t Distance(TPoint p1, TPoint p2);
  // Trunc(sqrt(n)) in extended precision; 0 for n <= 0.
  static int32_t IntSqrt(int64_t n);
  // True when v's column lies strictly inside h and h's row strictly inside v.
  static bool IsCross(const TLine& h, const TLine& v);

  // Results of the last Build, for inspection.
  const TLines& HorzGroups() const { return *FHorzGroups; }
  const TLines& VertGroups() const { return *FVertGroups; }
  const std::vector<TCenterDot>& Dots() const { return FDots; }

 private:
  void Clear();
  void GroupHorizontal(TLines& horzRuns, TLines& vertRuns);
  void GroupVertical(TLines& horzRuns, TLines& vertRuns);
  void CrossGroups();
  static TCenterDot CrossPoint(const TLine& h, const TLine& v);
  void AddDot(const TCenterDot& dot);
  void SelectBest();

  std::vector<TCenterDot> FDots;
  std::unique_ptr<TLines> FHorzGroups;
  std::unique_ptr<TLines> FVertGroups;
  std::array<TPoint, 3> FPoints{};
};

}  // namespace vornak
