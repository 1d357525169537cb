#include "photo/VersionGuess.h"

#include <algorithm>
#include <cmath>

#include "common/Geometry.h"
#include "symbol/MatchVersionInfo.h"
#include "symbol/StandardTables.h"

namespace vornak {

long double TVersionGuess::EstimatedSide(const TFinderTriple& triple) {
  const TFinderCandidate& o = triple.Finders[0];
  const TFinderCandidate& a = triple.Finders[1];
  const TFinderCandidate& b = triple.Finders[2];
  const long double la = Distance(a, o);
  const long double lb = Distance(b, o);
  if (la <= 0 || lb <= 0 || triple.Module <= 0) return 0;
  // A row or column crossing a finder turned by theta is 7 / max(|cos|, |sin|)
  // modules long: undo that with the symbol's turn, taken from both axes
  // (axis B is axis A turned a quarter clockwise).
  const long double cosine = ((a.X - o.X) / la + (b.Y - o.Y) / lb) / 2;
  const long double sine = ((a.Y - o.Y) / la - (b.X - o.X) / lb) / 2;
  const long double norm = std::hypot(cosine, sine);
  const long double shrink = norm > 0 ? std::max(std::fabs(cosine), std::fabs(sine)) / norm : 1.0L;
  const long double module = triple.Module * shrink;
  return (la + lb) / 2 / module + 7;
}

int32_t TVersionGuess::EstimateVersion(const TFinderTriple& triple) {
  const long double side = EstimatedSide(triple);
  if (!(side > 0) || side > 1000) return 1;
  const long double version = std::nearbyint((side - 17) / 4);
  return static_cast<int32_t>(std::clamp(version, 1.0L, 40.0L));
}

int32_t TVersionGuess::ReadVersionInfo(const TModuleProbe& probe, int32_t size) {
  if (size < 45) return 0;
  TBooleans bits(18);
  // Beside the finder ending axis A: columns size-11..size-9, rows 0..5.
  for (int32_t i = 0; i < 6; ++i)
    for (int32_t j = 0; j < 3; ++j) bits[static_cast<size_t>(3 * i + j)] = probe(size - 11 + j, i);
  const int32_t version = MatchVersionInfo(bits);
  if (version > 0) return version;
  // Beside the finder ending axis B: the same block transposed.
  for (int32_t i = 0; i < 6; ++i)
    for (int32_t j = 0; j < 3; ++j) bits[static_cast<size_t>(3 * i + j)] = probe(i, size - 11 + j);
  return MatchVersionInfo(bits);
}

long double TVersionGuess::TimingAgreement(const TModuleProbe& probe, int32_t size) {
  int32_t agree = 0;
  int32_t total = 0;
  for (int32_t k = 8; k <= size - 9; ++k) {
    const bool expected = k % 2 == 0;
    agree += probe(k, 6) == expected ? 1 : 0;
    agree += probe(6, k) == expected ? 1 : 0;
    total += 2;
  }
  return total > 0 ? static_cast<long double>(agree) / total : 0;
}

std::vector<int32_t> TVersionGuess::Candidates(const TFinderTriple& triple, const TGridProbe& grid,
                                               int32_t spread, int32_t forced,
                                               long double minAgreement) {
  return Candidates(EstimateVersion(triple), grid, spread, forced, minAgreement);
}

std::vector<int32_t> TVersionGuess::Candidates(int32_t estimate, const TGridProbe& grid,
                                               int32_t spread, int32_t forced,
                                               long double minAgreement) {
  std::vector<int32_t> result;
  auto add = [&result](int32_t version) {
    if (version >= 1 && version <= 40 &&
        std::find(result.begin(), result.end(), version) == result.end())
      result.push_back(version);
  };
  add(forced);
  struct TScored {
    int32_t Version;
    long double Agreement;
  };
  std::vector<TScored> scored;
  for (int32_t version = estimate - spread; version <= estimate + spread; ++version) {
    if (version < 1 || version > 40) continue;
    const int32_t size = SymbolSide(version);
    const TModuleProbe probe = grid(size);
    if (version >= 7) {
      // The version information names the version outright when it reads,
      // but any 18 bits lie within reach of some version's word about one
      // time in eight: only a name within the tried range counts.
      const int32_t named = ReadVersionInfo(probe, size);
      if (named >= estimate - spread && named <= estimate + spread) add(named);
    }
    scored.push_back({version, TimingAgreement(probe, size)});
  }
  std::stable_sort(scored.begin(), scored.end(), [estimate](const TScored& a, const TScored& b) {
    if (a.Agreement != b.Agreement) return a.Agreement > b.Agreement;
    return std::abs(a.Version - estimate) < std::abs(b.Version - estimate);
  });
  for (const TScored& s : scored)
    if (s.Agreement >= minAgreement) add(s.Version);
  return result;
}

}  // namespace vornak
