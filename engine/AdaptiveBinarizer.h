#pragma once

#include <memory>

#include "engine/Binarizer.h"

namespace vornak {

class TLocalThreshold;

// The local threshold (TLocalThreshold) as a binarizer, for pictures with
// uneven light; inverted, it reads light-on-dark symbols as the local
// threshold of the negated grey would, so that a dark surround stays the
// quiet zone.
class TAdaptiveBinarizer : public TBinarizer {
 public:
  enum class TPolarity { Plain, Inverted };

  // With a threshold of its own, measured afresh for every picture.
  explicit TAdaptiveBinarizer(TPolarity polarity = TPolarity::Plain);
  // Sharing shared with other binarizers of the same pictures: a picture's
  // window sums are taken once for both polarities. The owner of shared
  // calls its Forget before each new picture.
  TAdaptiveBinarizer(TPolarity polarity, TLocalThreshold& shared);
  ~TAdaptiveBinarizer() override;
  TAdaptiveBinarizer(const TAdaptiveBinarizer&) = delete;
  TAdaptiveBinarizer& operator=(const TAdaptiveBinarizer&) = delete;

  const char* Name() const override {
    return FPolarity == TPolarity::Plain ? "adaptive" : "adaptive-inverted";
  }
  void Binarize(const TPlaneGrey& grey, const TDecodeSettings& settings,
                TPlaneBoolean& result) override;

 private:
  TPolarity FPolarity;
  std::unique_ptr<TLocalThreshold> FOwn;  // null when shared
  TLocalThreshold& FThreshold;
};

}  // namespace vornak
