#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Geometry.h"
#include "common/Types.h"
#include "photo/EdgeFit.h"
#include "photo/FinderLocator.h"
#include "photo/FinderShapes.h"
#include "photo/Homography.h"
#include "photo/ModuleSource.h"
#include "photo/RectGrid.h"

namespace vornak {

// Finds Micro QR symbols: one finder, with timing patterns along the two
// symbol edges that leave its outer corner. A finder is symmetric, so the
// timing patterns tell which of its corners is the symbol's; they also tell
// the side (11 to 17 modules), where their alternation runs into the quiet
// zone. The grid is fitted to the finder's corners and edges and to every
// timing module's edges, found one after the other outward from the finder,
// each step refitting the grid so that the next prediction lies closer.
// Mirrored symbols come out transposed, as from the other locators.
class TMicroLocator : public TFinderLocator {
 public:
  using TFinderLocator::TFinderLocator;
  static constexpr const char* kName = "micro";
  const char* Name() const override { return kName; }

  // Sides of M1 and M4.
  static constexpr int32_t kMinSide = 11;
  static constexpr int32_t kMaxSide = 17;

  using TLocator::Locate;
  bool Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey, const TDecodeSettings& settings,
              const TLocationSink& sink) override;

 private:
  // Fits the finder's grid to its outer edges, starting from start (fitted
  // to the light ring's corners, ring), and tries it as a Micro QR and as
  // an rMQR finder.
  bool TryFinder(const TModuleSource& source, const TPlaneGrey* grey, const TEdgeFit& start,
                 const std::array<TPointReal, 4>& ring, const TLocationSink& sink);
  // Tries the finder, fitted with its first light-ring corner at module
  // point (1, 1), with its symbol corner turn quarters on (0..3, clockwise);
  // offers each side the timing allows.
  bool TryCorner(const TModuleSource& source, const TPlaneGrey* grey, const TEdgeFit& finder,
                 int32_t turn, const TLocationSink& sink);
  // Modules of the ring just outside a finder (32) that read light, through
  // the finder's grid; a finder needs most of them.
  static int32_t LightAround(const TModuleSource& source, const THomography& grid);
  static constexpr int32_t kLightAround = 26;
  // Whether the finder is blurred, its light ring pulled at least
  // kRingPull of its contrast towards its dark (a sharp one the plane reads
  // as well as the grey), and if so the grey level halfway between the
  // middle of its dark core and the quiet zone beside it (the lightest of the four sides two
  // modules out: a finder in a symbol's corner has the quiet zone on two)
  // and the contrast between them. False as well when the contrast is
  // under kMinContrast or the finder leaves the picture.
  static bool BlurredFinder(const TPlaneGrey& grey, const THomography& grid, double& threshold,
                            double& contrast);
  static constexpr int32_t kMinContrast = 40;
  static constexpr double kRingPull = 0.1;
  // Whether the format information through grid, as laid or transposed,
  // names a symbol of the given side.
  static bool FormatFits(const TModuleSource& source, const THomography& grid, int32_t side);
  // Follows the timing pattern along the top edge (along false) or the left
  // edge (true) from the finder, adding the edges of its modules to fit;
  // returns the last module that alternated as it should.
  int32_t FollowTiming(const TModuleSource& source, bool down, TEdgeFit& fit) const;
  // Samples a columns x rows matrix through grid (in the symbol's own frame
  // when mirrored is set) and offers it.
  bool Offer(const TModuleSource& source, const TPlaneGrey* grey, const THomography& grid,
             int32_t columns, int32_t rows, bool mirrored, const TLocationSink& sink);

  TRectGrid FRect;
  TPlaneBoolean FMatrix;
  TPlaneInteger FLevels;
  TPlaneConfidence FConfidence;
};

}  // namespace vornak
