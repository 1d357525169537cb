#include "ecc/SoftCorrector.h"

#include <algorithm>
#include <cmath>

namespace vornak {

TSoftCorrector::TSoftCorrector() : FReedSolomon(std::make_unique<TReedSolomon>()) {}

TSoftCorrector::~TSoftCorrector() = default;

double TSoftCorrector::OddsBits(int32_t length, int32_t checkCount, int32_t erasures,
                                int32_t errors) {
  const int32_t kept = std::max(length - erasures, 0);
  // Words within `errors` of one codeword of the shortened block: the sum of
  // C(kept, i) 255^i; at most about 2^420 for QR blocks, well within range.
  double volume = 0.0;
  double term = 1.0;
  for (int32_t i = 0; i <= std::min(errors, kept); ++i) {
    volume += term;
    term = term * static_cast<double>(kept - i) / static_cast<double>(i + 1) * 255.0;
  }
  return 8.0 * static_cast<double>(checkCount - erasures) - std::log2(volume);
}

void TSoftCorrector::MakeLadder(int32_t limit) {
  FCounts.clear();
  if (FLadder == TLadder::kEveryCount) {
    for (int32_t s = 1; s <= limit; ++s) FCounts.push_back(s);
    return;
  }
  for (int32_t s = 1; s < limit; s *= 2) FCounts.push_back(s);
  if (limit > 0) FCounts.push_back(limit);
}

bool TSoftCorrector::Retry(TIntegers& block, int32_t checkCount, int32_t protection,
                           const TIntegers& doubt) {
  FErasedCount = 0;
  FCorrectedCount = 0;
  FTries = 0;
  if (doubt.size() != block.size()) return false;
  const auto length = static_cast<int32_t>(block.size());

  FOrder.clear();
  for (int32_t i = 0; i < length; ++i)
    if (doubt[static_cast<size_t>(i)] > 0) FOrder.push_back(i);
  std::stable_sort(FOrder.begin(), FOrder.end(), [&doubt](int32_t a, int32_t b) {
    return doubt[static_cast<size_t>(a)] > doubt[static_cast<size_t>(b)];
  });
  TReedSolomon& rs = *FReedSolomon;
  rs.SetBlock(block, checkCount, protection);
  MakeLadder(std::min(rs.Budget(), static_cast<int32_t>(FOrder.size())));
  if (FCounts.empty()) return false;
  // Every try is one more chance to land on a wrong codeword.
  const double need = FGuardBits + std::log2(static_cast<double>(FCounts.size()));

  for (int32_t s : FCounts) {
    // More erasures only lower the odds: the rest of the ladder is out.
    if (OddsBits(length, checkCount, s, 0) < need) break;
    FErasures.assign(FOrder.begin(), FOrder.begin() + s);
    FWork = block;
    rs.SetBlock(FWork, checkCount, protection);
    ++FTries;
    if (!rs.Correct(FErasures)) continue;
    if (OddsBits(length, checkCount, rs.ErasureCount(), rs.ErrorCount()) < need) continue;
    block = FWork;
    FErasedCount = rs.ErasureCount();
    FCorrectedCount = rs.CorrectedCount();
    return true;
  }
  return false;
}

}  // namespace vornak
