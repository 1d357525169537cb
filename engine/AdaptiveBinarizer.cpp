#include "engine/AdaptiveBinarizer.h"

#include "engine/LocalThreshold.h"

namespace vornak {

TAdaptiveBinarizer::TAdaptiveBinarizer(TPolarity polarity)
    : FPolarity(polarity), FOwn(std::make_unique<TLocalThreshold>()), FThreshold(*FOwn) {}

TAdaptiveBinarizer::TAdaptiveBinarizer(TPolarity polarity, TLocalThreshold& shared)
    : FPolarity(polarity), FThreshold(shared) {}

TAdaptiveBinarizer::~TAdaptiveBinarizer() = default;

void TAdaptiveBinarizer::Binarize(const TPlaneGrey& grey, const TDecodeSettings& settings,
                                  TPlaneBoolean& result) {
  (void)settings;
  // A threshold of its own may hold the sums of an earlier picture of the
  // same extents.
  if (FOwn) FOwn->Forget();
  FThreshold.Compare(grey, FPolarity == TPolarity::Inverted, result);
}

}  // namespace vornak
