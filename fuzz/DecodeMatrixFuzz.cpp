// An arbitrary module matrix of any version, QR Code (Model 2 or, failing
// that, Model 1), Micro QR or rMQR, through the tail of the pipeline: format,
// unmasking, codewords, block correction and data decoding.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Types.h"
#include "engine/Decorder.h"
#include "fuzz/FuzzInput.h"
#include "symbol/RectTables.h"

namespace {

// One driver for every input, as in an application that decodes many
// pictures with the same component.
vornak::TDecorder& Driver() {
  static vornak::TDecorder driver;
  return driver;
}

// The plane of the given side, cleared. Planes are kept between inputs, one
// per side, so an input allocates nothing; each keeps its exact size, so a
// read past its end still meets the address sanitizer.
vornak::TPlaneBoolean& ClearedPlane(int32_t side) {
  static std::array<vornak::TPlaneBoolean, 4 * 40 + 17 + 2> planes;
  vornak::TPlaneBoolean& plane = planes[static_cast<size_t>(side)];
  plane.Resize(side, side, 0);
  return plane;
}

// The same for rectangles, one per rMQR version and shape.
vornak::TPlaneBoolean& ClearedPlane(int32_t version, int32_t shape, int32_t width, int32_t height) {
  static std::array<vornak::TPlaneBoolean, 32 * 4> planes;
  vornak::TPlaneBoolean& plane = planes[static_cast<size_t>((version - 1) * 4 + shape)];
  plane.Resize(width, height, 0);
  return plane;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vornak::fuzz::TMatrixShape;
  if (size < 2) return 0;
  const TMatrixShape shape = vornak::fuzz::MatrixShape(data[1]);
  const bool rect = vornak::fuzz::MatrixRect(data[1]);
  int32_t width = vornak::fuzz::MatrixSide(data[0], data[1]);
  int32_t height = width;
  const int32_t rectVersion = vornak::fuzz::MatrixRectVersion(data[0]);
  if (rect) {
    width = vornak::rmqr::SizeOf(rectVersion).Width;
    height = vornak::rmqr::SizeOf(rectVersion).Height;
  }
  int32_t grow = 0;
  int32_t matrixWidth = width;
  if (shape == TMatrixShape::LargerPlane) grow = 1;
  if (shape == TMatrixShape::BadSize) matrixWidth = width + 1;
  if (shape == TMatrixShape::SmallerPlane) grow = -1;

  // Row by row, one bit per module; modules past the input stay light.
  vornak::TPlaneBoolean& matrix =
      rect ? ClearedPlane(rectVersion, static_cast<int32_t>(shape), width + grow, height + grow)
           : ClearedPlane(width + grow);
  uint8_t* cells = matrix.Data().data();
  const uint8_t* bits = data + 2;
  const size_t bitCount = (size - 2) * 8;
  const size_t filled = bitCount < matrix.Data().size() ? bitCount : matrix.Data().size();
  for (size_t i = 0; i < filled; ++i) cells[i] = (bits[i / 8] >> (7 - i % 8)) & 1;

  const std::string sentinel = "unchanged";
  std::string text = sentinel;
  const int32_t code = rect ? Driver().DecodeMatrix(matrix, matrixWidth, height, text, {})
                            : Driver().DecodeMatrix(matrix, matrixWidth, text);
  if (code == 0) {
    if (!Driver().ErrorText().empty()) __builtin_trap();
  } else {
    // A failure leaves the caller's text alone and says why.
    if (text != sentinel || Driver().ErrorText().empty()) __builtin_trap();
  }
  if ((shape == TMatrixShape::BadSize || shape == TMatrixShape::SmallerPlane) && code == 0)
    __builtin_trap();
  return 0;
}
