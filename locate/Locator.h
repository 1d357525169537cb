#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "common/DecodeSettings.h"
#include "common/Types.h"

namespace vornak {

// One candidate symbol found by a locator: its sampled module matrix and what
// was found on the way, for display.
struct TLocation {
  // Size x Size modules indexed (column, row), non-zero = dark. Owned by the
  // locator and valid only during the callback.
  const TPlaneBoolean* Matrix = nullptr;
  // How sure the locator is of each module (0 not at all .. 255 certain),
  // Size x Size like Matrix; nullptr when it cannot tell.
  const TPlaneConfidence* Confidence = nullptr;
  // Each module's mean grey level (0..255), Size x Size like Matrix;
  // nullptr when the locator read no grey.
  const TPlaneInteger* Levels = nullptr;
  int32_t Size = 0;
  // Rows of a rectangular matrix (rMQR; Size is then its columns); 0 for a
  // square of Size rows.
  int32_t Rows = 0;
  // True when the locator sampled a mirrored symbol in its own frame, so
  // that the matrix reads as it stands (no transposed retry needed).
  bool Mirrored = false;
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
// To plug in a new locator: derive from TLocator (or, starting from finder
// triples, from TFinderLocator in photo/), give it a short Name(), and add a pass pairing it with a
// binarizer to TPassChain's list (engine/PassChain.cpp), in order of cost. The shared decoding tail
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
  // grey, when given, is the picture plane was made of (levels 0..255), for
  // locators that rate how sure each module is.
  virtual bool Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey,
                      const TDecodeSettings& settings, const TLocationSink& sink) = 0;
  bool Locate(const TPlaneBoolean& plane, const TDecodeSettings& settings,
              const TLocationSink& sink) {
    return Locate(plane, nullptr, settings, sink);
  }
};

}  // namespace vornak
