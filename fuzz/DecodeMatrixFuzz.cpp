// An arbitrary module matrix of any version, QR Code or Micro QR, through the
// tail of the pipeline: format, unmasking, codewords, block correction and
// data decoding.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Types.h"
#include "engine/Decorder.h"
#include "fuzz/FuzzInput.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vornak::fuzz::TMatrixShape;
  if (size < 2) return 0;
  const TMatrixShape shape = vornak::fuzz::MatrixShape(data[1]);
  const int32_t side = vornak::fuzz::MatrixSide(data[0], data[1]);
  int32_t planeSide = side;
  int32_t matrixSize = side;
  if (shape == TMatrixShape::LargerPlane) planeSide = side + 1;
  if (shape == TMatrixShape::BadSize) matrixSize = side + 1;
  if (shape == TMatrixShape::SmallerPlane) planeSide = side - 1;

  // Row by row, one bit per module; modules past the input stay light.
  vornak::TPlaneBoolean& matrix = ClearedPlane(planeSide);
  uint8_t* cells = matrix.Data().data();
  const uint8_t* bits = data + 2;
  const size_t bitCount = (size - 2) * 8;
  const size_t filled = bitCount < matrix.Data().size() ? bitCount : matrix.Data().size();
  for (size_t i = 0; i < filled; ++i) cells[i] = (bits[i / 8] >> (7 - i % 8)) & 1;

  const std::string sentinel = "unchanged";
  std::string text = sentinel;
  const int32_t code = Driver().DecodeMatrix(matrix, matrixSize, text);
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
