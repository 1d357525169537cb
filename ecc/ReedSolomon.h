#pragma once

#include <array>
#include <cstdint>

#include "common/Types.h"

namespace vornak {

// Corrects one Reed-Solomon block of a QR Code symbol in place: GF(256) over
// x^8 + x^4 + x^3 + x^2 + 1 with generator roots alpha^0 .. alpha^(E-1), where
// E is the number of error-correction codewords at the end of the block.
//
// The block is the caller's array (data codewords first, most significant
// power first); a correction is written into it only when the decoder is sure
// of it, otherwise the block stays exactly as it was.
//
// Codewords the caller knows to be doubtful may be named as erasures: their
// place is known, only their value is not, so each costs one check codeword
// where an error costs two.
class TReedSolomon {
 public:
  // Longest block the field allows, and the most check codewords a block may
  // carry (QR Code uses at most 30).
  static constexpr int32_t kMaxBlockLength = 255;
  static constexpr int32_t kMaxCheckCodewords = 68;

  TReedSolomon();

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
  // The same with erasures: indices into the block (0 = first data codeword;
  // repeats count once). Succeeds when 2 x errors + erasures stays within
  // Budget() and the repaired block is a codeword; refuses an index outside
  // the block and more erasures than the budget. Without erasures it is
  // exactly Correct(). Past the budget, erasures that leave few check
  // codewords unspent land on a wrong codeword far more often than errors
  // alone do (bench_erasure); TSoftCorrector guards against that.
  bool Correct(const TIntegers& erasures);

  // Codewords changed by the last successful Correct (0 when none); an
  // erased codeword that held its right value is not counted.
  int32_t CorrectedCount() const { return FCorrectedCount; }
  // Errors found outside the erasures, and erasures taken, by the last
  // successful Correct (0 when the block was a codeword already).
  int32_t ErrorCount() const { return FErrorCount; }
  int32_t ErasureCount() const { return FErasureCount; }
  // Errors the current block's shape allows to correct.
  int32_t Capacity() const;
  // Check codewords available to correction: each error takes two, each
  // erasure one (the check count less the misdecode protection).
  int32_t Budget() const;

  // Whether block is a codeword with its last checkCount codewords as check
  // codewords (every syndrome zero); the block set for correction is left
  // alone.
  bool IsCodeword(const TIntegers& block, int32_t checkCount) const;

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
  // The syndrome of length codewords at root alpha^i.
  int32_t Syndrome(const int32_t* codewords, int32_t length, int32_t i) const;
  // Fills FSyndromes from the given codewords; true when all are zero.
  bool ComputeSyndromes(const int32_t* codewords);
  // Takes the erasure indices as powers into FErasurePowers; false when one
  // lies outside the block or there are more than the budget.
  bool TakeErasures(const TIntegers& erasures);
  // Berlekamp-Massey over count values of sequence; returns the register
  // length L.
  int32_t FindLocator(const int32_t* sequence, int32_t count);
  // FErasureLocator from the erasures; FModified = S(x) x erasure locator
  // mod x^E, whose values past the erasure count no longer see the erasures.
  void ComputeErasureLocator();
  // Multiplies FLocator by the erasure locator: the locator of all errata.
  void MergeLocators();
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
  int32_t FErrorCount = 0;
  int32_t FErasureCount = 0;

  std::array<int32_t, 512> FExp{};
  std::array<int32_t, 256> FLog{};
  std::array<int32_t, kPoly> FSyndromes{};
  std::array<int32_t, kPoly> FLocator{};
  std::array<int32_t, kPoly> FPrevious{};
  std::array<int32_t, kPoly> FScratch{};
  std::array<int32_t, kPoly> FEvaluator{};
  std::array<int32_t, kPoly> FErasureLocator{};
  std::array<int32_t, kPoly> FModified{};
  std::array<int32_t, kMaxBlockLength> FErasurePowers{};
  // Marks the powers taken as erasures, for the duration of one Correct.
  std::array<bool, kMaxBlockLength> FErased{};
  std::array<int32_t, kMaxBlockLength> FRoots{};
  int32_t FRootCount = 0;
  int32_t FLocatorDegree = 0;
  std::array<int32_t, kMaxBlockLength> FWork{};
};

}  // namespace vornak
