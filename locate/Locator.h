#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "common/DecodeSettings.h"
#include "common/Types.h"
#include "locate/FinderTriples.h"

namespace vornak {

// One candidate symbol found by a locator: its sampled module matrix and what
// was found on the way, for display.
struct TLocation {
  // Size x Size modules indexed (column, row), non-zero = dark. Owned by the
  // locator and valid only during the callback.
  const TPlaneBoolean* Matrix = nullptr;
  int32_t Size = 0;
  // Version the matrix was sampled for (1..40).
  int32_t Version = 0;
  // Finder centres in pixels: corner finder, the one ending axis A (module
  // columns), the one ending axis B (module rows).
  std::array<TPoint, 3> Finders{};
  // Outer symbol corners in pixels (corner finder, axis A end, axis B end,
  // fourth corner).
  std::array<TPoint, 4> Corners{};
};

// Called with each candidate, cheapest first. Returns true when the candidate
// decoded, which ends the search.
using TLocationSink = std::function<bool(const TLocation&)>;

// A way of finding a symbol in a two-level plane and sampling its modules.
//
// A locator may offer several candidates for one plane (other finder
// triples, neighbouring versions, other grids), most likely first. It stops
// as soon as the sink returns true and then returns true itself; it returns
// false when it ran out of candidates. It keeps a fixed bound on the number of
// candidates it offers, so a picture with no symbol stays cheap.
//
// To plug in a new locator: derive from TLocator in locate/, give it a short
// Name(), and add a pass pairing it with a binarizer to TPassChain's list
// (engine/PassChain.cpp), in order of cost. The shared decoding tail
// (format, unmask, codewords, Reed-Solomon, data, and the mirrored retry)
// runs in the sink; a locator never decodes on its own.
//
// Locators must not throw for any plane; a geometry fault ends the current
// candidate, not the search (the driver also catches what escapes).
class TLocator {
 public:
  virtual ~TLocator() = default;

  // Short name used in pass names ("classic", "triples", ...).
  virtual const char* Name() const = 0;

  // Offers candidates found in plane to sink until one decodes (true) or
  // none is left (false). settings.ForceVersion (1..40) is tried first.
  virtual bool Locate(const TPlaneBoolean& plane, const TDecodeSettings& settings,
                      const TLocationSink& sink) = 0;

  // The pass chain shares one finder search per plane among the locators
  // that run on it: it clears the search whenever it builds a new plane and
  // hands it over before each Locate. nullptr: the locator searches alone.
  void ShareFinders(TFinderTriples* shared) { FSharedFinders = shared; }

 protected:
  // The finder search of plane: the shared one, searched on first use, or
  // the locator's own, searched afresh. Locators that start from finder
  // triples take them from here rather than running their own search.
  const TFinderTriples& FindFinders(const TPlaneBoolean& plane) {
    if (FSharedFinders == nullptr) {
      FOwnFinders.Find(plane);
      return FOwnFinders;
    }
    if (!FSharedFinders->Searched()) FSharedFinders->Find(plane);
    return *FSharedFinders;
  }

 private:
  TFinderTriples* FSharedFinders = nullptr;
  TFinderTriples FOwnFinders;
};

}  // namespace vornak
