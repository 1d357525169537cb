#pragma once

#include <cstdint>
#include <memory>

#include "locate/Locator.h"

namespace vornak {

class TImageReader;

// The classic grid sampler (three finders from the ranked centres, version
// search, four corners, bilinear sampling) offered as a locator, so that it
// can run on the planes of other binarizers. One candidate per plane.
class TClassicLocator : public TLocator {
 public:
  TClassicLocator();
  ~TClassicLocator() override;

  static constexpr const char* kName = "classic";
  const char* Name() const override { return kName; }
  // Uses settings.Warp as the search radius for the fourth corner.
  using TLocator::Locate;
  bool Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey, const TDecodeSettings& settings,
              const TLocationSink& sink) override;

 private:
  std::unique_ptr<TImageReader> FReader;
};

}  // namespace vornak
