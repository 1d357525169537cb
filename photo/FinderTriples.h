#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/BestInOrder.h"
#include "common/Types.h"
#include "locate/BitRows.h"

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
  int32_t Find(const TPlaneBoolean& plane);
  // True once Find has run since construction or the last Clear.
  bool Searched() const { return FSearched; }
  void Clear();

  const std::vector<TFinderCandidate>& Candidates() const { return FCandidates; }
  const std::vector<TFinderTriple>& Triples() const { return FTriples; }

  // Scores three candidates as one symbol and orders them; false when they
  // cannot be one (module sizes too different, angle too far from right,
  // legs too unequal or too short).
  static bool MakeTriple(const TFinderCandidate& a, const TFinderCandidate& b,
                         const TFinderCandidate& c, TFinderTriple& triple);

  // How three candidates make a triple: which is the corner, whether the
  // other two are taken the other way round, and the triple's module and
  // score. Triangles are ranked as such small records and only the best
  // are built.
  struct TTripleShape {
    size_t Corner = 0;
    bool Swapped = false;
    long double Module = 0;
    long double Score = 0;
  };
  static void BuildTriple(const std::array<const TFinderCandidate*, 3>& p,
                          const TTripleShape& shape, TFinderTriple& triple);

  // Modules of finder index (0..2) of the triple and of its separator, the
  // 8 x 8 modules on the symbol's side, that read other than a finder
  // should, stopping once the count passes limit. Each finder is read in a
  // frame of its own: the triple's axes, scaled and centred by walking from
  // the candidate's centre to the outer edge of its dark ring along each
  // axis (one way when the other runs into a dark surround), so that
  // perspective and rotation, which the finder search does not measure,
  // do not count. 64 when no ring edge is found along an axis.
  static int32_t FinderMisreads(const TPlaneBoolean& plane, const TFinderTriple& triple,
                                int32_t index, int32_t limit = 64);
  // Finders read with at most this many misreads each: a real symbol's,
  // blurred, tilted, styled or with rounded modules, up to about 16 in
  // photographs; look-alikes in noise and texture mostly above 25.
  static constexpr int32_t kMaxFinderMisreads = 21;
  // Whether all three finders of the triple read as finders. A triple of
  // look-alikes is then dropped before any grid is guessed, sampled or
  // decoded: on a picture without a symbol that work is most of the cost.
  static bool ReadsAsFinders(const TPlaneBoolean& plane, const TFinderTriple& triple);

 private:
  // MakeTriple given the sides facing a, b and c.
  static bool MakeTriple(const TFinderCandidate& a, const TFinderCandidate& b,
                         const TFinderCandidate& c, const std::array<long double, 3>& side,
                         TFinderTriple& triple);
  // Its tests and score alone, without building the triple.
  static bool TripleShape(const std::array<const TFinderCandidate*, 3>& p,
                          const std::array<long double, 3>& side, TTripleShape& shape);
  void ScanRow(const TPlaneBoolean& plane, int32_t y);
  void Confirm(const TPlaneBoolean& plane, const std::array<int32_t, 5>& runs, int32_t end,
               int32_t y);
  void AddCandidate(const TFinderCandidate& found);
  void RankCandidates(const TPlaneBoolean& plane);
  void BuildTriples();

  std::vector<TFinderCandidate> FCandidates;
  std::vector<TFinderTriple> FTriples;
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
  TBitRows FBits;  // the plane packed for the row scan
  // One row's colour changes, run lengths and windows that pass the ratio.
  std::vector<int32_t> FChanges;
  std::vector<int32_t> FRuns;
  std::vector<int32_t> FHits;
  bool FSearched = false;
};

}  // namespace vornak
