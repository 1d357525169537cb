#include "ecc/ReedSolomon.h"

#include <algorithm>

namespace vornak {

TReedSolomon::TReedSolomon() { BuildTables(); }

void TReedSolomon::BuildTables() {
  int32_t value = 1;
  for (int32_t i = 0; i < 255; ++i) {
    FExp[static_cast<size_t>(i)] = value;
    FExp[static_cast<size_t>(i + 255)] = value;
    value <<= 1;
    if (value & 0x100) value ^= 0x11D;
  }
  FExp[510] = FExp[255];
  FExp[511] = FExp[256];
  FLog.fill(0);
  // alpha^0 .. alpha^254 are all distinct, so every non-zero value gets its
  // one logarithm; log 0 stays 0 and is never used.
  for (int32_t i = 0; i < 255; ++i) FLog[static_cast<size_t>(FExp[static_cast<size_t>(i)])] = i;
}

int32_t TReedSolomon::Multiply(int32_t a, int32_t b) const {
  if (a == 0 || b == 0) return 0;
  return FExp[static_cast<size_t>(FLog[static_cast<size_t>(a & 0xFF)] +
                                  FLog[static_cast<size_t>(b & 0xFF)])];
}

int32_t TReedSolomon::Inverse(int32_t a) const {
  if ((a & 0xFF) == 0) return 0;
  return FExp[static_cast<size_t>(255 - FLog[static_cast<size_t>(a & 0xFF)])];
}

void TReedSolomon::SetBlock(TIntegers& block, int32_t checkCount, int32_t misdecodeProtection) {
  FBlock = &block;
  FCheckCount = checkCount;
  FProtection = misdecodeProtection;
  FCorrectedCount = 0;
}

int32_t TReedSolomon::Capacity() const { return Budget() / 2; }

int32_t TReedSolomon::Budget() const {
  if (FCheckCount <= 0) return 0;
  const int32_t protection = std::max(FProtection, 0);
  return std::max(FCheckCount - protection, 0);
}

int32_t TReedSolomon::Syndrome(const int32_t* codewords, int32_t length, int32_t i) const {
  const int32_t x = FExp[static_cast<size_t>(i)];
  int32_t s = 0;
  for (int32_t m = 0; m < length; ++m) s = Multiply(s, x) ^ codewords[m];
  return s;
}

bool TReedSolomon::IsCodeword(const TIntegers& block, int32_t checkCount) const {
  const auto length = static_cast<int32_t>(block.size());
  if (checkCount < 1 || checkCount >= length || checkCount > kMaxCheckCodewords) return false;
  for (int32_t i = 0; i < checkCount; ++i)
    if (Syndrome(block.data(), length, i) != 0) return false;
  return true;
}

bool TReedSolomon::ComputeSyndromes(const int32_t* codewords) {
  bool allZero = true;
  for (int32_t i = 0; i < FCheckCount; ++i) {
    const int32_t s = Syndrome(codewords, FLength, i);
    FSyndromes[static_cast<size_t>(i)] = s;
    if (s != 0) allZero = false;
  }
  for (size_t i = static_cast<size_t>(FCheckCount); i < kPoly; ++i) FSyndromes[i] = 0;
  return allZero;
}

int32_t TReedSolomon::FindLocator(const int32_t* sequence, int32_t count) {
  // FPrevious is the connection polynomial before the last length change,
  // shifted by `shift` places.
  FLocator.fill(0);
  FPrevious.fill(0);
  FLocator[0] = 1;
  FPrevious[0] = 1;
  int32_t length = 0;
  int32_t shift = 1;
  int32_t previousDiscrepancy = 1;
  for (int32_t n = 0; n < count; ++n) {
    int32_t discrepancy = sequence[n];
    for (int32_t i = 1; i <= length; ++i)
      discrepancy ^= Multiply(FLocator[static_cast<size_t>(i)], sequence[n - i]);
    if (discrepancy == 0) {
      ++shift;
      continue;
    }
    const int32_t factor = Multiply(discrepancy, Inverse(previousDiscrepancy));
    const bool grows = 2 * length <= n;
    if (grows) FScratch = FLocator;
    // The degree of x^shift * FPrevious never exceeds E, which fits.
    for (int32_t i = 0; i + shift < static_cast<int32_t>(kPoly); ++i)
      FLocator[static_cast<size_t>(i + shift)] ^=
          Multiply(factor, FPrevious[static_cast<size_t>(i)]);
    if (grows) {
      length = n + 1 - length;
      FPrevious = FScratch;
      previousDiscrepancy = discrepancy;
      shift = 1;
    } else {
      ++shift;
    }
  }
  FLocatorDegree = 0;
  for (int32_t i = static_cast<int32_t>(kPoly) - 1; i > 0; --i) {
    if (FLocator[static_cast<size_t>(i)] != 0) {
      FLocatorDegree = i;
      break;
    }
  }
  return length;
}

bool TReedSolomon::TakeErasures(const TIntegers& erasures) {
  FErasureCount = 0;
  FErased.fill(false);
  for (int32_t index : erasures) {
    if (index < 0 || index >= FLength) return false;
    const int32_t power = FLength - 1 - index;
    if (FErased[static_cast<size_t>(power)]) continue;
    if (FErasureCount == Budget()) return false;
    FErased[static_cast<size_t>(power)] = true;
    FErasurePowers[static_cast<size_t>(FErasureCount++)] = power;
  }
  return true;
}

void TReedSolomon::ComputeErasureLocator() {
  // Gamma(x) = product of (1 + X x) over the erased places X = alpha^power.
  FErasureLocator.fill(0);
  FErasureLocator[0] = 1;
  for (int32_t j = 0; j < FErasureCount; ++j) {
    const int32_t x = FExp[static_cast<size_t>(FErasurePowers[static_cast<size_t>(j)])];
    for (int32_t i = j + 1; i >= 1; --i)
      FErasureLocator[static_cast<size_t>(i)] ^=
          Multiply(x, FErasureLocator[static_cast<size_t>(i - 1)]);
  }
  FModified.fill(0);
  for (int32_t i = 0; i < FCheckCount; ++i) {
    int32_t sum = 0;
    for (int32_t j = 0; j <= std::min(i, FErasureCount); ++j)
      sum ^=
          Multiply(FErasureLocator[static_cast<size_t>(j)], FSyndromes[static_cast<size_t>(i - j)]);
    FModified[static_cast<size_t>(i)] = sum;
  }
}

void TReedSolomon::MergeLocators() {
  FScratch.fill(0);
  for (int32_t i = 0; i <= FLocatorDegree; ++i)
    for (int32_t j = 0; j <= FErasureCount; ++j)
      FScratch[static_cast<size_t>(i + j)] ^=
          Multiply(FLocator[static_cast<size_t>(i)], FErasureLocator[static_cast<size_t>(j)]);
  FLocator = FScratch;
  FLocatorDegree += FErasureCount;
}

void TReedSolomon::ComputeEvaluator() {
  // Omega(x) = S(x) * Lambda(x) mod x^E, Lambda the locator of all errata.
  FEvaluator.fill(0);
  for (int32_t i = 0; i < FCheckCount; ++i) {
    int32_t sum = 0;
    for (int32_t j = 0; j <= std::min(i, FLocatorDegree); ++j)
      sum ^= Multiply(FLocator[static_cast<size_t>(j)], FSyndromes[static_cast<size_t>(i - j)]);
    FEvaluator[static_cast<size_t>(i)] = sum;
  }
}

int32_t TReedSolomon::Evaluate(const std::array<int32_t, kPoly>& poly, int32_t degree,
                               int32_t x) const {
  int32_t sum = 0;
  for (int32_t i = degree; i >= 0; --i) sum = Multiply(sum, x) ^ poly[static_cast<size_t>(i)];
  return sum;
}

int32_t TReedSolomon::FindRoots(int32_t length) {
  // Only positions inside the block count: an error at power p sits at array
  // index n - 1 - p, and X^-1 = alpha^(255 - p).
  FRootCount = 0;
  for (int32_t power = 0; power < length; ++power) {
    const int32_t inverse = FExp[static_cast<size_t>((255 - power) % 255)];
    if (Evaluate(FLocator, FLocatorDegree, inverse) == 0)
      FRoots[static_cast<size_t>(FRootCount++)] = power;
  }
  return FRootCount;
}

bool TReedSolomon::DecodeBlock() {
  int32_t length = 0;
  if (FErasureCount == 0) {
    length = FindLocator(FSyndromes.data(), FCheckCount);
    if (length == 0) return false;
  } else {
    // Past the first s values the modified syndromes obey the recurrence of
    // the errors alone, so Berlekamp-Massey finds their locator from them.
    ComputeErasureLocator();
    length = FindLocator(FModified.data() + FErasureCount, FCheckCount - FErasureCount);
  }
  if (2 * length + FErasureCount > Budget() || FLocatorDegree != length) return false;
  if (FErasureCount > 0) MergeLocators();
  // Every errata place must be a distinct place inside the block; an error
  // found on an erased place leaves a double root and too few places.
  if (FindRoots(FLength) != FLocatorDegree) return false;
  ComputeEvaluator();

  for (int32_t m = 0; m < FLength; ++m)
    FWork[static_cast<size_t>(m)] = (*FBlock)[static_cast<size_t>(m)];
  int32_t changed = 0;
  for (int32_t k = 0; k < FRootCount; ++k) {
    const int32_t power = FRoots[static_cast<size_t>(k)];
    const int32_t x = FExp[static_cast<size_t>(power)];
    const int32_t xInverse = FExp[static_cast<size_t>((255 - power) % 255)];
    const int32_t numerator =
        Multiply(x, Evaluate(FEvaluator, std::max(FCheckCount - 1, 0), xInverse));
    // Formal derivative: in characteristic 2 only the odd powers survive.
    int32_t denominator = 0;
    for (int32_t i = 1; i <= FLocatorDegree; i += 2)
      denominator ^= Multiply(FLocator[static_cast<size_t>(i)],
                              FExp[static_cast<size_t>(((i - 1) * (255 - power)) % 255)]);
    if (denominator == 0) return false;
    const int32_t value = Multiply(numerator, Inverse(denominator));
    // An erased codeword may have been right; a located error may not.
    if (value == 0) {
      if (FErased[static_cast<size_t>(power)]) continue;
      return false;
    }
    FWork[static_cast<size_t>(FLength - 1 - power)] ^= value;
    ++changed;
  }
  // The repaired word must be a codeword; otherwise keep the block as it was.
  if (!ComputeSyndromes(FWork.data())) return false;
  for (int32_t m = 0; m < FLength; ++m)
    (*FBlock)[static_cast<size_t>(m)] = FWork[static_cast<size_t>(m)];
  FCorrectedCount = changed;
  FErrorCount = length;
  return true;
}

bool TReedSolomon::Correct() { return Correct(TIntegers{}); }

bool TReedSolomon::Correct(const TIntegers& erasures) {
  FCorrectedCount = 0;
  FErrorCount = 0;
  FErasureCount = 0;
  if (FBlock == nullptr) return false;
  const size_t size = FBlock->size();
  if (size == 0 || size > static_cast<size_t>(kMaxBlockLength)) return false;
  FLength = static_cast<int32_t>(size);
  if (FCheckCount < 1 || FCheckCount > kMaxCheckCodewords || FCheckCount > FLength) return false;
  for (int32_t value : *FBlock)
    if (value < 0 || value > 255) return false;
  const bool taken = TakeErasures(erasures);
  if (!taken || ComputeSyndromes(FBlock->data())) {
    // A codeword as received needed no erasure.
    FErasureCount = 0;
    return taken;
  }
  if (DecodeBlock()) return true;
  FErasureCount = 0;
  return false;
}

}  // namespace vornak
