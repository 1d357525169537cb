#pragma once

#include <cstdint>

#include "common/Types.h"

namespace vornak {

// Turns a colour plane into the two-level plane that symbol location works on,
// with one global threshold taken from the middle row and shifted by Resolver.
class TFrontImage {
 public:
  TFrontImage() = default;

  // Plane holds colour values (red bits 0-7, green 8-15, blue 16-23; the top
  // byte is ignored). Result receives a copy of the dark/light plane, so it
  // stays valid when a later call rebuilds this object's planes. Planes
  // narrower than two pixels or without rows have no threshold and come out
  // with no dark pixel.
  void Binarize(const TPlaneInteger& plane, int32_t width, int32_t height, TPlaneBoolean& result);
  // The same straight from a picture's rows, without a colour plane between;
  // the dark/light plane is made in result only (Binary() keeps the plane of
  // the last call above).
  void Binarize(const TBitmap& bitmap, TPlaneBoolean& result);

  // Offset added to each grey value before the comparison with the threshold.
  void SetResolver(int32_t value) { FResolver = value; }
  int32_t Resolver() const { return FResolver; }

  const TPlaneBoolean& Binary() const { return FBinary; }
  const TPlaneGrey& Grey() const { return FGrey; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }

  // The threshold of the current grey plane: the sum of the middle row
  // divided by Width - 1. Zero when there is no such row or divisor.
  int32_t ComputeThreshold() const;

 private:
  template <typename Source>
  void MakeGrey(const Source& source);
  void MakeBinary(TPlaneBoolean& target) const;

  TPlaneBoolean FBinary;
  TPlaneGrey FGrey;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FResolver = 7;
};

}  // namespace vornak
