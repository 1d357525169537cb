#include "engine/FrontImage.h"

#include <algorithm>

#include "common/WideVectors.h"

namespace vornak {

void TFrontImage::Binarize(const TPlaneInteger& plane, int32_t width, int32_t height,
                           TPlaneBoolean& result) {
  // The caller's extents must not reach past the plane it hands over.
  FWidth = std::clamp(width, 0, plane.Width());
  FHeight = std::clamp(height, 0, plane.Height());
  MakeGrey(plane);
  MakeBinary(FBinary);
  result = FBinary;
}

void TFrontImage::Binarize(const TBitmap& bitmap, TPlaneBoolean& result) {
  FWidth = bitmap.Width();
  FHeight = bitmap.Height();
  MakeGrey(bitmap);
  // Straight into the caller's plane: a large picture's plane is not copied.
  MakeBinary(result);
}

namespace {

VORNAK_WIDE_VECTORS
void GreyRow(const uint32_t* row, uint8_t* grey, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const uint32_t colour = row[x];
    // The weighted sum is at most 25500 and fits 16 bits, where the
    // product's high half shifted, ((v * 41944) >> 16) >> 6, equals
    // v div 100 exactly: sixteen-bit lanes run many pixels at once.
    const auto red = static_cast<uint16_t>(colour & 0xFF);
    const auto green = static_cast<uint16_t>((colour >> 8) & 0xFF);
    const auto blue = static_cast<uint16_t>((colour >> 16) & 0xFF);
    const auto sum = static_cast<uint16_t>(30 * red + 59 * green + 11 * blue);
    const auto high = static_cast<uint16_t>((static_cast<uint32_t>(sum) * 41944U) >> 16);
    grey[x] = static_cast<uint8_t>(high >> 6);
  }
}

}  // namespace

template <typename Source>
void TFrontImage::MakeGrey(const Source& source) {
  if (FGrey.Width() != FWidth || FGrey.Height() != FHeight) FGrey.Resize(FWidth, FHeight);
  for (int32_t y = 0; y < FHeight; ++y)
    // A colour plane's values are read as the unsigned pixels they hold.
    GreyRow(reinterpret_cast<const uint32_t*>(source.Row(y)), FGrey.Row(y), FWidth);
}

int32_t TFrontImage::ComputeThreshold() const {
  // A plane one pixel wide has a zero divisor and one without rows has no
  // middle row: no threshold, so nothing can be dark.
  if (FWidth < 2 || FHeight < 1) return 0;
  const uint8_t* row = FGrey.Row(FHeight / 2);
  int64_t sum = 0;
  for (int32_t x = 0; x < FWidth; ++x) sum += row[x];
  // The divisor is Width - 1, so a white row gives a threshold above 255.
  return static_cast<int32_t>(sum / (FWidth - 1));
}

void TFrontImage::MakeBinary(TPlaneBoolean& target) const {
  if (target.Width() != FWidth || target.Height() != FHeight) target.Resize(FWidth, FHeight);
  if (FWidth < 2 || FHeight < 1) {
    // No threshold: no dark pixel, whatever the offset.
    std::fill(target.Data().begin(), target.Data().end(), uint8_t{0});
    return;
  }
  const int32_t threshold = ComputeThreshold();
  // Grey values are 0..255 and Resolver is kept in a small range by the
  // component, but a direct caller may pass anything: grey + offset <
  // threshold is grey < threshold - offset, worked out in 64 bits and
  // clamped to the levels a byte can hold.
  const int64_t limit = static_cast<int64_t>(threshold) - FResolver;
  if (limit > 255) {
    std::fill(target.Data().begin(), target.Data().end(), uint8_t{1});
    return;
  }
  const auto bound = static_cast<uint8_t>(std::max<int64_t>(limit, 0));
  const int32_t width = FWidth, height = FHeight;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* grey = FGrey.Row(y);
    uint8_t* binary = target.Row(y);
    for (int32_t x = 0; x < width; ++x) binary[x] = grey[x] < bound ? 1 : 0;
  }
}

}  // namespace vornak
