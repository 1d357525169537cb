#include "engine/GlobalBinarizer.h"

#include "engine/FrontImage.h"

namespace vornak {

TGlobalBinarizer::TGlobalBinarizer() : FFront(std::make_unique<TFrontImage>()) {}

TGlobalBinarizer::~TGlobalBinarizer() = default;

void TGlobalBinarizer::Binarize(const TPlaneGrey& grey, const TDecodeSettings& settings,
                                TPlaneBoolean& result) {
  FFront->SetResolver(settings.Resolver);
  const int32_t width = grey.Width();
  const int32_t height = grey.Height();
  if (FColours.Width() != width || FColours.Height() != height) FColours.Resize(width, height);
  // A grey level g as the colour (g, g, g) weighs back to exactly g.
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = grey.Row(y);
    int32_t* out = FColours.Row(y);
    for (int32_t x = 0; x < width; ++x) {
      const int32_t g = in[x];
      out[x] = g | (g << 8) | (g << 16);
    }
  }
  FFront->Binarize(FColours, width, height, result);
}

}  // namespace vornak
