#pragma once

#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "locate/Coordinates.h"

namespace vornak {

// Turns a two-level picture of one symbol into its module matrix: locates the
// symbol, then samples one pixel at the mapped centre of every module.
class TImageReader {
 public:
  TImageReader();
  ~TImageReader();
  TImageReader(const TImageReader&) = delete;
  TImageReader& operator=(const TImageReader&) = delete;

  // Search radius for the fourth corner in module pitches (the caller keeps
  // it within 1..6).
  void SetWarp(int32_t Value);
  // 0 = automatic version, else the version to assume.
  void SetForceVersion(int32_t Value);

  // 0 once the matrix holds the symbol, 1 when it is not located or its
  // version not fixed; then Matrix and Size keep what they held. Geometry
  // faults of the location pass through as EMathError, also leaving them.
  int32_t Read(const TPlaneBoolean& Image, int32_t Width, int32_t Height);

  // N x N modules, indexed (column, row), non-zero = dark; N = Size().
  const TPlaneBoolean& Matrix() const { return FMatrix; }
  // Side of the matrix; 0 before the first successful read.
  int32_t Size() const { return FSize; }
  // The located geometry (finders, corners, version) for display.
  const TCoordinates& Coordinates() const { return *FCoordinates; }

 private:
  TPlaneBoolean FMatrix;
  int32_t FSize = 0;
  std::unique_ptr<TCoordinates> FCoordinates;
};

}  // namespace vornak
