#pragma once

#include "engine/Binarizer.h"

namespace vornak {

class TLocalThreshold;

// The local threshold lowered, where a window is mostly paper, to the
// midway level between its darkest and lightest grey
// (TLocalThreshold::CompareMidway): small blurred symbols in large
// photographs keep the light rings of their finders. Light away from the
// blocks so lowered, whose rest the plain local threshold covers already.
class TMidwayBinarizer : public TBinarizer {
 public:
  // Sharing the window sums of shared, which the owner forgets before each
  // new picture.
  explicit TMidwayBinarizer(TLocalThreshold& shared);

  const char* Name() const override { return "adaptive-midway"; }
  void Binarize(const TPlaneGrey& grey, const TDecodeSettings& settings,
                TPlaneBoolean& result) override;
  bool Blank() const override { return FBlank; }

 private:
  TLocalThreshold& FThreshold;
  bool FBlank = true;
};

}  // namespace vornak
