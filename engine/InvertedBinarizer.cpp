#include "engine/InvertedBinarizer.h"

namespace vornak {

TInvertedBinarizer::TInvertedBinarizer(std::unique_ptr<TBinarizer> inner)
    : FInner(std::move(inner)), FName(std::string(FInner->Name()) + "-inverted") {}

TInvertedBinarizer::~TInvertedBinarizer() = default;

void TInvertedBinarizer::Binarize(const TPlaneGrey& grey, TPlaneBoolean& result) {
  if (FNegated.Width() != grey.Width() || FNegated.Height() != grey.Height())
    FNegated.Resize(grey.Width(), grey.Height());
  const std::vector<uint8_t>& in = grey.Data();
  std::vector<uint8_t>& out = FNegated.Data();
  for (size_t i = 0; i < in.size(); ++i) out[i] = static_cast<uint8_t>(255 - in[i]);
  FInner->Binarize(FNegated, result);
}

}  // namespace vornak
