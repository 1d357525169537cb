#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "common/Types.h"
#include "photo/AlignmentFinder.h"
#include "photo/FinderLocator.h"
#include "photo/FinderTriples.h"
#include "photo/Homography.h"

namespace vornak {

// Samples a symbol through a perspective transform anchored on the three
// finders and the alignment patterns, rather than the classic bilinear grid
// between four corners: the bottom-right alignment pattern fixes the fourth
// point of the transform, and from version 7 on every alignment pattern is
// looked for so that each region is sampled through the transform of its own
// four nearest reference points (a label curved round a bottle). Each module
// is read as the majority of a small neighbourhood of its centre.
class THomographyLocator : public TFinderLocator {
 public:
  THomographyLocator();
  explicit THomographyLocator(TFinderCache& shared);
  ~THomographyLocator() override;
  THomographyLocator(const THomographyLocator&) = delete;
  THomographyLocator& operator=(const THomographyLocator&) = delete;

  const char* Name() const override { return "homography"; }
  // Takes finder triples and versions from the finder search (then the
  // triples only a strong perspective explains) and offers for each the
  // grid anchored on the alignment patterns: piecewise from version 7, one
  // transform through the bottom-right pattern for 2 to 6; the transform
  // estimated from the finders alone for version 1 or when no pattern is
  // found.
  bool Locate(const TPlaneBoolean& plane, const TDecodeSettings& settings,
              const TLocationSink& sink) override;

  // How the grid is built for one candidate.
  enum class TGrid {
    Piecewise,  // every alignment pattern (versions 7 and up), else as Single
    Single,     // one transform through the bottom-right alignment pattern
    Estimated,  // one transform through a fourth point from the finders alone
  };

  // Samples version's matrix given the finder centres (continuous pixel
  // coordinates: corner finder, axis A end, axis B end) and their apparent
  // module sizes in pixels. 0 with Matrix()/Size() filled; 1 when the geometry is
  // degenerate, the version out of range, or (for Single and Piecewise) the
  // bottom-right alignment pattern not found; 2 when the grid's timing
  // patterns do not alternate (noise, not a symbol), checked before the
  // costly work.
  int32_t Sample(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                 const std::array<long double, 3>& modules, int32_t version, TGrid grid);

  const TPlaneBoolean& Matrix() const { return FMatrix; }
  // Modules the fourth-point refinement scored in the last Locate: bounded
  // by the picture's size (kClarityPerPixel per pixel, at least kMinClarity)
  // give or take the grid being scored when the bound was reached.
  int64_t ClarityWork() const { return FClarityWork; }
  static constexpr int64_t kClarityPerPixel = 4;
  static constexpr int64_t kMinClarity = 60000;
  int32_t Size() const { return FSize; }
  // The transform of the last Sample (the global one when piecewise).
  const THomography& Transform() const { return FTransform; }
  // Alignment patterns located by the last Sample (pixel centres).
  const std::vector<TPointReal>& Alignments() const { return FAlignments; }
  // The outer corners (corner finder, axis A end, axis B end, fourth) in
  // continuous pixel coordinates, through the global transform.
  std::array<TPointReal, 4> OuterCorners() const;

  // Module coordinates of the alignment-pattern centres of a version, along
  // one axis (empty for version 1 or out of range).
  static std::vector<int32_t> AlignmentPositions(int32_t version);

  // Triples of candidates that a strong perspective explains (finder sizes
  // up to 2.6 times apart, the corner facing the longest side), best
  // confirmed first, at most kMaxPerspectiveTriples.
  static constexpr int32_t kMaxPerspectiveTriples = 8;
  // Candidate grids offered per plane at most.
  static constexpr int32_t kMaxOffers = 20;
  // rank 0 takes the corner facing the longest side, rank 1 the one facing
  // the second longest when it is nearly as long (else false).
  static bool PerspectiveTriple(const TFinderCandidate& a, const TFinderCandidate& b,
                                const TFinderCandidate& c, TFinderTriple& triple, int32_t rank = 0);
  static std::vector<TFinderTriple> PerspectiveTriples(
      const std::vector<TFinderCandidate>& candidates);

 private:
  // PerspectiveTriple past the module sizes, given the triangle's sides
  // (longest first, each with the vertex it faces).
  static bool PerspectiveCorner(const std::array<const TFinderCandidate*, 3>& p,
                                const std::array<std::pair<long double, size_t>, 3>& sides,
                                int32_t rank, TFinderTriple& triple);
  // Its tests and score alone, without building the triple.
  static bool PerspectiveShape(const std::array<const TFinderCandidate*, 3>& p,
                               const std::array<std::pair<long double, size_t>, 3>& sides,
                               int32_t rank, TFinderTriples::TTripleShape& shape);
  // The fourth reference point estimated from the three finders alone.
  // From the finders' centres and apparent module sizes (a perspective
  // estimate), falling back to the affine map the centres alone span.
  bool FitEstimated(const std::array<TPointReal, 3>& finders,
                    const std::array<long double, 3>& modules, int32_t side);
  bool FitAffine(const std::array<TPointReal, 3>& finders, int32_t side);
  // Modules that read the same at the centre and a third of a module off.
  // A count that cannot exceed beat may stop early and come out as low as
  // what it reached.
  // Each row scored is charged to FClarityBudget. half scores every other
  // module only (a checkerboard).
  int32_t Clarity(const TPlaneBoolean& plane, const THomography& t, int32_t beat = -1,
                  bool half = false);
  // Moves the estimated fourth point to where the grid reads cleanest.
  void RefineFourth(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                    int32_t side, long double moduleSize);
  // Reads every module through the grid (each module the majority of a
  // 3 x 3 patch around its centre): the global transform, or each cell's.
  void SampleAll(const TPlaneBoolean& plane);
  // Whether at least share (0..1) of the steps along both timing patterns,
  // separators included, change colour through the grid; reading stops as
  // soon as the rest cannot change the answer.
  bool TimingAlternates(const TPlaneBoolean& plane, long double share) const;
  // 0 sampled, 1 too few alignment positions, 2 timing reads like noise.
  int32_t SamplePiecewise(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                          int32_t version);
  // Looks for every alignment pattern near where the transform (or, with
  // parallelogram, the three nodes behind) puts it; node receives the
  // centres, predicted ones where found is 0.
  void SearchNodes(const TPlaneBoolean& plane, const std::vector<int32_t>& positions,
                   bool parallelogram, std::vector<TPointReal>& node, std::vector<uint8_t>& found);

  TPlaneBoolean FMatrix;
  int32_t FSize = 0;
  THomography FTransform;
  // Piecewise grid: a transform per cell, FCellSpan cells a side, and the
  // cell index of each module row or column; empty otherwise.
  std::vector<THomography> FCells;
  std::vector<int32_t> FCellOf;
  int32_t FCellSpan = 0;
  // The last Sample gave up because the grid estimated from the finders
  // alone reads its timing like noise: the estimated grid is no better.
  bool FEstimateNoise = false;
  // Modules are read as the majority of a patch round their centre, rather
  // than at the centre alone: large enough modules (set by Sample).
  bool FPatch = true;
  // Modules Clarity may still score in this Locate (unbounded outside it).
  int64_t FClarityBudget = std::numeric_limits<int64_t>::max();
  int64_t FClarityWork = 0;
  std::vector<TPointReal> FAlignments;
  std::unique_ptr<TAlignmentFinder> FAlignmentFinder;
};

}  // namespace vornak
