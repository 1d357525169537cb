#pragma once

#include <cstdint>

#include "common/Types.h"

namespace vornak {

// The version (7 to 40) whose version-information codeword lies within three
// bits of the eighteen sampled bits (element j = bit j, least significant
// first), or 0 when none does or bits does not hold eighteen elements.
int32_t MatchVersionInfo(const TBooleans& bits);

}  // namespace vornak
