#pragma once

#include <memory>
#include <string>

#include "engine/Binarizer.h"

namespace vornak {

// Light-on-dark symbols: runs another binarizer on the negated grey plane,
// so that what was light comes out dark. Negating the grey rather than the
// plane keeps the other binarizer's treatment of flat areas (a dark
// surround stays the quiet zone).
class TInvertedBinarizer : public TBinarizer {
 public:
  explicit TInvertedBinarizer(std::unique_ptr<TBinarizer> inner);
  ~TInvertedBinarizer() override;

  const char* Name() const override { return FName.c_str(); }
  void Binarize(const TPlaneGrey& grey, TPlaneBoolean& result) override;
  // After a local threshold of the same grey, when this one inverts a local
  // threshold: its window sums serve the negated grey too.
  bool BinarizeAfter(TBinarizer& previous, const TPlaneGrey& grey, TPlaneBoolean& result) override;

 private:
  std::unique_ptr<TBinarizer> FInner;
  std::string FName;
  TPlaneGrey FNegated;
};

}  // namespace vornak
