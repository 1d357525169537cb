#pragma once

#include <memory>

#include "locate/Locator.h"
#include "photo/FinderCache.h"

namespace vornak {

// A locator that starts from the finder triples of the plane. Alone it
// searches each plane afresh; given a cache, it shares the search with the
// other locators on the same planes (the owner of the cache clears it).
class TFinderLocator : public TLocator {
 public:
  TFinderLocator() : FOwn(std::make_unique<TFinderCache>()), FCache(*FOwn) {}
  explicit TFinderLocator(TFinderCache& shared) : FCache(shared) {}
  TFinderLocator(const TFinderLocator&) = delete;
  TFinderLocator& operator=(const TFinderLocator&) = delete;

 protected:
  // The finder search of plane by runs.
  const TFinderTriples& FindFinders(const TPlaneBoolean& plane) {
    // A cache of its own may hold an earlier plane at the same address.
    if (FOwn) FOwn->Clear();
    return FCache.Search(plane);
  }
  // The finder search of plane by shapes.
  const TFinderShapes& FindShapes(const TPlaneBoolean& plane) {
    if (FOwn) FOwn->Clear();
    return FCache.Shapes(plane);
  }

 private:
  std::unique_ptr<TFinderCache> FOwn;  // null when shared
  TFinderCache& FCache;
};

}  // namespace vornak
