#pragma once

#include <array>
#include <cstdint>

#include "common/Types.h"

namespace vornak::test {

// The errors-only block decoder as it stood before erasures were added,
// kept unchanged as the yardstick that TReedSolomon::Correct() without
// erasures must match result for result.
class TErrorsOnlyReedSolomon {
 public:
  // Longest block the field allows, and the most check codewords a block may
  // carry (QR Code uses at most 30).
  static constexpr int32_t kMaxBlockLength = 255;
  static constexpr int32_t kMaxCheckCodewords = 68;

  TErrorsOnlyReedSolomon();

  // Makes the decoder work on the caller's block, whose last checkCount
  // codewords are error correction. misdecodeProtection is the number of
  // check codewords kept back from correction to guard against miscorrection
  // (small QR Code symbols reserve 1 to 3); the rated capacity is
  // (checkCount - misdecodeProtection) / 2 codeword errors.
  void SetBlock(TIntegers& block, int32_t checkCount, int32_t misdecodeProtection = 0);

  // Returns true when the block is now a valid codeword (it was one already,
  // or it has been corrected); false leaves the block untouched: too many
  // errors, inconsistent locator, a shape the decoder cannot handle, or no
  // block set.
  bool Correct();

  // Codewords changed by the last successful Correct (0 when none).
  int32_t CorrectedCount() const { return FCorrectedCount; }
  // Errors the current block's shape allows to correct.
  int32_t Capacity() const;

  // Field arithmetic, exposed for the tests.
  int32_t Multiply(int32_t a, int32_t b) const;
  // The inverse of a non-zero element; 0 for 0.
  int32_t Inverse(int32_t a) const;
  int32_t Power(int32_t exponent) const {
    return FExp[static_cast<size_t>(((exponent % 255) + 255) % 255)];
  }

 private:
  static constexpr size_t kPoly = kMaxCheckCodewords + 1;

  void BuildTables();
  // Fills FSyndromes from the given codewords; true when all are zero.
  bool ComputeSyndromes(const int32_t* codewords);
  // Berlekamp-Massey; returns the register length L.
  int32_t FindLocator();
  void ComputeEvaluator();
  // Evaluates a polynomial of the given degree at x.
  int32_t Evaluate(const std::array<int32_t, kPoly>& poly, int32_t degree, int32_t x) const;
  // Collects the powers (positions counted from the block's end) at which the
  // locator vanishes; returns their number.
  int32_t FindRoots(int32_t length);
  bool DecodeBlock();

  TIntegers* FBlock = nullptr;
  int32_t FLength = 0;
  int32_t FCheckCount = 0;
  int32_t FProtection = 0;
  int32_t FCorrectedCount = 0;

  std::array<int32_t, 512> FExp{};
  std::array<int32_t, 256> FLog{};
  std::array<int32_t, kPoly> FSyndromes{};
  std::array<int32_t, kPoly> FLocator{};
  std::array<int32_t, kPoly> FPrevious{};
  std::array<int32_t, kPoly> FScratch{};
  std::array<int32_t, kPoly> FEvaluator{};
  std::array<int32_t, kMaxBlockLength> FRoots{};
  int32_t FRootCount = 0;
  int32_t FLocatorDegree = 0;
  std::array<int32_t, kMaxBlockLength> FWork{};
};

}  // namespace vornak::test
