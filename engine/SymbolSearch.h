#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/DecodeSettings.h"
#include "common/Types.h"
#include "engine/SymbolResult.h"
#include "locate/BitRows.h"
#include "photo/FinderCandidate.h"
#include "photo/FinderTriples.h"

namespace vornak {

class TDecorder;
class TPassChain;

// Finds the symbols of a picture beyond the ones already read, one at a
// time, as long as a finder triple is left in the picture with the finders
// of the symbols read painted over in their background colour (in either
// polarity, and none of its finders a false one in a symbol read). Then
// the classic pipeline runs on the picture with those symbols painted over
// whole, and when it reads nothing, the passes on the one with their
// finders alone painted over, so that a symbol printed inside another's
// data area keeps its own. Both are thresholded halfway between the dark
// and light of the first symbol read. A picture with one symbol costs one
// copy of its plane and one finder search, of both polarities at once,
// beyond its decode.
class TSymbolSearch {
 public:
  // At most this many symbols in one picture: each costs a run of the passes.
  static constexpr int32_t kMaxSymbols = 64;
  TSymbolSearch();
  ~TSymbolSearch();
  TSymbolSearch(const TSymbolSearch&) = delete;
  TSymbolSearch& operator=(const TSymbolSearch&) = delete;

  // Adds to found every further symbol of grey (levels 0..255), found
  // holding those read already, then puts them in reading order. plane,
  // when given, is the two-level plane they were read on: whether anything
  // is left is asked of it first, which spares a picture of one symbol a
  // threshold and a copy of its grey.
  // packed, when given, is that plane packed.
  void Run(const TPlaneGrey& grey, const TDecodeSettings& settings,
           std::vector<TSymbolResult>& found, const TPlaneBoolean* plane = nullptr,
           const TBitRows* packed = nullptr);

  // Paints the three finders of symbol, with the separator and one more
  // module round each, in the colour of each finder's light ring; whole:
  // the symbol's whole area, in the colour of the first finder's ring.
  static void Erase(const TSymbolResult& symbol, bool whole, TPlaneGrey& grey);
  // The same in a packed two-level plane.
  static void Erase(const TSymbolResult& symbol, bool whole, TBitRows& rows);
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
  // A finder candidate of a symbol read: inside its outline (or within a
  // module of it), and not much smaller than its modules.
  static bool Explained(const TFinderCandidate& finder, const std::vector<TSymbolResult>& found);
  // True when a finder triple is left in the packed rows, dark on light or
  // light on dark, none of whose finders found explains.
  bool AnyTriple(const std::vector<TSymbolResult>& found);
  // Whether AnyTriple's search of the plane dark on light found a finder no
  // symbol read explains, seen on rows enough for its core (three modules
  // tall): a Micro QR or rMQR symbol's, which has one finder only, may be
  // left.
  bool LoneFinder() const { return FLoneFinder; }
  bool FLoneFinder = false;
  // The classic pipeline on the plane; true with text and geometry in
  // symbol when it read one.
  bool ReadClassic(TSymbolResult& symbol);
  // The passes on the erased picture, passing over the areas of the
  // symbols found; likewise.
  bool ReadPasses(TSymbolResult& symbol, const std::vector<TSymbolResult>& found);

  std::unique_ptr<TPassChain> FPasses;
  std::unique_ptr<TDecorder> FDecorder;
  TFinderTriples FFinders;
  TFinderTriples FLightFinders;
  TPlaneBoolean FPlane;
  // The plane searched for finders, packed, with the finders read erased.
  TBitRows FRows;
  // The picture with the finders of the symbols read erased (for the
  // passes, which thus still see a symbol nested in another), and with
  // their whole areas erased (for the classic pipeline, whose search the
  // data left of a symbol would mislead).
  TPlaneGrey FWork;
  TPlaneGrey FWhole;
};

}  // namespace vornak
