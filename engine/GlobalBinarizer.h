#pragma once

#include <cstdint>
#include <memory>

#include "engine/Binarizer.h"

namespace vornak {

class TFrontImage;

// The classic rule as a binarizer: one threshold from the middle row of the
// grey plane, shifted by the Resolver setting (TFrontImage does the work, so the rule
// lives in one place).
class TGlobalBinarizer : public TBinarizer {
 public:
  TGlobalBinarizer();
  ~TGlobalBinarizer() override;

  const char* Name() const override { return "global"; }
  // Shifts grey levels by the settings' Resolver.
  void Binarize(const TPlaneGrey& grey, const TDecodeSettings& settings,
                TPlaneBoolean& result) override;

 private:
  std::unique_ptr<TFrontImage> FFront;
  TPlaneInteger FColours;
};

}  // namespace vornak
