#include "photo/FinderCache.h"

namespace vornak {

TFinderCache::TEntry& TFinderCache::Entry(const TPlaneBoolean& plane) {
  for (size_t i = 0; i < FUsed; ++i)
    if (FEntries[i]->Plane == &plane) return *FEntries[i];
  if (FUsed == FEntries.size()) FEntries.push_back(std::make_unique<TEntry>());
  TEntry& entry = *FEntries[FUsed++];
  entry.Plane = &plane;
  entry.Runs = entry.ShapesFound = entry.Packed = false;
  return entry;
}

const TBitRows& TFinderCache::Packed(TEntry& entry) {
  if (!entry.Packed) {
    entry.Bits.Pack(*entry.Plane, entry.Plane->Width(), entry.Plane->Height());
    entry.Packed = true;
  }
  return entry.Bits;
}

const TFinderTriples& TFinderCache::Search(const TPlaneBoolean& plane) {
  TEntry& entry = Entry(plane);
  if (!entry.Runs) {
    entry.Search.SetKnown(FKnown);
    entry.Search.Find(plane, &Packed(entry));
    entry.Runs = true;
  }
  return entry.Search;
}

const TFinderTriples* TFinderCache::Searched(const TPlaneBoolean& plane) const {
  for (size_t i = 0; i < FUsed; ++i)
    if (FEntries[i]->Plane == &plane && FEntries[i]->Runs) return &FEntries[i]->Search;
  return nullptr;
}

const TBitRows* TFinderCache::PackedRows(const TPlaneBoolean& plane) const {
  for (size_t i = 0; i < FUsed; ++i)
    if (FEntries[i]->Plane == &plane && FEntries[i]->Packed) return &FEntries[i]->Bits;
  return nullptr;
}

const TFinderShapes& TFinderCache::Shapes(const TPlaneBoolean& plane) {
  TEntry& entry = Entry(plane);
  if (!entry.ShapesFound) {
    // Shapes of a large plane are found on a smaller copy, which the
    // packing would not serve.
    entry.Shapes.Find(
        plane, static_cast<int64_t>(plane.Width()) * plane.Height() > TFinderShapes::kHalveAbove
                   ? nullptr
                   : &Packed(entry));
    entry.ShapesFound = true;
  }
  return entry.Shapes;
}

}  // namespace vornak
