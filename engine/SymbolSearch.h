#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/DecodeSettings.h"
#include "common/Types.h"
#include "engine/SymbolResult.h"
#include "photo/FinderTriples.h"

namespace vornak {

class TDecorder;
class TPassChain;

// Finds the symbols of a picture beyond the ones already read, one at a
// time. The classic pipeline runs on the picture with every symbol read so
// far painted over in its background colour; when it reads nothing, the
// passes run on the picture with only those symbols' finders painted over,
// so that a symbol printed inside another's data area keeps its own, as
// long as a finder triple is left in either polarity. Both planes are
// thresholded halfway between the dark and light of the first symbol read.
// A picture with one symbol therefore costs two thresholds, a classic location that finds nothing
// and two finder searches beyond its decode.
class TSymbolSearch {
 public:
  // At most this many symbols in one picture: each costs a run of the passes.
  static constexpr int32_t kMaxSymbols = 64;

  TSymbolSearch();
  ~TSymbolSearch();
  TSymbolSearch(const TSymbolSearch&) = delete;
  TSymbolSearch& operator=(const TSymbolSearch&) = delete;

  // Adds to found every further symbol of grey (levels 0..255), found
  // holding those read already, then puts them in reading order.
  void Run(const TPlaneGrey& grey, const TDecodeSettings& settings,
           std::vector<TSymbolResult>& found);

  // Paints the three finders of symbol, with the separator and one more
  // module round each, in the colour of each finder's light ring; whole:
  // the symbol's whole area, in the colour of the first finder's ring.
  static void Erase(const TSymbolResult& symbol, bool whole, TPlaneGrey& grey);
  // True when a and b are one symbol read twice (by two passes, or as itself
  // and its transpose): the centre of each lies inside the other and their
  // sizes agree. A symbol nested in another's data area is much smaller.
  static bool SameSymbol(const TSymbolResult& a, const TSymbolResult& b);
  // Top to bottom, and left to right within a row: symbols whose centres lie
  // within half the smaller one's height of each other share a row.
  static void SortReadingOrder(std::vector<TSymbolResult>& symbols);

 private:
  // Halfway between the dark and the light of symbol's corner finder in
  // grey.
  static int32_t Midpoint(const TSymbolResult& symbol, const TPlaneGrey& grey);
  // The plane of grey: dark below threshold.
  void Threshold(const TPlaneGrey& grey, int32_t threshold);
  // True when a finder triple is left in the plane, dark on light or light
  // on dark (the plane is left inverted).
  bool AnyTriple();
  // The classic pipeline on the plane; true with text and geometry in
  // symbol when it read one.
  bool ReadClassic(TSymbolResult& symbol);
  // The passes on the erased picture; likewise.
  bool ReadPasses(TSymbolResult& symbol);

  std::unique_ptr<TPassChain> FPasses;
  std::unique_ptr<TDecorder> FDecorder;
  TFinderTriples FFinders;
  TPlaneBoolean FPlane;
  // The picture with the finders of the symbols read erased (for the
  // passes, which thus still see a symbol nested in another), and with
  // their whole areas erased (for the classic pipeline, whose search the
  // data left of a symbol would mislead).
  TPlaneGrey FWork;
  TPlaneGrey FWhole;
};

}  // namespace vornak
