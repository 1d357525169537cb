#pragma once

#include <cstdint>

#include "common/Types.h"

namespace vornak {

// Nearest-codeword decoder for one received 15-bit format word over the 32
// valid BCH(15,5) codewords (unmasked). Corrects up to three bit errors.
class TBCH15_5 {
 public:
  static constexpr int32_t kMaxErrors = 3;

  // bits[i] is bit i of the received word (element 14 most significant);
  // elements beyond the fifteenth are ignored, missing ones read 0.
  explicit TBCH15_5(const TBooleans& bits);

  // Corrects the received word and returns its fifteen bits, least
  // significant first. Without a codeword within three bits, Failed() turns
  // true and the bits are those of -1 shifted in logically: bit 0 clear,
  // bits 1 to 14 set.
  void Decode(TBooleans& bits);

  int32_t Received() const { return FReceived; }
  int32_t Codeword() const { return FCodeword; }
  bool Failed() const { return FFailed != 0; }
  // Bit errors corrected, or -1 after a failure.
  int32_t Distance() const { return FDistance; }

  // The first codeword within three bits of value, or -1.
  static int32_t Nearest(int32_t value);
  static int32_t HammingDistance(int32_t a, int32_t b);

 private:
  int32_t FReceived = 0;
  int32_t FCodeword = -1;
  int32_t FFailed = 0;
  int32_t FDistance = -1;
  TBooleans FBits;
};

}  // namespace vornak
