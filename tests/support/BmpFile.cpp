#include "tests/support/BmpFile.h"

#include <fstream>
#include <iterator>
#include <string>

namespace vornak::test {

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Little(const std::string& data, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = (value << 8) | static_cast<uint8_t>(data[at + static_cast<size_t>(i)]);
  return value;
}

}  // namespace

bool LoadBmp(const std::filesystem::path& path, TBitmap& bitmap) {
  const std::string data = ReadAll(path);
  if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t offset = Little(data, 10, 4);
  const int32_t width = static_cast<int32_t>(Little(data, 18, 4));
  const int32_t rawHeight = static_cast<int32_t>(Little(data, 22, 4));
  const uint32_t bits = Little(data, 28, 2);
  const uint32_t compression = Little(data, 30, 4);
  if ((bits != 24 && bits != 32) || compression != 0 || width <= 0 || rawHeight == 0) return false;
  const int32_t height = rawHeight < 0 ? -rawHeight : rawHeight;
  const size_t bytesPerPixel = bits / 8;
  const size_t stride = (static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4;
  if (offset + stride * static_cast<size_t>(height) > data.size()) return false;
  bitmap.Resize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = offset + stride * static_cast<size_t>(rawHeight < 0 ? y : height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      const size_t p = row + static_cast<size_t>(x) * bytesPerPixel;
      bitmap.SetPixel(
          x, y,
          TBitmap::Rgb(static_cast<uint8_t>(data[p + 2]), static_cast<uint8_t>(data[p + 1]),
                       static_cast<uint8_t>(data[p])));
    }
  }
  return true;
}

}  // namespace vornak::test
