#pragma once

#include <qrcodegen/qrcodegen.hpp>

#include <cstdint>
#include <string>

#include "common/Types.h"
#include "locate/TimingPattern.h"

namespace vornak::test {

// Module matrix of a symbol from the independent encoder, version and level
// fixed, mask chosen by the encoder.
inline TPlaneBoolean EncodedMatrix(int32_t version, int32_t mask = -1) {
  const std::string text = "VORNAK LOCATE " + std::to_string(version);
  const auto segments = qrcodegen::QrSegment::makeSegments(text.c_str());
  const qrcodegen::QrCode code = qrcodegen::QrCode::encodeSegments(
      segments, qrcodegen::QrCode::Ecc::LOW, version, version, mask, false);
  TPlaneBoolean matrix(code.getSize(), code.getSize(), 0);
  for (int y = 0; y < code.getSize(); ++y)
    for (int x = 0; x < code.getSize(); ++x) matrix(x, y) = code.getModule(x, y) ? 1 : 0;
  return matrix;
}

// The caller's version search: from the estimate up to 14, first that passes;
// 0 when none does.
inline int32_t SearchVersion(TPoint corner, TPoint endA, TPoint endB, const TPlaneBoolean& image) {
  TTimingPattern timing(corner, endA, endB);
  const int32_t estimate = timing.EstimateVersion(image, image.Width(), image.Height());
  for (int32_t v = estimate; v <= 14; ++v)
    if (timing.CheckVersion(v, image, image.Width(), image.Height())) return v;
  return 0;
}

}  // namespace vornak::test
