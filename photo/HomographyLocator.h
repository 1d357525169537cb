#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/Geometry.h"
#include "common/Types.h"
#include "photo/FinderLocator.h"
#include "photo/FourthCorner.h"
#include "photo/GridFit.h"
#include "photo/GridReader.h"
#include "photo/GridTrack.h"
#include "photo/Homography.h"

namespace vornak {

class TAlignmentFinder;
class TAlignmentNodes;

// Samples a symbol through a perspective transform anchored on the three
// finders and the alignment patterns, rather than the classic bilinear grid
// between four corners: the bottom-right alignment pattern fixes the fourth
// point of the transform, and from version 7 on every alignment pattern is
// looked for so that each region is sampled through the transform of its own
// four nearest reference points (a label curved round a bottle). Each module
// is read as the majority of a small neighbourhood of its centre.
class THomographyLocator : public TFinderLocator {
 public:
  // Where the finders come from: the run search (centres and module sizes
  // only), or the shape search, whose finders' corners fix the first
  // transform without a guess ("shapes").
  enum class TFinders { Runs, Shapes };

  explicit THomographyLocator(TFinders finders = TFinders::Runs);
  explicit THomographyLocator(TFinderCache& shared, TFinders finders = TFinders::Runs);
  ~THomographyLocator() override;

  const char* Name() const override { return FFinders == TFinders::Runs ? "homography" : "shapes"; }
  // Takes finder triples and versions from the finder search (then the
  // triples only a strong perspective explains) and offers for each the
  // grid anchored on the alignment patterns: piecewise from version 7, one
  // transform through the bottom-right pattern for 2 to 6; the transform
  // estimated from the finders alone for version 1 or when no pattern is
  // found.
  using TLocator::Locate;
  bool Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey, const TDecodeSettings& settings,
              const TLocationSink& sink) override;

  // How the grid is built for one candidate.
  enum class TGrid {
    Piecewise,  // every alignment pattern (versions 7 and up), else as Single
    Single,     // one transform through the bottom-right alignment pattern
    Estimated,  // one transform through a fourth point from the finders alone
  };
  // What became of one candidate grid.
  enum class TSampled {
    Done,         // Matrix() and Size() filled
    NoGrid,       // the geometry is degenerate, the version out of range, or
                  // (Single, Piecewise) the bottom-right pattern not found
    TimingNoise,  // the grid's timing patterns do not alternate: noise, not a
                  // symbol (checked before the costly work)
  };

  // A first transform fitted to points of the finders' outlines (module
  // space From, picture To), with those points: the grid through the
  // bottom-right alignment pattern is fitted to them too.
  struct TOutlineGrid {
    THomography Transform;
    std::vector<TPointReal> From;
    std::vector<TPointReal> To;
  };

  // Samples version's matrix given the finder centres (continuous pixel
  // coordinates: corner finder, axis A end, axis B end) and their apparent
  // module sizes in pixels; from outline's transform as the first one when
  // given, else from one estimated from the finders.
  TSampled Sample(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                  const std::array<long double, 3>& modules, int32_t version, TGrid grid,
                  const TOutlineGrid* outline = nullptr);

  const TPlaneBoolean& Matrix() const { return FMatrix; }
  int32_t Size() const { return FGrid.Size; }
  // Modules the fourth-point refinement scored in the last Locate: bounded
  // by the picture's size (kClarityPerPixel per pixel, at least kMinClarity)
  // give or take the grid being scored when the bound was reached.
  int64_t ClarityWork() const { return FFourth.Work(); }
  static constexpr int64_t kClarityPerPixel = 4;
  static constexpr int64_t kMinClarity = 60000;
  // The transform of the last Sample (the global one when piecewise).
  const THomography& Transform() const { return FGrid.Transform; }
  // The whole grid of the last sampling, cells and bend included.
  const TModuleGrid& Grid() const { return FGrid; }
  // Alignment patterns located by the last Sample (pixel centres).
  const std::vector<TPointReal>& Alignments() const { return FAlignments; }
  // The outer corners (corner finder, axis A end, axis B end, fourth) in
  // continuous pixel coordinates, through the global transform.
  std::array<TPointReal, 4> OuterCorners() const;

  // Candidate grids offered per plane at most.
  static constexpr int32_t kMaxOffers = 20;
  // What an offer of one triple and version reads: the grid as laid, or
  // only the grid bent onto the module edges round by round.
  enum class TStage { Laid, Bent };

 private:
  // Offers the grid of one triple and version to sink (counting it in
  // offered); true when the sink took it.
  bool Offer(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
             const std::array<long double, 3>& modules, int32_t version,
             const TOutlineGrid* outline, TStage stage, const TLocationSink& sink,
             int32_t& offered);
  bool LocateRuns(const TPlaneBoolean& plane, const TDecodeSettings& settings,
                  const TLocationSink& sink);
  bool LocateShapes(const TPlaneBoolean& plane, const TDecodeSettings& settings,
                    const TLocationSink& sink);
  // The grid of a symbol side modules a side, unbent, through outline's
  // transform when given, else through one estimated from the finders;
  // false when they fix none.
  bool Start(const std::array<TPointReal, 3>& finders, const std::array<long double, 3>& modules,
             int32_t side, const TOutlineGrid* outline);
  // A grid whose timing read like noise as laid, bent onto the patterns the
  // standard fixes; true, with FGrid and FMatrix set, when its timing then
  // reads as a symbol's.
  bool Rescue(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
              const std::array<long double, 3>& modules, int32_t version,
              const TOutlineGrid* outline);
  // The grid through the bottom-right alignment pattern (versions 2 to 6).
  TSampled SampleSingle(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                        long double moduleSize, const TOutlineGrid* outline);

  TFinders FFinders;
  // What rescues may still cost in this run (see kPixelsPerRescueModule).
  int64_t FRescueBudget = 0;
  // The picture of the plane being searched, when the caller gave it.
  const TPlaneGrey* FGrey = nullptr;
  TPlaneBoolean FMatrix;
  TPlaneInteger FLevels;
  TPlaneConfidence FConfidence;
  TModuleGrid FGrid;
  // The last Sample gave up because the grid estimated from the finders
  // alone reads its timing like noise: the estimated grid is no better.
  bool FEstimateNoise = false;
  TFourthCorner FFourth;
  TGridFit FFit;
  TGridTrack FTrack;
  std::vector<TPointReal> FAlignments;
  std::unique_ptr<TAlignmentFinder> FAlignmentFinder;
  std::unique_ptr<TAlignmentNodes> FNodes;
};

}  // namespace vornak
