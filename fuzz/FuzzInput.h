#pragma once

#include <cstddef>
#include <cstdint>

#include "symbol/SymbolKind.h"

// The input formats shared by the fuzz targets and the seed generator: a few
// header bytes that choose the shape of the case, then the payload.
namespace vornak::fuzz {

// TDataBlockReader: [version selector] [count selector] codewords...
// Versions 0 and 41 are kept reachable on purpose (no count widths).
// Selectors below 168 read QR Code Model 2 streams; 168..199 rMQR versions
// 1..32, 200..214 Model 1 versions 0..14, 215..219 Micro QR versions 0..4
// (0 again out of range), the rest Model 2 again.
inline int32_t ReaderVersion(uint8_t selector) {
  if (selector >= 168 && selector < 200) return selector - 167;
  if (selector >= 200 && selector < 215) return selector - 200;
  if (selector >= 215 && selector < 220) return selector - 215;
  return selector % 42;
}
inline TSymbolKind ReaderKind(uint8_t selector) {
  if (selector >= 168 && selector < 200) return TSymbolKind::kRect;
  if (selector >= 200 && selector < 215) return TSymbolKind::kModel1;
  if (selector >= 215 && selector < 220) return TSymbolKind::kMicro;
  return TSymbolKind::kModel2;
}
// Selector below 0x80 reads every codeword; else the low seven bits cap the count.
inline size_t ReaderCount(uint8_t selector, size_t size) {
  if (selector < 0x80) return size;
  const size_t cap = selector & 0x7F;
  return cap < size ? cap : size;
}

// Module matrix for the decode tail: [version selector] [shape] bits...,
// bits packed eight per byte, most significant first, row by row.
// Selectors 0..215 pick versions 1..9, 216..255 versions 1..40, one each: a
// large matrix takes up to fifty times as long as a small one, so most inputs
// stay small while every version is one byte away.
constexpr int32_t kSmallMatrixVersions = 9;
constexpr int32_t kEveryVersionSelector = 256 - 40;
inline int32_t MatrixVersion(uint8_t selector) {
  if (selector < kEveryVersionSelector) return selector % kSmallMatrixVersions + 1;
  return selector - kEveryVersionSelector + 1;
}
// The selector the seeds use for a version (1..40).
inline uint8_t MatrixVersionSelector(int32_t version) {
  return static_cast<uint8_t>(
      version <= kSmallMatrixVersions ? version - 1 : kEveryVersionSelector + version - 1);
}
enum class TMatrixShape : uint8_t {
  Exact = 0,        // plane side = size = 4V + 17
  LargerPlane = 1,  // plane one module wider and taller than size
  BadSize = 2,      // size one more than a version's side
  SmallerPlane = 3  // plane one module smaller than size
};
inline TMatrixShape MatrixShape(uint8_t selector) {
  return static_cast<TMatrixShape>(selector & 3);
}
// The top bit of the shape selector asks for a Micro QR matrix: side
// 2V + 9 of M1..M4, V the version selector modulo 4, plus one. Without it,
// the next bit asks for an rMQR matrix of version (selector modulo 32) + 1.
inline bool MatrixMicro(uint8_t selector) { return (selector & 0x80) != 0; }
inline bool MatrixRect(uint8_t selector) { return (selector & 0xC0) == 0x40; }
inline int32_t MatrixRectVersion(uint8_t versionSelector) { return versionSelector % 32 + 1; }
inline int32_t MatrixSide(uint8_t versionSelector, uint8_t shapeSelector) {
  if (MatrixMicro(shapeSelector)) return 2 * (versionSelector % 4 + 1) + 9;
  return 4 * MatrixVersion(versionSelector) + 17;
}

// Bitmap for TVornak::Decode: [width] [height] [flags] [warp/resolver]
// [force version] pixels... Sides are 1..kMaxSide. Flag bit 0: three bytes per
// pixel (red, green, blue), else one grey byte. Missing pixels are white.
constexpr int32_t kMaxSide = 160;
inline int32_t BitmapSide(uint8_t selector) { return selector % kMaxSide + 1; }
inline bool BitmapColour(uint8_t flags) { return (flags & 1) != 0; }
// Flag bit 1 lets the force-version byte through; else automatic detection.
inline int32_t BitmapForceVersion(uint8_t flags, uint8_t selector) {
  return (flags & 2) != 0 ? selector % 42 : 0;
}
inline int32_t BitmapWarp(uint8_t selector) { return selector % 6 + 1; }
inline int32_t BitmapResolver(uint8_t selector) { return (selector >> 3) * 2 + 1; }

}  // namespace vornak::fuzz
