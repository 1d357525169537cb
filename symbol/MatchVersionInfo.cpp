#include "symbol/MatchVersionInfo.h"

#include "symbol/StandardTables.h"

namespace vornak {

int32_t MatchVersionInfo(const TBooleans& bits) {
  if (bits.size() != 18) return 0;
  for (size_t k = 0; k < VersionInfoCodes.size(); ++k) {
    int32_t differences = 0;
    for (size_t j = 0; j < 18; ++j)
      if (((VersionInfoCodes[k] >> j) & 1) != (bits[j] ? 1 : 0)) ++differences;
    if (differences <= 3) return static_cast<int32_t>(k) + 7;
  }
  return 0;
}

}  // namespace vornak
