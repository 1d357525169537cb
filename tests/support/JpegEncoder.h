#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace vornak::test {

// The picture as a JPEG file's bytes, written by libjpeg at the given
// quality: colour, or grey from the red channel, optionally progressive.
std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality, bool grey = false,
                                bool progressive = false);

}  // namespace vornak::test
