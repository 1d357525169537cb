#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "locate/BitRows.h"
#include "photo/FinderCandidate.h"

namespace vornak {

// Keeps up to kMaxCandidates finder candidates (most confirmed first; when
// more are confirmed, only those that also cross 1:1:3:1:1 along both
// diagonals) and ranks the triples among them that could be one symbol,
// keeping at most kMaxTriples. Linear in the number of pixels plus a fixed
// bound.
class TFinderTriples {
 public:
  static constexpr int32_t kMaxCandidates = 12;
  static constexpr int32_t kMaxTriples = 8;

  // Scans every row of the plane; returns the number of triples kept.
  // packed, when given, is the plane already packed into bit rows.
  int32_t Find(const TPlaneBoolean& plane, const TBitRows* packed = nullptr);
  // True once Find has run since construction or the last Clear.
  bool Searched() const { return FSearched; }
  void Clear();

  const std::vector<TFinderCandidate>& Candidates() const { return FCandidates; }
  const std::vector<TFinderTriple>& Triples() const { return FTriples; }

  // The triples among the candidates that a strong perspective explains,
  // best confirmed first, at most kMaxPerspectiveTriples; worked out on
  // each call, for the locators that want them.
  static constexpr int32_t kMaxPerspectiveTriples = 8;
  std::vector<TFinderTriple> PerspectiveTriples() const;

 private:
  void ScanRow(const TPlaneBoolean& plane, int32_t y);
  void Confirm(const TPlaneBoolean& plane, const std::array<int32_t, 5>& runs, int32_t end,
               int32_t y);
  void AddCandidate(const TFinderCandidate& found);
  void RankCandidates(const TPlaneBoolean& plane);
  void BuildTriples();

  std::vector<TFinderCandidate> FCandidates;
  std::vector<TFinderTriple> FTriples;
  // Distances between every pair of candidates, n x n.
  std::vector<long double> FDistances;
  // Candidates by the grid cell of their first position, so that merging a
  // new sighting looks at its neighbourhood only.
  // Each cell lists its candidates in the order they were added: the first
  // and last of them, and after each candidate the next in its cell (-1
  // ends a list).
  std::vector<int32_t> FCellFirst;
  std::vector<int32_t> FCellLast;
  std::vector<int32_t> FNextInCell;
  int64_t FCellColumns = 0;
  int64_t FCellRows = 0;
  TBitRows FBits;  // the plane packed for the row scan, when not given
  const TBitRows* FRows = nullptr;
  // One row's colour changes, run lengths and windows that pass the ratio.
  std::vector<int32_t> FChanges;
  std::vector<int32_t> FRuns;
  std::vector<int32_t> FHits;
  bool FSearched = false;
};

}  // namespace vornak
