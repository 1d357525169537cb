#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornak {

// A two-dimensional array addressed (x, y), x the column and y the row, over
// one contiguous row-major buffer. Kind tells planes of one element type but
// of different meaning apart, so that one cannot be passed for the other.
template <typename T, typename Kind = void>
class Plane {
 public:
  Plane() = default;
  Plane(int32_t width, int32_t height, T fill = T{}) { Resize(width, height, fill); }

  // Sets the extents and every element to fill. Negative extents count as 0.
  void Resize(int32_t width, int32_t height, T fill = T{}) {
    FWidth = width > 0 ? width : 0;
    FHeight = height > 0 ? height : 0;
    FData.assign(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), fill);
  }

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  bool Empty() const { return FData.empty(); }

  bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }

  T& operator()(int32_t x, int32_t y) { return FData[Index(x, y)]; }
  const T& operator()(int32_t x, int32_t y) const { return FData[Index(x, y)]; }

  // Bounds-safe read: positions outside the plane give the outside value.
  T At(int32_t x, int32_t y, T outside) const {
    return Inside(x, y) ? FData[Index(x, y)] : outside;
  }

  T* Row(int32_t y) { return FData.data() + static_cast<size_t>(y) * static_cast<size_t>(FWidth); }
  const T* Row(int32_t y) const {
    return FData.data() + static_cast<size_t>(y) * static_cast<size_t>(FWidth);
  }
  std::vector<T>& Data() { return FData; }
  const std::vector<T>& Data() const { return FData; }

  bool operator==(const Plane& other) const = default;

 private:
  size_t Index(int32_t x, int32_t y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(FWidth) + static_cast<size_t>(x);
  }

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::vector<T> FData;
};

struct TTwoLevelKind;
struct TGreyKind;
struct TConfidenceKind;

// Colour values (red bits 0-7, green 8-15, blue 16-23) or grey levels.
using TPlaneInteger = Plane<int32_t>;
// Non-zero marks a dark pixel, or a dark module in a module matrix.
using TPlaneBoolean = Plane<uint8_t, TTwoLevelKind>;
// Grey levels 0..255 (0 = black): a byte each keeps a large picture small.
using TPlaneGrey = Plane<uint8_t, TGreyKind>;
// How sure a sampler is of each module it read: 0 no idea .. 255 certain.
using TPlaneConfidence = Plane<uint8_t, TConfidenceKind>;

using TIntegers = std::vector<int32_t>;
using TBooleans = std::vector<bool>;

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

// The engine's picture: 32-bit colour values, red in bits 0-7, green in 8-15,
// blue in 16-23, stored row by row.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int32_t width, int32_t height, uint32_t fill = 0xFFFFFF) : FPixels(width, height, fill) {}

  void Resize(int32_t width, int32_t height, uint32_t fill = 0xFFFFFF) {
    FPixels.Resize(width, height, fill);
  }
  int32_t Width() const { return FPixels.Width(); }
  int32_t Height() const { return FPixels.Height(); }
  uint32_t Pixel(int32_t x, int32_t y) const { return FPixels(x, y); }
  void SetPixel(int32_t x, int32_t y, uint32_t colour) { FPixels(x, y) = colour; }
  uint32_t* Row(int32_t y) { return FPixels.Row(y); }
  const uint32_t* Row(int32_t y) const { return FPixels.Row(y); }
  bool operator==(const TBitmap&) const = default;

  static constexpr uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
  }

 private:
  Plane<uint32_t> FPixels;
};

}  // namespace vornak
