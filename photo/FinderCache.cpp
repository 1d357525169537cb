#include "photo/FinderCache.h"

namespace vornak {

TFinderCache::TEntry& TFinderCache::Entry(const TPlaneBoolean& plane) {
  for (size_t i = 0; i < FUsed; ++i)
    if (FEntries[i]->Plane == &plane) return *FEntries[i];
  if (FUsed == FEntries.size()) FEntries.push_back(std::make_unique<TEntry>());
  TEntry& entry = *FEntries[FUsed++];
  entry.Plane = &plane;
  entry.Runs = entry.ShapesFound = false;
  return entry;
}

const TFinderTriples& TFinderCache::Search(const TPlaneBoolean& plane) {
  TEntry& entry = Entry(plane);
  if (!entry.Runs) {
    entry.Search.Find(plane);
    entry.Runs = true;
  }
  return entry.Search;
}

const TFinderTriples* TFinderCache::Searched(const TPlaneBoolean& plane) const {
  for (size_t i = 0; i < FUsed; ++i)
    if (FEntries[i]->Plane == &plane && FEntries[i]->Runs) return &FEntries[i]->Search;
  return nullptr;
}

const TFinderShapes& TFinderCache::Shapes(const TPlaneBoolean& plane) {
  TEntry& entry = Entry(plane);
  if (!entry.ShapesFound) {
    entry.Shapes.Find(plane);
    entry.ShapesFound = true;
  }
  return entry.Shapes;
}

}  // namespace vornak
