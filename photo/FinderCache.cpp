#include "photo/FinderCache.h"

namespace vornak {

const TFinderTriples& TFinderCache::Search(const TPlaneBoolean& plane) {
  if (const TFinderTriples* known = Searched(plane)) return *known;
  if (FUsed == FEntries.size()) FEntries.push_back(std::make_unique<TEntry>());
  TEntry& entry = *FEntries[FUsed++];
  entry.Plane = &plane;
  entry.Search.Find(plane);
  return entry.Search;
}

const TFinderTriples* TFinderCache::Searched(const TPlaneBoolean& plane) const {
  for (size_t i = 0; i < FUsed; ++i)
    if (FEntries[i]->Plane == &plane) return &FEntries[i]->Search;
  return nullptr;
}

}  // namespace vornak
