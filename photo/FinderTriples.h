#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/Types.h"
#include "locate/BitRows.h"
#include "photo/FinderCandidate.h"
#include "photo/KnownArea.h"

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
  // packed, when given, is the plane already packed into bit rows. light,
  // when given, gets the finders light on dark from the same scan, as if
  // it had searched the plane inverted: a light finder's runs are the ones
  // between a dark finder's.
  int32_t Find(const TPlaneBoolean& plane, const TBitRows* packed = nullptr,
               TFinderTriples* light = nullptr);
  // The same search of a plane known only packed.
  int32_t Find(const TBitRows& rows, TFinderTriples* light = nullptr);
  // Areas of symbols read, which the next searches pass over: a sighting
  // one of them covers is not confirmed, so that a symbol's own modules
  // neither cost the search nor crowd out the finders left.
  void SetKnown(std::vector<TKnownArea> known) { FKnown = std::move(known); }
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
  // Clears the search and lays the merge grid over a plane of that size.
  void Start(int32_t width, int32_t height);
  void ScanRow(int32_t y, TFinderTriples* light);
  void Confirm(const std::array<int32_t, 5>& runs, int32_t end, int32_t y);
  void AddCandidate(const TFinderCandidate& found);
  void RankCandidates();
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
  // The finders sought are light on dark.
  bool FLight = false;
  std::vector<TKnownArea> FKnown;
};

}  // namespace vornak
