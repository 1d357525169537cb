#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace vornak::test {

// JPEG file bytes back to a colour picture through libjpeg, for the round
// trip of rendered test photographs; throws std::runtime_error on bytes
// libjpeg refuses.
TBitmap DecodeJpeg(const std::vector<uint8_t>& bytes);

}  // namespace vornak::test
