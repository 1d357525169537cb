#pragma once

#include "common/DecodeSettings.h"
#include "common/Types.h"

namespace vornak {

// One way of turning a grey picture into the two-level plane that a locator
// works on. The passes beyond the classic pipeline pair a binarizer with a
// locator; each binarizer is run at most once per picture and its plane is
// shared by every locator paired with it.
//
// A new binarizer derives from this class, gives itself a short Name() and is
// added to the pass list in TPassChain (engine/PassChain.h).
class TBinarizer {
 public:
  virtual ~TBinarizer() = default;

  // Short name used in pass names ("global", "adaptive", ...).
  virtual const char* Name() const = 0;
  // Grey holds levels 0..255 (0 = black); result receives a plane of the same
  // extents, non-zero = dark. Must not throw on any extents, empty included.
  virtual void Binarize(const TPlaneGrey& grey, const TDecodeSettings& settings,
                        TPlaneBoolean& result) = 0;
  // True when the last plane made is known to hold no dark pixel: the
  // passes on it are skipped.
  virtual bool Blank() const { return false; }
};

}  // namespace vornak
