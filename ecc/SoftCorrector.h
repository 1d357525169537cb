#pragma once

#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "ecc/ReedSolomon.h"

namespace vornak {

// A second try for a block that errors-only correction refused: the
// codewords the caller doubts most are erased, in growing numbers, until a
// repair holds.
//
// Each try that erases s codewords and finds e errors is a bounded-distance
// decode of the block with s places cut out; a word that is no codeword at
// all passes such a decode with a probability of about
// V(n - s, e) / 256^(E - s), V the number of words within e errors. A
// repair is kept only when that chance is at most 2^-kGuardBits divided by
// the number of tries the ladder may make, so the whole ladder of a block is
// no more likely to miscorrect than the least safe repair errors-only
// correction accepts (2-L with its reserve: 2^-31).
class TSoftCorrector {
 public:
  // Which erasure counts are tried: every one from 1 up, or 1, 2, 4, ...
  // (the largest allowed count last).
  enum class TLadder { kEveryCount, kDoubling };

  static constexpr double kGuardBits = 31.0;

  TSoftCorrector();
  ~TSoftCorrector();

  void SetLadder(TLadder ladder) { FLadder = ladder; }
  // The guard, kGuardBits unless set (for measuring what it is worth);
  // minus infinity keeps every repair within the budget.
  void SetGuardBits(double bits) { FGuardBits = bits; }

  // Retries block (whose last checkCount codewords are error correction,
  // protection as TReedSolomon::SetBlock takes it) by erasing its most
  // doubtful codewords. doubt[i] ranks block[i]: 0 is a codeword read with
  // certainty, never erased; the larger, the sooner erased; ties go to the
  // earlier codeword. Returns true with the block repaired; false leaves it
  // as it was (doubt of another length than the block also refuses).
  bool Retry(TIntegers& block, int32_t checkCount, int32_t protection, const TIntegers& doubt);

  // Erasures and changed codewords of the last successful Retry, and the
  // decodes the last Retry ran.
  int32_t ErasedCount() const { return FErasedCount; }
  int32_t CorrectedCount() const { return FCorrectedCount; }
  int32_t Tries() const { return FTries; }

  // -log2 of the chance that a random word of a block of this length and
  // check count decodes with these erasures and errors (see above).
  static double OddsBits(int32_t length, int32_t checkCount, int32_t erasures, int32_t errors);

 private:
  // The erasure counts to try, at most limit.
  void MakeLadder(int32_t limit);

  std::unique_ptr<TReedSolomon> FReedSolomon;
  TLadder FLadder = TLadder::kEveryCount;
  double FGuardBits = kGuardBits;
  int32_t FErasedCount = 0;
  int32_t FCorrectedCount = 0;
  int32_t FTries = 0;
  TIntegers FOrder;
  TIntegers FCounts;
  TIntegers FErasures;
  TIntegers FWork;
};

}  // namespace vornak
