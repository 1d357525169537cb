#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "locate/BitRows.h"
#include "locate/CenterDots.h"
#include "locate/Lines.h"

namespace vornak {

// Finds the three finder patterns of a symbol in a two-level picture and
// orders them: 0 = corner (top-left), 1 = end of axis A (top-right),
// 2 = end of axis B (bottom-left).
class TFindPattern {
 public:
  TFindPattern();
  ~TFindPattern();

  // 0 when three candidate centres were found and ordered, else 1 (the
  // previous centres stay). Width and Height are clipped to the plane.
  int32_t Find(const TPlaneBoolean& image, int32_t width, int32_t height);
  int32_t Find(const TPlaneBoolean& image) { return Find(image, image.Width(), image.Height()); }

  // Centre Index (0..2); any other index yields (0, 0).
  void GetPattern(int32_t index, TPoint& p) const;
  TPoint GetPattern(int32_t index) const;
  const std::array<TPoint, 3>& Patterns() const { return FPatterns; }

  // Five run widths, c[s] the run in progress (the dark run that just ended):
  // true when every run lies within half a module of 1:1:3:1:1.
  static bool IsFinderRatio(const std::array<int32_t, 5>& c, int32_t s);
  // Reorders three centres into corner, axis A end, axis B end.
  static void Orient(std::array<TPoint, 3>& patterns);
  // Index k of the longest side (pattern k to pattern (k+1) mod 3), earliest
  // among equal truncated lengths; -1 when all three sides have length 0.
  static int32_t LongestSide(const std::array<TPoint, 3>& patterns);

  // Runs and candidates of the last Find, for inspection.
  const TLines& HorzRuns() const { return *FHorzRuns; }
  const TLines& VertRuns() const { return *FVertRuns; }
  const TCenterDots& CenterDots() const { return *FCenterDots; }
  // The picture of the last Find, packed: a later search of the same plane
  // need not pack it again.
  const TBitRows& PackedRows() const { return FRows; }

 private:
  void ScanHorizontal(const TPlaneBoolean& image, int32_t width, int32_t height);
  // The columns of the picture ScanHorizontal packed.
  void ScanVertical();

  std::unique_ptr<TLines> FHorzRuns;
  std::unique_ptr<TLines> FVertRuns;
  std::array<TPoint, 3> FPatterns{};
  std::unique_ptr<TCenterDots> FCenterDots;
  // The picture of the last Find packed, and its columns packed as rows.
  TBitRows FRows;
  TBitRows FColumns;
};

}  // namespace vornak
