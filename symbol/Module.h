#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornak {

// The module matrix of one symbol: a grid (of side 4V + 17 for QR Code) in which
// every module carries four byte layers: the sampled value (0), the mask bit
// (1), the unmasked data value (2) and the function-pattern code (3).
// Positions outside the grid read 0 and ignore writes.
class TModule {
 public:
  // Throws std::invalid_argument for a version outside 1..40.
  explicit TModule(int32_t version);
  // A grid of the given size (both 1 or more; throws std::invalid_argument
  // otherwise), for the kinds whose side is not 4V + 17.
  TModule(int32_t width, int32_t height);
  virtual ~TModule() = default;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }

  uint8_t GetRaw(int32_t x, int32_t y) const { return Get(x, y, kRawLayer); }
  void SetRaw(int32_t x, int32_t y, uint8_t value) { Set(x, y, kRawLayer, value); }
  uint8_t GetMaskBit(int32_t x, int32_t y) const { return Get(x, y, kMaskLayer); }
  void SetMaskBit(int32_t x, int32_t y, uint8_t value) { Set(x, y, kMaskLayer, value); }
  uint8_t GetData(int32_t x, int32_t y) const { return Get(x, y, kDataLayer); }
  void SetData(int32_t x, int32_t y, uint8_t value) { Set(x, y, kDataLayer, value); }
  uint8_t GetFunctionCode(int32_t x, int32_t y) const { return Get(x, y, kFunctionLayer); }

 protected:
  // Only the map builder writes the function-pattern layer.
  void SetFunctionCode(int32_t x, int32_t y, uint8_t value) { Set(x, y, kFunctionLayer, value); }

 private:
  static constexpr int32_t kRawLayer = 0;
  static constexpr int32_t kMaskLayer = 1;
  static constexpr int32_t kDataLayer = 2;
  static constexpr int32_t kFunctionLayer = 3;
  static constexpr int32_t kLayers = 4;

  uint8_t Get(int32_t x, int32_t y, int32_t layer) const {
    return Inside(x, y) ? FCells[Index(x, y, layer)] : 0;
  }
  void Set(int32_t x, int32_t y, int32_t layer, uint8_t value) {
    if (Inside(x, y)) FCells[Index(x, y, layer)] = value;
  }
  size_t Index(int32_t x, int32_t y, int32_t layer) const {
    return (static_cast<size_t>(x) * static_cast<size_t>(FHeight) + static_cast<size_t>(y)) *
               kLayers +
           static_cast<size_t>(layer);
  }

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::vector<uint8_t> FCells;
};

}  // namespace vornak
