#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "common/Types.h"
#include "photo/FinderShapes.h"
#include "photo/FinderTriples.h"

namespace vornak {

// One finder search per plane and kind (runs, shapes), shared by the
// locators that start from finder triples: two of them on one plane search
// it once. Planes are told apart by address, so whoever owns the planes
// clears the cache before any of them changes.
class TFinderCache {
 public:
  // The run search of plane, run on first use since the last Clear. The
  // reference stays valid until the next Clear.
  const TFinderTriples& Search(const TPlaneBoolean& plane);
  // The run search of plane if it ran since the last Clear, else nullptr.
  const TFinderTriples* Searched(const TPlaneBoolean& plane) const;
  // plane packed if a search packed it since the last Clear, else nullptr.
  const TBitRows* PackedRows(const TPlaneBoolean& plane) const;
  // The shape search of plane, likewise.
  const TFinderShapes& Shapes(const TPlaneBoolean& plane);
  // Forgets every search; their buffers are kept for the next ones.
  void Clear() { FUsed = 0; }
  // Areas the run searches from now on pass over.
  void SetKnown(std::vector<TKnownArea> known) { FKnown = std::move(known); }

 private:
  struct TEntry {
    const TPlaneBoolean* Plane = nullptr;
    bool Runs = false;
    bool ShapesFound = false;
    // The plane packed once for both searches.
    bool Packed = false;
    TBitRows Bits;
    TFinderTriples Search;
    TFinderShapes Shapes;
  };
  TEntry& Entry(const TPlaneBoolean& plane);
  const TBitRows& Packed(TEntry& entry);

  std::vector<std::unique_ptr<TEntry>> FEntries;
  std::vector<TKnownArea> FKnown;
  size_t FUsed = 0;
};

}  // namespace vornak
