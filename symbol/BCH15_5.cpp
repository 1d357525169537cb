#include "symbol/BCH15_5.h"

#include <bit>

#include "symbol/StandardTables.h"

namespace vornak {

TBCH15_5::TBCH15_5(const TBooleans& bits) {
  for (size_t i = 0; i < bits.size() && i < 15; ++i)
    if (bits[i]) FReceived |= 1 << i;
}

void TBCH15_5::Decode(TBooleans& bits) {
  FFailed = 0;
  FCodeword = Nearest(FReceived);
  if (FCodeword < 0) {
    FFailed = 1;
    FDistance = -1;
  } else {
    FDistance = HammingDistance(FReceived, FCodeword);
  }
  // -1 seen as an unsigned word shifted right logically leaves bit 0 clear.
  const uint32_t word = static_cast<uint32_t>(FCodeword);
  FBits.assign(15, false);
  for (int32_t i = 0; i < 15; ++i)
    FBits[static_cast<size_t>(i)] = (FFailed ? (i > 0) : ((word >> i) & 1) != 0);
  bits = FBits;
}

int32_t TBCH15_5::Nearest(int32_t value) {
  for (const int32_t code : FormatInfoCodes)
    if (HammingDistance(value & 0x7FFF, code) <= kMaxErrors) return code;
  return -1;
}

int32_t TBCH15_5::HammingDistance(int32_t a, int32_t b) {
  return std::popcount(static_cast<uint32_t>(a ^ b));
}

}  // namespace vornak
