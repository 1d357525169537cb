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

  // Rounds a grid is refined at most: three on the edges of the patterns
  // the standard fixes, two on every edge.
  static constexpr int32_t kRounds = 5;
  static constexpr int32_t kFixedRounds = 3;  // the first ones

  // Fits grid.Bend to the edges of matrix (grid.Size a side, read through
  // grid) in plane and reads matrix again: round (0 first) of refining a
  // grid. False, with grid and matrix unchanged, when too few edges were
  // measured.
  bool Refine(const TPlaneBoolean& plane, TModuleGrid& grid, TPlaneBoolean& matrix, int32_t round);

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
  // The edges of matrix as read through grid; with data false only those
  // between two modules whose colours the standard fixes (or the quiet
  // zone).
  void Measure(const TPlaneBoolean& plane, const TModuleGrid& grid, const TPlaneBoolean& matrix,
               bool data);
  // Adds the bend that best moves the grid onto the edges to grid.Bend,
  // with its first terms only (3: shift and stretch, 6: and a quadratic
  // bend, all: a cubic one).
  bool Fit(TModuleGrid& grid, size_t terms);

  std::vector<TEdge> FEdges;
  // Per module of a symbol FFixedSide a side: the colour the standard
  // fixes (1 dark, 0 light), -1 for data, format and version modules.
  std::vector<int8_t> FFixed;
  int32_t FFixedSide = 0;
  std::vector<TBend::TTerms> FBasis;  // per edge
};

}  // namespace vornak
