#include "engine/MidwayBinarizer.h"

#include "engine/LocalThreshold.h"

namespace vornak {

TMidwayBinarizer::TMidwayBinarizer(TLocalThreshold& shared) : FThreshold(shared) {}

void TMidwayBinarizer::Binarize(const TPlaneGrey& grey, const TDecodeSettings& settings,
                                TPlaneBoolean& result) {
  (void)settings;
  FBlank = !FThreshold.CompareMidway(grey, result);
}

}  // namespace vornak
