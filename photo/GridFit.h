#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "photo/GridReader.h"

namespace vornak {

// Lays a sampled grid onto the edges the picture shows: wherever two
// neighbouring modules were read in different colours (or a dark module
// meets the light quiet zone) the edge between them should lie in the
// picture half-way between their centres. Where each such edge really lies
// is measured across it, and a smooth bend of the grid (TBend) is fitted to
// all the measurements at once: a label bent round a bottle, a crease or a
// transform fitted to too few points then read module by module again. The
// edges of the patterns the standard fixes lead, those of the data follow.
class TGridFit {
 public:
  // Edges measured at least, and the share of them that must be found.
  static constexpr int32_t kMinEdges = 40;
  // Timing edges followed at least before a grid is bent onto them alone:
  // a version 1 symbol's two timing lines and their far ends.
  static constexpr int32_t kMinChainEdges = 12;

  // Rounds a grid is refined at most: three on the edges of the patterns
  // the standard fixes, two on every edge.
  static constexpr int32_t kRounds = 5;
  static constexpr int32_t kFixedRounds = 3;  // the first ones

  // Fits grid.Bend to the edges of matrix (grid.Size a side, read through
  // grid) in plane and reads matrix again: round (0 first) of refining a
  // grid. False, with grid and matrix unchanged, when too few edges were
  // measured. With chains the last fixed round first bends the grid onto
  // the timing patterns followed module by module (Chain): not for a grid
  // whose timing is still to be judged, since the chains find alternation
  // in noise too.
  bool Refine(const TPlaneBoolean& plane, TModuleGrid& grid, TPlaneBoolean& matrix, int32_t round,
              bool chains = true);

 private:
  // One measured edge: its module point, the unit direction across it in
  // the picture, and how far along that direction it lies from where the
  // grid puts it, in pixels.
  struct TEdge {
    double U = 0;
    double V = 0;
    double DirectionX = 0;
    double DirectionY = 0;
    double Offset = 0;
    double Module = 0;  // pixels per module across the edge
  };
  // Which edges Measure looks for: every one, those between two modules
  // whose colours the standard fixes (or the quiet zone), or the timing
  // patterns' alone.
  enum class TEdges { All, Fixed, Chains };
  // The edges of matrix as read through grid.
  void Measure(const TPlaneBoolean& plane, const TModuleGrid& grid, const TPlaneBoolean& matrix,
               TEdges edges);
  // The edges of the corner finder's middle line and of one timing pattern
  // (rows 3 and 6 when along, else columns 3 and 6), followed module by
  // module from the finder's centre: each edge is looked for where the
  // ones before it put it, not where the grid does.
  void Chain(const TGridReader& reader, int32_t n, bool along);
  // A walk along a line of modules: the grid's error at the last edge found
  // (in modules along the line) and its change per module, the last edge's
  // module coordinate and picture point, the module width measured there.
  struct TWalk {
    double Drift = 0;
    double Rate = 0;
    int32_t Module = 0;
    double X = 0;
    double Y = 0;
    double Step = 0;
    bool Have = false;
  };
  // Looks for the edge at module coordinate k of the line at line (a row
  // when along, else a column), walking in direction (+1 or -1) from a
  // colour before to the other, where walk predicts it (fromCentre: the
  // first change out from the finder's centre); adds it to FEdges and
  // moves walk on. False when it is not found.
  bool Follow(const TGridReader& reader, int32_t n, bool along, double line, int32_t k,
              int32_t direction, bool before, bool fromCentre, TWalk& walk);
  // How many modules whose colours the standard fixes read so through grid.
  int32_t FixedAgreement(const TPlaneBoolean& plane, const TModuleGrid& grid);
  // FFixed for a symbol n modules a side.
  void MakeFixed(int32_t n);
  // Adds the bend that best moves the grid onto the edges to grid.Bend,
  // with the terms whose bits are set in terms only (the first 3: shift and
  // stretch, 6: and a quadratic bend, all: a cubic one).
  // False, grid unchanged, with fewer than minimum edges.
  bool Fit(TModuleGrid& grid, uint32_t terms, size_t minimum);

  std::vector<TEdge> FEdges;
  // Per module of a symbol FFixedSide a side: the colour the standard
  // fixes (1 dark, 0 light), -1 for data, format and version modules.
  std::vector<int8_t> FFixed;
  int32_t FFixedSide = 0;
  std::vector<TBend::TTerms> FBasis;  // per edge
};

}  // namespace vornak
