#pragma once

#include <cstdint>

#include "photo/FinderLocator.h"
#include "photo/FinderTriples.h"

namespace vornak {

// Finds the symbol from finder triples rather than the three best-scored
// centres, and its version from the geometry (any version 1..40, confirmed by
// the version information or the timing patterns, neighbours tried next).
// Samples one pixel per module through the affine grid the three finder
// centres span. Offers the best triples first, each with its likeliest
// versions first.
class TTripleLocator : public TFinderLocator {
 public:
  using TFinderLocator::TFinderLocator;

  // Versions tried on either side of the geometric estimate.
  static constexpr int32_t kSpread = 2;
  // Timing agreement a version needs to be tried (chance gives about half).
  static constexpr long double kMinAgreement = 0.6L;

  const char* Name() const override { return "triples"; }
  using TLocator::Locate;
  bool Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey, const TDecodeSettings& settings,
              const TLocationSink& sink) override;

  // The finder search of the last Locate; nullptr before the first.
  const TFinderTriples* Triples() const { return FTriples; }

 private:
  const TFinderTriples* FTriples = nullptr;
  TPlaneBoolean FMatrix;
};

}  // namespace vornak
