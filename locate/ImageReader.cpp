#include "locate/ImageReader.h"

#include <algorithm>

namespace vornak {

TImageReader::TImageReader() : FCoordinates(std::make_unique<TCoordinates>()) {}

TImageReader::~TImageReader() = default;

void TImageReader::SetWarp(int32_t Value) { FCoordinates->SetWarp(Value); }

void TImageReader::SetForceVersion(int32_t Value) { FCoordinates->SetForceVersion(Value); }

int32_t TImageReader::Read(const TPlaneBoolean& Image, int32_t Width, int32_t Height) {
  const int32_t code = FCoordinates->Locate(Image, Width, Height);
  if (code > 0) return code;

  const int32_t width = std::clamp(Width, 0, Image.Width());
  const int32_t height = std::clamp(Height, 0, Image.Height());
  const int32_t side = 4 * FCoordinates->Version() + 17;
  // Sampled apart and moved in only when complete, so that a mapping fault
  // leaves the previous matrix whole. Every module is written: one whose
  // centre lies outside the picture reads light, never what an earlier
  // symbol left there.
  TPlaneBoolean matrix(side, side, 0);
  for (int32_t b = 0; b < side; ++b) {
    for (int32_t a = 0; a < side; ++a) {
      const TPoint p = FCoordinates->GetModulePoint(a, b);
      if (p.X >= 0 && p.X < width && p.Y >= 0 && p.Y < height)
        matrix(a, b) = Image(p.X, p.Y) != 0 ? 1 : 0;
    }
  }
  FMatrix = std::move(matrix);
  FSize = side;
  return 0;
}

}  // namespace vornak
