#include "engine/DecodeTrace.h"

#include <cmath>
#include <exception>

#include "locate/Coordinates.h"
#include "locate/FindPattern.h"
#include "locate/Locator.h"
#include "photo/FinderCache.h"
#include "photo/FinderTriples.h"
#include "photo/Homography.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

// Pixel index of a continuous coordinate inside a plane of the given extent;
// far-off values are pinned so that they still fit an integer.
int32_t PixelIndex(long double value) {
  if (!std::isfinite(value)) return 0;
  const long double limit = 1.0e9L;
  if (value > limit) value = limit;
  if (value < -limit) value = -limit;
  return static_cast<int32_t>(std::floor(value));
}

// Version source of the classic grid sampler: versions 1 to 6 are final
// when forced and found from the timing patterns otherwise; from 7 on the
// version information decides in either case.
TDecodeTrace::TVersionSource ClassicSource(int32_t version, int32_t forceVersion) {
  if (version > 6) return TDecodeTrace::TVersionSource::VersionInformation;
  if (forceVersion > 0) return TDecodeTrace::TVersionSource::Forced;
  return TDecodeTrace::TVersionSource::Timing;
}

}  // namespace

TDecodeTrace::TDecodeTrace() = default;

TDecodeTrace::~TDecodeTrace() = default;

void TDecodeTrace::Clear() {
  FClassic = TRecord();
  FOther = TRecord();
  FRescanPlane = nullptr;
  FRescanFound = false;
  FCandidatesMade = false;
  FCandidates.clear();
}

void TDecodeTrace::RecordClassic(const TPlaneBoolean& plane, const TCoordinates* where,
                                 int32_t code, bool thrown, int32_t forceVersion) {
  TRecord record;
  record.Recorded = true;
  record.Pass = "classic";
  record.Plane = &plane;
  if (where != nullptr && !thrown && code != 1) {
    // Located: a symbol that did not read still has its grid.
    record.Stage = code == 0 ? TStage::Decoded : TStage::Located;
    record.Coordinates = where;
    for (int32_t i = 0; i < 3; ++i) record.Finders[static_cast<size_t>(i)] = where->Finder(i);
    for (int32_t i = 0; i < 4; ++i) record.Corners[static_cast<size_t>(i)] = where->Corner(i);
    record.Version = where->Version();
    record.Source = ClassicSource(record.Version, forceVersion);
  } else if (where != nullptr) {
    // Not located, or the corner geometry broke down: whether three finders
    // were found is learnt from the plane only when someone asks.
    record.FindersPending = true;
  }
  FClassic = record;
  FRescanPlane = nullptr;
  FCandidatesMade = false;
}

void TDecodeTrace::RecordLocation(const std::string& pass, const TPlaneBoolean& plane,
                                  const TLocation& location, bool decoded, int32_t forceVersion,
                                  const TFinderCache* finders) {
  // The first candidate that did not read is the likeliest one; a decoded
  // candidate always wins.
  if (!decoded && FOther.Recorded && FOther.Stage >= TStage::Located) return;
  TRecord record;
  record.Recorded = true;
  record.Pass = pass;
  record.Stage = decoded ? TStage::Decoded : TStage::Located;
  record.Plane = &plane;
  record.FinderCache = finders;
  record.Finders = location.Finders;
  record.Corners = location.Corners;
  record.Version = location.Version;
  if (pass.ends_with("+classic"))
    record.Source = ClassicSource(location.Version, forceVersion);
  else if (forceVersion > 0 && location.Version == forceVersion)
    record.Source = TVersionSource::Forced;
  else
    record.Source = TVersionSource::Geometry;
  FOther = record;
  FCandidatesMade = false;
}

void TDecodeTrace::RecordFinders(const std::string& pass, const TPlaneBoolean& plane,
                                 const TFinderCache& finders) {
  if (FOther.Recorded && FOther.Stage >= TStage::Finders) return;
  const TFinderTriples* searched = finders.Searched(plane);
  if (searched == nullptr) return;
  const TFinderTriples& search = *searched;
  const bool triple = !search.Triples().empty();
  // A search with no triple only shows its candidates, and only when
  // nothing else was recorded.
  if (!triple && FOther.Recorded) return;
  TRecord record;
  record.Recorded = true;
  record.Pass = pass;
  record.Plane = &plane;
  record.FinderCache = &finders;
  if (triple) {
    record.Stage = TStage::Finders;
    const TFinderTriple& best = search.Triples().front();
    for (size_t i = 0; i < 3; ++i)
      record.Finders[i] = TPoint{PixelIndex(best.Finders[i].X), PixelIndex(best.Finders[i].Y)};
  }
  FOther = record;
  FCandidatesMade = false;
}

bool TDecodeTrace::Rescan(const TPlaneBoolean& plane) const {
  if (FRescanPlane != &plane) {
    if (!FRescan) FRescan = std::make_unique<TFindPattern>();
    FRescanFound = FRescan->Find(plane) == 0;
    FRescanPlane = &plane;
  }
  return FRescanFound;
}

const TDecodeTrace::TRecord& TDecodeTrace::Shown() const {
  if (!FClassic.Recorded) return FOther;
  if (!FOther.Recorded) {
    if (FClassic.FindersPending) ResolveClassic();
    return FClassic;
  }
  // A pending classic record reaches Finders at most, so it needs
  // resolving only when the other record is no further.
  if (FClassic.FindersPending) {
    if (FOther.Stage > TStage::Finders) return FOther;
    ResolveClassic();
  }
  // The classic pipeline wins ties.
  return FClassic.Stage >= FOther.Stage ? FClassic : FOther;
}

void TDecodeTrace::ResolveClassic() const {
  FClassic.FindersPending = false;
  if (FClassic.Plane == nullptr || !Rescan(*FClassic.Plane)) return;
  // The search is the one the classic pipeline ran on the same plane, so it
  // yields the same three finders in the same order.
  FClassic.Stage = TStage::Finders;
  FClassic.Finders = FRescan->Patterns();
}

TDecodeTrace::TStage TDecodeTrace::Stage() const { return Shown().Stage; }

const std::string& TDecodeTrace::Pass() const { return Shown().Pass; }

const TPlaneBoolean* TDecodeTrace::Plane() const { return Shown().Plane; }

const std::vector<TPoint>& TDecodeTrace::Candidates() const {
  if (FCandidatesMade) return FCandidates;
  const TRecord& shown = Shown();
  FCandidates.clear();
  const TFinderTriples* search = shown.FinderCache != nullptr && shown.Plane != nullptr
                                     ? shown.FinderCache->Searched(*shown.Plane)
                                     : nullptr;
  if (search != nullptr) {
    for (const TFinderCandidate& candidate : search->Candidates())
      FCandidates.push_back(TPoint{PixelIndex(candidate.X), PixelIndex(candidate.Y)});
  } else if (shown.Plane != nullptr) {
    Rescan(*shown.Plane);
    for (const TCenterDot& dot : FRescan->CenterDots().Dots()) FCandidates.push_back(dot.Center);
  }
  FCandidatesMade = true;
  return FCandidates;
}

const std::array<TPoint, 3>& TDecodeTrace::Finders() const { return Shown().Finders; }

int32_t TDecodeTrace::Version() const {
  const TRecord& shown = Shown();
  return shown.Stage >= TStage::Located ? shown.Version : 0;
}

TDecodeTrace::TVersionSource TDecodeTrace::VersionSource() const {
  const TRecord& shown = Shown();
  return shown.Stage >= TStage::Located ? shown.Source : TVersionSource::None;
}

const std::array<TPoint, 4>& TDecodeTrace::Corners() const { return Shown().Corners; }

int32_t TDecodeTrace::Size() const {
  const int32_t version = Version();
  return version >= 1 && version <= 40 ? SymbolSide(version) : 0;
}

std::vector<TPoint> TDecodeTrace::ModuleCentres() const {
  const TRecord& shown = Shown();
  const int32_t side = Size();
  std::vector<TPoint> centres;
  if (side == 0) return centres;
  centres.reserve(static_cast<size_t>(side) * static_cast<size_t>(side));
  try {
    if (shown.Coordinates != nullptr) {
      for (int32_t b = 0; b < side; ++b)
        for (int32_t a = 0; a < side; ++a)
          centres.push_back(shown.Coordinates->GetModulePoint(a, b));
      return centres;
    }
    // The further passes report their corners; the perspective through them
    // is their grid (exactly for the affine and single-transform grids).
    const long double n = side;
    const std::array<TPointReal, 4> from = {TPointReal{0, 0}, TPointReal{n, 0}, TPointReal{0, n},
                                            TPointReal{n, n}};
    std::array<TPointReal, 4> to{};
    for (size_t i = 0; i < 4; ++i)
      to[i] = TPointReal{static_cast<long double>(shown.Corners[i].X),
                         static_cast<long double>(shown.Corners[i].Y)};
    THomography transform;
    if (!transform.Fit(from, to)) return {};
    for (int32_t b = 0; b < side; ++b) {
      for (int32_t a = 0; a < side; ++a) {
        TPointReal p;
        if (!transform.Map(TPointReal{a + 0.5L, b + 0.5L}, p)) return {};
        centres.push_back(TPoint{PixelIndex(p.X), PixelIndex(p.Y)});
      }
    }
  } catch (const std::exception&) {
    // A grid that no longer maps has no centres to show.
    return {};
  }
  return centres;
}

const char* TDecodeTrace::StageName(TStage stage) {
  switch (stage) {
    case TStage::None:
      return "none";
    case TStage::Finders:
      return "finders";
    case TStage::Located:
      return "located";
    case TStage::Decoded:
      return "decoded";
  }
  return "none";
}

const char* TDecodeTrace::VersionSourceName(TVersionSource source) {
  switch (source) {
    case TVersionSource::None:
      return "none";
    case TVersionSource::Forced:
      return "forced";
    case TVersionSource::Timing:
      return "timing";
    case TVersionSource::VersionInformation:
      return "version information";
    case TVersionSource::Geometry:
      return "geometry";
  }
  return "none";
}

}  // namespace vornak
