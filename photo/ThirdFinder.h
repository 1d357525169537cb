#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "photo/FinderShapes.h"

namespace vornak {

// A symbol one of whose finders lost its shape (glare over it, a stain, a
// crease, its outer ring broken where a surface bends away) still shows the
// other two, and they tell where the third must be: beside either of them
// at the distance between them, or at the corner their diagonal spans. The
// place is searched for the finder's pattern of modules (dark core, light
// ring, dark ring, light separator) through the two finders' axes and
// module sizes, smaller and larger too (perspective changes the third's),
// which a few broken modules do not hide; where glare washed
// the place out (it reads light all over), the finder is taken to stand
// where the two put it, after every finder found.
class TThirdFinder {
 public:
  // Pairs of shapes tried, best shapes first.
  static constexpr int32_t kMaxPairs = 6;
  // Of the 81 modules of a finder and its separator, at most this many may
  // read other than they should: a finder with a fifth of its outer ring
  // gone misreads about 6, modules of data about half.
  static constexpr int32_t kMaxMisreads = 12;
  // The two found finders must read nearly whole.
  static constexpr int32_t kMaxPairMisreads = 8;
  // Where no finder is found, glare may have washed it out: the place then
  // reads light in all but this many of the 48 modules of its light ring
  // and separator (glare takes dark modules, never makes light ones dark;
  // what is left of the dark ones does not count), while the
  // symbol the three would span reads dark in at least kMinBusy of nine
  // points of its middle (what lies beyond a symbol's edge, on the wrong
  // side of the two, is mostly background).
  static constexpr int32_t kMaxWashedDark = 2;
  static constexpr int32_t kMinBusy = 2;
  // Before the place is searched for what glare left of the finder, the
  // separator round where the two put it (32 modules) must read light in
  // all but this many: the guess may lie a module or so off.
  static constexpr int32_t kMaxSeparatorDark = 8;

  // Triples made of two shapes of shapes and a third finder found where
  // they put it, best first; at most TFinderShapes::kMaxTriples.
  static std::vector<TFinderShapes::TTriple> Infer(const TFinderShapes& shapes,
                                                   const TPlaneBoolean& plane);
};

}  // namespace vornak
