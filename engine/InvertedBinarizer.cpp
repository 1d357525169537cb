#include "engine/InvertedBinarizer.h"

namespace vornak {

TInvertedBinarizer::TInvertedBinarizer(std::unique_ptr<TBinarizer> inner)
    : FInner(std::move(inner)), FName(std::string(FInner->Name()) + "-inverted") {}

TInvertedBinarizer::~TInvertedBinarizer() = default;

void TInvertedBinarizer::Binarize(const TPlaneGrey& grey, TPlaneBoolean& result) {
  if (FNegated.Width() != grey.Width() || FNegated.Height() != grey.Height())
    FNegated.Resize(grey.Width(), grey.Height());
  // Plain pointers and a count: through the vectors every byte store could
  // change their sizes, and the loop would not run many bytes at once.
  const uint8_t* in = grey.Data().data();
  uint8_t* out = FNegated.Data().data();
  const size_t count = grey.Data().size();
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(255 - in[i]);
  FInner->Binarize(FNegated, result);
}

}  // namespace vornak
