#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

#include "common/Types.h"
#include "locate/BitRows.h"
#include "photo/FinderCandidate.h"

namespace vornak {

// Whether what the finder search found reads as a finder pattern: along
// runs, along diagonals, and module by module in the frame of a triple.
class TFinderCheck {
 public:
  // True when five runs (dark, light, dark, light, dark) keep 1:1:3:1:1
  // within the tolerance a tilted, blurred photograph needs: each single run
  // within 0.6 of a module of one module, the centre within 1.5 modules of
  // three, a module being a seventh of the total. In integers, scaled by
  // 7 * 10. Inline: the row scan tests every window of a row with it in
  // one vectorised loop.
  [[gnu::always_inline]] static inline bool Ratio(const std::array<int32_t, 5>& r) {
    const int32_t total = r[0] + r[1] + r[2] + r[3] + r[4];
    // All six tests at once, without a branch: in a busy picture which one
    // fails is as good as random and a branch per test would often guess
    // wrong.
    const auto test = [](bool passes) { return passes ? 1 : 0; };
    const auto single = [&](int32_t run) {
      return test(10 * std::abs(7 * run - total) <= 6 * total);
    };
    return (test(total >= 7) & single(r[0]) & single(r[1]) & single(r[3]) & single(r[4]) &
            test(10 * std::abs(7 * r[2] - 3 * total) <= 15 * total)) != 0;
  }

  // Whether both diagonals through the candidate's centre cross it in
  // 1:1:3:1:1: every line through the centre of concentric squares cuts
  // them in proportion, whatever their rotation (and nearly so under
  // perspective). light: the finder is light on dark.
  static bool CrossesDiagonally(const TBitRows& rows, const TFinderCandidate& candidate,
                                bool light = false);

  // Modules of finder index (0..2) of the triple and of its separator, the
  // 8 x 8 modules on the symbol's side, that read other than a finder
  // should, stopping once the count passes limit. Each finder is read in a
  // frame of its own: the triple's axes, scaled and centred by walking from
  // the candidate's centre to the outer edge of its dark ring along each
  // axis (one way when the other runs into a dark surround), so that
  // perspective and rotation, which the finder search does not measure,
  // do not count. 64 when no ring edge is found along an axis.
  static int32_t FinderMisreads(const TPlaneBoolean& plane, const TFinderTriple& triple,
                                int32_t index, int32_t limit = 64);
  // Finders read with at most this many misreads each: a real symbol's,
  // blurred, tilted, styled or with rounded modules, up to about 16 in
  // photographs; look-alikes in noise and texture mostly above 25.
  static constexpr int32_t kMaxFinderMisreads = 21;
  // Whether all three finders of the triple read as finders. A triple of
  // look-alikes is then dropped before any grid is guessed, sampled or
  // decoded: on a picture without a symbol that work is most of the cost.
  static bool ReadsAsFinders(const TPlaneBoolean& plane, const TFinderTriple& triple);
};

}  // namespace vornak
