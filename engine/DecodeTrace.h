#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Types.h"

namespace vornak {

class TCoordinates;
class TFindPattern;
class TFinderCache;
struct TLocation;

// What the stages of the last decode found, so that a user can see where the
// symbol was seen and how far reading it got: the two-level plane of the pass
// shown, the finder candidates and the chosen three, the version and how it
// was established, the four corners and the module centres sampled.
//
// Recording is cheap: the trace keeps pointers to the planes, the geometry
// and the finder searches that the component and its passes keep anyway, and
// copies a few points. Everything larger (candidate centres, the module
// centres, the finders of a classic decode that stopped before its version)
// is worked out only when asked for. The pointers stay valid until the next
// Decode of the component that owns the trace; reading is not thread-safe
// (the lazy parts are cached on first use).
//
// When the decode failed, the trace shows the pass that got furthest: the
// classic pipeline unless a further pass got to a later stage.
class TDecodeTrace {
 public:
  // How far a decode got, in order.
  enum class TStage : int32_t {
    None = 0,     // three finder patterns were not found
    Finders = 1,  // three finders chosen; no version fixed or no grid laid
    Located = 2,  // version fixed, grid laid and sampled; the modules did not read
    Decoded = 3,  // the symbol was read
  };
  // How the version of a located symbol was established.
  enum class TVersionSource : int32_t {
    None = 0,
    Forced = 1,              // taken from ForceVersion
    Timing = 2,              // the timing patterns (versions 1 to 6)
    VersionInformation = 3,  // the version information blocks (7 and up)
    Geometry = 4,            // the finders' spacing, confirmed by timing or version information
  };

  TDecodeTrace();
  ~TDecodeTrace();
  TDecodeTrace(const TDecodeTrace&) = delete;
  TDecodeTrace& operator=(const TDecodeTrace&) = delete;

  // Forgets everything; a cleared trace has nothing recorded.
  void Clear();

  // The classic pipeline's outcome: plane is the two-level picture it read,
  // where its grid sampler's geometry (nullptr when it never ran), code its
  // error code (0, 1 = not located, 3 = unreadable), thrown whether it ended
  // in an exception. The referenced objects must stay unchanged while the
  // trace is read.
  void RecordClassic(const TPlaneBoolean& plane, const TCoordinates* where, int32_t code,
                     bool thrown, int32_t forceVersion);
  // A candidate a further pass offered to the decoding tail: the one that
  // decoded, or one that did not read (the first of those counts). finders
  // holds the finder search of plane once any pass of the run searches it
  // (asked when the candidates are read).
  void RecordLocation(const std::string& pass, const TPlaneBoolean& plane,
                      const TLocation& location, bool decoded, int32_t forceVersion,
                      const TFinderCache* finders);
  // The finder search of a further pass's plane, held by finders, for a
  // picture where no pass located a symbol: its best triple shows which
  // finders were chosen.
  void RecordFinders(const std::string& pass, const TPlaneBoolean& plane,
                     const TFinderCache& finders);

  // True once a decode has been recorded.
  bool Recorded() const { return FClassic.Recorded || FOther.Recorded; }
  TStage Stage() const;
  // "classic" or "<binarizer>+<locator>": the pass whose findings are shown.
  const std::string& Pass() const;
  // That pass's two-level plane (non-zero = dark); nullptr when none.
  const TPlaneBoolean* Plane() const;

  // Every finder candidate that pass's finder search kept, in pixels.
  const std::vector<TPoint>& Candidates() const;
  // The three chosen finders (corner, axis A end, axis B end); meaningful
  // from stage Finders on.
  const std::array<TPoint, 3>& Finders() const;
  // Version 1..40 and how it was established; 0 and None before Located.
  int32_t Version() const;
  TVersionSource VersionSource() const;
  // Outer symbol corners (corner finder, axis A end, axis B end, fourth);
  // meaningful from stage Located on.
  const std::array<TPoint, 4>& Corners() const;
  // Modules per side; 0 before Located.
  int32_t Size() const;
  // The pixel each module was sampled at (pass's own grid for the classic
  // pipeline, the transform through the four corners for the others), row
  // by row: index row * Size() + column. Empty before Located. Worked out
  // on each call.
  std::vector<TPoint> ModuleCentres() const;

  static const char* StageName(TStage stage);
  static const char* VersionSourceName(TVersionSource source);

 private:
  struct TRecord {
    bool Recorded = false;
    std::string Pass;
    TStage Stage = TStage::None;
    // The classic finders are known only after a rescan of the plane.
    bool FindersPending = false;
    const TPlaneBoolean* Plane = nullptr;
    const TCoordinates* Coordinates = nullptr;
    const TFinderCache* FinderCache = nullptr;
    std::array<TPoint, 3> Finders{};
    std::array<TPoint, 4> Corners{};
    int32_t Version = 0;
    TVersionSource Source = TVersionSource::None;
  };
  const TRecord& Shown() const;
  // Learns from the plane whether the classic pipeline found three finders.
  void ResolveClassic() const;
  // Runs the classic finder search on plane, once per plane; true when it
  // found three finders.
  bool Rescan(const TPlaneBoolean& plane) const;

  // Resolved lazily, hence mutable.
  mutable TRecord FClassic;
  // The furthest record of the further passes.
  TRecord FOther;
  mutable std::unique_ptr<TFindPattern> FRescan;
  mutable const TPlaneBoolean* FRescanPlane = nullptr;
  mutable bool FRescanFound = false;
  mutable bool FCandidatesMade = false;
  mutable std::vector<TPoint> FCandidates;
};

}  // namespace vornak
