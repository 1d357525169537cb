#include "photo/HomographyLocator.h"

#include <algorithm>
#include <cmath>

#include "common/Arith.h"
#include "photo/AffineGrid.h"
#include "photo/AlignmentFinder.h"
#include "photo/AlignmentNodes.h"
#include "photo/FinderAnchors.h"
#include "photo/FinderCheck.h"
#include "photo/ModuleConfidence.h"
#include "photo/ThirdFinder.h"
#include "photo/TripleLocator.h"
#include "photo/VersionGuess.h"
#include "symbol/SeedModule.h"
#include "symbol/StandardTables.h"
#include "symbol/Symbol.h"

namespace vornak {

namespace {

// Search radius for the bottom-right alignment pattern, in modules, at each
// try.
constexpr std::array<long double, 3> kBottomRightRadii = {4.0L, 8.0L, 14.0L};

// Share of neighbouring timing modules that must differ before a grid is
// refined or sampled in full (TGridReader::TimingAlternates).
constexpr long double kMinAlternation = 0.75L;
// The same through the grid estimated from the finders alone, before the
// alignment patterns are looked for: that grid may drift a little under a
// strong tilt (symbols tilted 40 degrees read 0.6 and up), noise and
// texture read below 0.5.
constexpr long double kMinEstimatedAlternation = 0.5L;
// Before the fourth point of a grid without alignment patterns is refined:
// version 1 tilted 25 degrees with no perspective in the estimate reads
// 0.67, noise mostly 0.5 and below.
constexpr long double kMinRefineAlternation = 0.6L;
// A grid rescued by bending (THomographyLocator::Rescue) costs about its
// modules for each fixed round; the rescues of one run may cost one module
// per this many pixels of the plane: a few grids of the size a picture can
// show, none of a size the picture is too small for (noise offers those).
constexpr int64_t kPixelsPerRescueModule = 2;

// Rows that confirmed the least confirmed finder of a triple.
int32_t Weakest(const TFinderTriple& t) {
  return std::min({t.Finders[0].Count, t.Finders[1].Count, t.Finders[2].Count});
}

TPoint ToPixel(const TPointReal& p) { return TPoint{FloorToPixel(p.X), FloorToPixel(p.Y)}; }

}  // namespace

THomographyLocator::THomographyLocator(TFinders finders)
    : FFinders(finders),
      FAlignmentFinder(std::make_unique<TAlignmentFinder>()),
      FNodes(std::make_unique<TAlignmentNodes>(*FAlignmentFinder)) {}

THomographyLocator::THomographyLocator(TFinderCache& shared, TFinders finders)
    : TFinderLocator(shared),
      FFinders(finders),
      FAlignmentFinder(std::make_unique<TAlignmentFinder>()),
      FNodes(std::make_unique<TAlignmentNodes>(*FAlignmentFinder)) {}

THomographyLocator::~THomographyLocator() = default;

std::array<TPointReal, 4> THomographyLocator::OuterCorners() const {
  const long double n = FGrid.Size;
  const THomography& t = FGrid.Transform;
  std::array<TPointReal, 4> corners = {t.Map(0, 0), t.Map(n, 0), t.Map(0, n), t.Map(n, n)};
  const std::array<std::array<double, 2>, 4> at = {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}};
  for (size_t i = 0; i < 4; ++i) {
    double x = 0, y = 0;
    FGrid.Bend.Offset(at[i][0] * static_cast<double>(n), at[i][1] * static_cast<double>(n), x, y);
    corners[i].X += x;
    corners[i].Y += y;
  }
  return corners;
}

THomographyLocator::TSampled THomographyLocator::Sample(const TPlaneBoolean& plane,
                                                        const std::array<TPointReal, 3>& finders,
                                                        const std::array<long double, 3>& modules,
                                                        int32_t version, TGrid grid,
                                                        const TOutlineGrid* outline) {
  const long double moduleSize = (modules[0] + modules[1] + modules[2]) / 3;
  // The patch's outer samples within a pixel of the centre (modules under
  // 1 / kPatch, about 4.5 pixels) read the centre's own pixel or its
  // neighbours, which under a grid error of a fraction of a pixel lie in
  // the next module about as often as in this one: they outvote a right
  // centre more often than a stray pixel. Such modules are read at their
  // centre.
  FGrid.Patch = moduleSize * TGridReader::kPatch >= 1;
  FAlignments.clear();
  FGrid.Cells.clear();
  FEstimateNoise = false;
  if (version < kMinVersion || version > kMaxVersion || plane.Empty()) return TSampled::NoGrid;
  for (long double m : modules)
    if (!(m > 0) || !std::isfinite(m)) return TSampled::NoGrid;
  for (const auto& f : finders)
    if (!std::isfinite(f.X) || !std::isfinite(f.Y)) return TSampled::NoGrid;
  const int32_t side = SymbolSide(version);
  if (!Start(finders, modules, side, outline)) return TSampled::NoGrid;
  if (grid == TGrid::Estimated) {
    // Refining costs some hundred full readings of the grid: only a grid
    // whose timing already reads nearly right is worth it.
    if (!TGridReader(plane, FGrid).TimingAlternates(kMinRefineAlternation))
      return TSampled::TimingNoise;
    FFourth.Refine(plane, finders, side, moduleSize, FGrid.Transform);
    TGridReader(plane, FGrid).Sample(FMatrix);
    return TSampled::Done;
  }
  if (version < 2) return TSampled::NoGrid;
  if (!TGridReader(plane, FGrid).TimingAlternates(kMinEstimatedAlternation)) {
    FEstimateNoise = true;
    return TSampled::TimingNoise;
  }
  if (grid == TGrid::Piecewise && version >= 7) {
    TSampled result = TSampled::NoGrid;
    if (FNodes->Lay(plane, finders, TSeedModule(version).Coordinates(), FGrid, FAlignments))
      result = TGridReader(plane, FGrid).TimingAlternates(kMinAlternation) ? TSampled::Done
                                                                           : TSampled::TimingNoise;
    if (result != TSampled::Done) {
      FGrid.Cells.clear();
      return result;
    }
    TGridReader(plane, FGrid).Sample(FMatrix);
    return TSampled::Done;
  }
  return SampleSingle(plane, finders, moduleSize, outline);
}

bool THomographyLocator::Start(const std::array<TPointReal, 3>& finders,
                               const std::array<long double, 3>& modules, int32_t side,
                               const TOutlineGrid* outline) {
  FGrid.Size = side;
  FGrid.Bend.Reset(side);
  FMatrix.Resize(side, side, 0);
  if (outline != nullptr) {
    FGrid.Transform = outline->Transform;
    return true;
  }
  return TFourthCorner::Estimate(finders, modules, side, FGrid.Transform);
}

THomographyLocator::TSampled THomographyLocator::SampleSingle(
    const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders, long double moduleSize,
    const TOutlineGrid* outline) {
  // The bottom-right alignment pattern, three modules in from the corner
  // finder's opposite, looked for first where the perspective estimate puts
  // it, then where the affine one does, in windows growing with the module
  // size.
  const int32_t side = FGrid.Size;
  const long double a = side - 6.5L;
  const TPointReal module{a, a};
  std::vector<TPointReal> predictions = {FGrid.Transform.Map(module.X, module.Y)};
  const long double scale = std::max(moduleSize, FGrid.Transform.ScaleAt(module));
  THomography affine;
  if (TFourthCorner::Affine(finders, side, affine)) {
    const TPointReal p = affine.Map(module.X, module.Y);
    if (Distance(p, predictions[0]) > scale) predictions.push_back(p);
  }
  TPointReal hit{};
  std::vector<long double> radii;
  for (long double radius : kBottomRightRadii) radii.push_back(radius * scale);
  bool have = FAlignmentFinder->FindGrowing(plane, predictions, scale, radii, hit);
  // The search window must not have strayed onto a finder.
  for (const auto& f : finders)
    if (have && Distance(hit, f) < 4 * moduleSize) have = false;
  if (have) {
    if (outline == nullptr) {
      have = FGrid.Transform.Fit(FinderAnchors(side, module),
                                 {finders[0], finders[1], finders[2], hit});
    } else {
      // Through the twelve ring corners and the pattern (weighed as much as
      // a finder's four) in the least squares: on a bent surface the four
      // centres alone fit a transform that swings far out beyond the
      // pattern, where the fourth corner has no finder to hold it.
      std::vector<TPointReal> from = outline->From, to = outline->To;
      from.insert(from.end(), 4, module);
      to.insert(to.end(), 4, hit);
      have = FGrid.Transform.FitLeastSquares(from, to);
    }
  }
  if (!have) return TSampled::NoGrid;
  FAlignments.push_back(hit);
  if (!TGridReader(plane, FGrid).TimingAlternates(kMinAlternation)) return TSampled::TimingNoise;
  TGridReader(plane, FGrid).Sample(FMatrix);
  return TSampled::Done;
}

bool THomographyLocator::Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey,
                                const TDecodeSettings& settings, const TLocationSink& sink) {
  // The refinement work of this run is bounded by the picture's size (see
  // kClarityPerPixel); a direct Sample call is not bounded. Refining costs
  // some hundred readings of the whole grid, and on noise it may run for
  // every triple that slips past the timing checks. The least bound covers
  // refining a small picture's version 2 guess and then its version 1 one,
  // as a tilted version 1 symbol needs.
  struct TUnbound {
    TFourthCorner& Fourth;
    ~TUnbound() { Fourth.Unbound(); }
  } const unbound{FFourth};
  FFourth.Bound(std::max(kMinClarity, kClarityPerPixel * plane.Width() * plane.Height()));
  FRescueBudget = static_cast<int64_t>(plane.Width()) * plane.Height() / kPixelsPerRescueModule;
  FGrey = grey != nullptr && grey->Width() == plane.Width() && grey->Height() == plane.Height()
              ? grey
              : nullptr;
  return FFinders == TFinders::Runs ? LocateRuns(plane, settings, sink)
                                    : LocateShapes(plane, settings, sink);
}

namespace {

// A wrong version is the commonest cause of a failed first read, and no
// bending of its grid mends it: every version a triple suggests is read
// through its grid as laid before any grid is bent.
constexpr std::array<THomographyLocator::TStage, 2> kStages = {THomographyLocator::TStage::Laid,
                                                               THomographyLocator::TStage::Bent};

// A grid is followed module by module only when both copies of its format
// information lie within this many of their thirty bits of one format word
// (read either way round, for mirrored symbols): on a grid laid over
// clutter they read like noise, and lie that close about one time in
// twenty. Model 1's format, under another mask, is not looked for.
constexpr int32_t kMaxFormatMisreads = 6;

// The fewest bits of both format copies of matrix (n a side) that differ
// from one format word, read as sampled or transposed.
int32_t FormatMisreads(const TPlaneBoolean& matrix, int32_t n) {
  int32_t fewest = 30;
  for (const bool transposed : {false, true})
    for (const int32_t code : FormatInfoCodes) {
      const int32_t word = code ^ FormatMask;
      int32_t misreads = 0;
      for (int32_t copy = 1; copy <= 2; ++copy)
        for (int32_t i = 0; i < 15; ++i) {
          const TPoint p = TSymbol::FormatPosition(copy, i, n);
          const bool dark = (transposed ? matrix(p.Y, p.X) : matrix(p.X, p.Y)) != 0;
          misreads += dark != (((word >> i) & 1) != 0) ? 1 : 0;
        }
      fewest = std::min(fewest, misreads);
    }
  return fewest;
}

}  // namespace

bool THomographyLocator::Offer(const TPlaneBoolean& plane, const std::array<TPointReal, 3>& finders,
                               const std::array<long double, 3>& modules, int32_t version,
                               const TOutlineGrid* outline, TStage stage, const TLocationSink& sink,
                               int32_t& offered) {
  // The grid anchored on the alignment patterns (piecewise from version 7,
  // where it places the bottom-right pattern too); the one estimated from
  // the finders alone for version 1, or when no pattern is found.
  const TGrid grid = version >= 7   ? TGrid::Piecewise
                     : version >= 2 ? TGrid::Single
                                    : TGrid::Estimated;
  // Without the bottom-right alignment pattern the grid is estimated from
  // the finders; a grid whose timing reads like noise is not.
  bool rescued = false;
  if (Sample(plane, finders, modules, version, grid, outline) != TSampled::Done &&
      (FEstimateNoise ||
       Sample(plane, finders, modules, version, TGrid::Estimated, outline) != TSampled::Done)) {
    // Bent onto the patterns the standard fixes, a grid whose timing read
    // like noise as laid may still lie on a bent symbol.
    if (stage == TStage::Laid || !Rescue(plane, finders, modules, version, outline)) return false;
    rescued = true;
  }
  TLocation location;
  location.Matrix = &FMatrix;
  location.Size = FGrid.Size;
  location.Version = version;
  for (size_t i = 0; i < 3; ++i) location.Finders[i] = ToPixel(finders[i]);
  auto offer = [&] {
    ++offered;
    const std::array<TPointReal, 4> corners = OuterCorners();
    for (size_t i = 0; i < 4; ++i) location.Corners[i] = ToPixel(corners[i]);
    if (FGrey != nullptr) {
      TGridReader(plane, FGrid).Levels(*FGrey, FLevels);
      TModuleConfidence::Rate(FLevels, FMatrix, FConfidence);
      location.Confidence = &FConfidence;
      location.Levels = &FLevels;
    }
    return sink(location);
  };
  if (stage == TStage::Laid) return offer();
  // Sampled but not read: lay the grid onto the edges its modules show in
  // the picture, and read again. Each round offers what it read: a later
  // round bends further, and may bend wrong where the one before read.
  if (rescued && offer()) return true;
  for (int32_t round = rescued ? TGridFit::kFixedRounds : 0; round < TGridFit::kRounds; ++round) {
    if (offered >= kMaxOffers || !FFit.Refine(plane, FGrid, FMatrix, round)) return false;
    if (offer()) return true;
  }
  // What no smooth bend follows, a wrinkle a few modules across: the
  // lattice followed module by module from the finders of the grid bent
  // last.
  return offered < kMaxOffers && TGridReader(plane, FGrid).TimingAlternates(kMinAlternation) &&
         FormatMisreads(FMatrix, FGrid.Size) <= kMaxFormatMisreads &&
         FTrack.Follow(plane, FGrid, FMatrix) && offer();
}

// The grid as estimated from the finders (or the outline), bent onto the
// edges of the finders, timing and alignment patterns in the fixed rounds
// of TGridFit, with its timing read again (then, when its format reads,
// through the lattice followed module by module): a label bent round a
// bottle lies a module off the estimate at the sides, where its timing
// reads like noise. Within the run's budget only.
bool THomographyLocator::Rescue(const TPlaneBoolean& plane,
                                const std::array<TPointReal, 3>& finders,
                                const std::array<long double, 3>& modules, int32_t version,
                                const TOutlineGrid* outline) {
  const int32_t side = SymbolSide(version);
  const int64_t cost = static_cast<int64_t>(TGridFit::kFixedRounds) * side * side;
  if (cost > FRescueBudget) return false;
  FRescueBudget -= cost;
  FGrid.Cells.clear();
  FAlignments.clear();
  if (!Start(finders, modules, side, outline)) return false;
  for (int32_t round = 0; round < TGridFit::kFixedRounds; ++round)
    if (!FFit.Refine(plane, FGrid, FMatrix, round, false)) return false;
  if (TGridReader(plane, FGrid).TimingAlternates(kMinAlternation)) return true;
  // Still noise along the timing, but the format reads beside the finders:
  // the lattice followed from the finders' cores may find the timing where
  // the label narrows its modules past what a smooth bend follows.
  return FormatMisreads(FMatrix, FGrid.Size) <= kMaxFormatMisreads &&
         FTrack.Follow(plane, FGrid, FMatrix) &&
         TGridReader(plane, FGrid).TimingAlternates(kMinAlternation);
}

bool THomographyLocator::LocateRuns(const TPlaneBoolean& plane, const TDecodeSettings& settings,
                                    const TLocationSink& sink) {
  const TFinderTriples& search = FindFinders(plane);
  if (search.Candidates().size() < 3) return false;
  std::vector<TFinderTriple> triples = search.Triples();
  int32_t offered = 0;
  // The finder search keeps its best few by shape; add those a strong
  // perspective explains, once each.
  auto same = [](const TFinderTriple& a, const TFinderTriple& b) {
    for (size_t i = 0; i < 3; ++i)
      if (a.Finders[i].X != b.Finders[i].X || a.Finders[i].Y != b.Finders[i].Y) return false;
    return true;
  };
  for (const TFinderTriple& extra : search.PerspectiveTriples()) {
    bool known = false;
    for (const TFinderTriple& t : search.Triples()) known = known || same(t, extra);
    if (!known) triples.push_back(extra);
  }
  // Real finders are confirmed by many rows, look-alikes in the data by a
  // few: under perspective the shape scores of both come close, so the
  // triple whose weakest member is best confirmed goes first.
  std::stable_sort(
      triples.begin(), triples.end(),
      [](const TFinderTriple& a, const TFinderTriple& b) { return Weakest(a) > Weakest(b); });
  for (const TFinderTriple& triple : triples) {
    if (!TFinderCheck::ReadsAsFinders(plane, triple)) continue;
    const std::array<TPointReal, 3> finders = {
        TPointReal{triple.Finders[0].X, triple.Finders[0].Y},
        TPointReal{triple.Finders[1].X, triple.Finders[1].Y},
        TPointReal{triple.Finders[2].X, triple.Finders[2].Y}};
    const std::array<long double, 3> modules = {triple.Finders[0].Module, triple.Finders[1].Module,
                                                triple.Finders[2].Module};
    // Versions as the finder geometry and the affine grid suggest them.
    const TGridProbe probe = [&plane, &triple](int32_t size) {
      return TAffineGrid(triple, size).FastProbe(plane);
    };
    const std::vector<int32_t> versions =
        TVersionGuess::Candidates(triple, probe, TTripleLocator::kSpread, settings.ForceVersion);
    for (TStage stage : kStages)
      for (int32_t version : versions) {
        // A fixed bound keeps a picture full of finder-like clutter cheap.
        if (offered >= kMaxOffers) return false;
        if (Offer(plane, finders, modules, version, nullptr, stage, sink, offered)) return true;
      }
  }
  return false;
}

bool THomographyLocator::LocateShapes(const TPlaneBoolean& plane, const TDecodeSettings& settings,
                                      const TLocationSink& sink) {
  const TFinderShapes& shapes = FindShapes(plane);
  int32_t offered = 0;
  auto tryTriple = [&](const TFinderShapes::TTriple& triple) {
    if (!shapes.ReadsAsFinders(triple, plane)) return false;
    const TFinderTriple& t = triple.Triple;
    const std::array<TPointReal, 3> finders = {TPointReal{t.Finders[0].X, t.Finders[0].Y},
                                               TPointReal{t.Finders[1].X, t.Finders[1].Y},
                                               TPointReal{t.Finders[2].X, t.Finders[2].Y}};
    const std::array<long double, 3> modules = {t.Finders[0].Module, t.Finders[1].Module,
                                                t.Finders[2].Module};
    // Versions about the modules the legs span, ordered by how well the
    // timing patterns read through each size's grid from the corners.
    const auto estimate = static_cast<int32_t>(
        std::clamp<long double>(std::nearbyint((triple.Span + 7 - 17) / 4), 1, 40));
    const TGridProbe probe = [&plane, &shapes, &triple](int32_t size) -> TModuleProbe {
      THomography grid;
      if (!shapes.FitGrid(triple, size, grid)) return [](int32_t, int32_t) { return false; };
      return [reader = TPixelReader(plane, grid)](int32_t x, int32_t y) {
        return reader.Dark(x + 0.5, y + 0.5);
      };
    };
    // Large symbols name their version beside the finders.
    const int32_t named =
        settings.ForceVersion > 0 ? settings.ForceVersion : shapes.ReadVersion(triple, plane);
    const std::vector<int32_t> versions = TVersionGuess::Candidates(
        estimate, probe, TTripleLocator::kSpread, named, TTripleLocator::kMinAgreement);
    for (TStage stage : kStages)
      for (int32_t version : versions) {
        if (offered >= kMaxOffers) return false;
        TOutlineGrid outline;
        if (!shapes.GridPoints(triple, SymbolSide(version), outline.From, outline.To) ||
            !outline.Transform.FitLeastSquares(outline.From, outline.To))
          continue;
        if (Offer(plane, finders, modules, version, &outline, stage, sink, offered)) return true;
      }
    return false;
  };
  for (const TFinderShapes::TTriple& triple : shapes.Triples())
    if (tryTriple(triple)) return true;
  // Then symbols of which only two finders kept their shape.
  if (offered >= kMaxOffers) return false;
  for (const TFinderShapes::TTriple& triple : TThirdFinder::Infer(shapes, plane))
    if (tryTriple(triple)) return true;
  return false;
}

}  // namespace vornak
