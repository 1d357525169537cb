#include "photo/TripleLocator.h"

#include "common/Arith.h"
#include "photo/AffineGrid.h"
#include "photo/FinderCheck.h"
#include "photo/VersionGuess.h"
#include "symbol/StandardTables.h"

namespace vornak {

bool TTripleLocator::Locate(const TPlaneBoolean& plane, const TPlaneGrey* /*grey*/,
                            const TDecodeSettings& settings, const TLocationSink& sink) {
  FTriples = &FindFinders(plane);
  for (const TFinderTriple& triple : FTriples->Triples()) {
    if (!TFinderCheck::ReadsAsFinders(plane, triple)) continue;
    const TGridProbe probe = [&plane, &triple](int32_t size) {
      return TAffineGrid(triple, size).Probe(plane);
    };
    for (int32_t version :
         TVersionGuess::Candidates(triple, probe, kSpread, settings.ForceVersion, kMinAgreement)) {
      const TAffineGrid grid(triple, SymbolSide(version));
      grid.Sample(plane, FMatrix);
      TLocation location;
      location.Matrix = &FMatrix;
      location.Size = SymbolSide(version);
      location.Version = version;
      for (size_t i = 0; i < 3; ++i)
        location.Finders[i] =
            TPoint{FloorToPixel(triple.Finders[i].X), FloorToPixel(triple.Finders[i].Y)};
      location.Corners = grid.Corners();
      if (sink(location)) return true;
    }
  }
  return false;
}

}  // namespace vornak
