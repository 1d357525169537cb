#include "engine/InvertedBinarizer.h"

#include "common/WideVectors.h"
#include "engine/AdaptiveBinarizer.h"

namespace vornak {

namespace {

// Plain pointers and a count: through the vectors every byte store could
// change their sizes, and the loop would not run many bytes at once.
VORNAK_WIDE_VECTORS
void Negate(const uint8_t* in, uint8_t* out, size_t count) {
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(255 - in[i]);
}

}  // namespace

TInvertedBinarizer::TInvertedBinarizer(std::unique_ptr<TBinarizer> inner)
    : FInner(std::move(inner)), FName(std::string(FInner->Name()) + "-inverted") {}

TInvertedBinarizer::~TInvertedBinarizer() = default;

void TInvertedBinarizer::Binarize(const TPlaneGrey& grey, TPlaneBoolean& result) {
  if (FNegated.Width() != grey.Width() || FNegated.Height() != grey.Height())
    FNegated.Resize(grey.Width(), grey.Height());
  Negate(grey.Data().data(), FNegated.Data().data(), grey.Data().size());
  FInner->Binarize(FNegated, result);
}

bool TInvertedBinarizer::BinarizeAfter(TBinarizer& previous, const TPlaneGrey& grey,
                                       TPlaneBoolean& result) {
  auto* adaptive = dynamic_cast<TAdaptiveBinarizer*>(&previous);
  if (adaptive == nullptr || dynamic_cast<TAdaptiveBinarizer*>(FInner.get()) == nullptr)
    return false;
  return adaptive->BinarizeNegated(grey, result);
}

}  // namespace vornak
