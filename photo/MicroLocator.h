#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Geometry.h"
#include "photo/FinderCandidate.h"
#include "photo/FinderLocator.h"
#include "photo/Homography.h"

namespace vornak {

// Micro QR symbols: one finder, and the timing patterns along the two edges
// that leave its corner fix the grid. Each finder found as a shape gives the
// corners of its light ring; each of the four ways the symbol can turn
// round it puts the timing patterns on two of its sides, and the modules
// read there say which way and which side (M1..M4) fit. The grid of each
// way is fitted again on the finder's corners and where the timing modules
// lie, which perspective moves furthest from the finder, before the timing
// is read and the grid sampled.
//
// Finders the shapes miss but the runs find (small or blurred symbols) are
// turned in steps until the timing and the quiet zone round them read.
// Both searches are shared with the other locators on the plane, so a
// picture without a symbol pays only these reads.
class TMicroLocator : public TFinderLocator {
 public:
  static constexpr const char* kName = "micro";
  // Candidates offered per finder shape, and in all.
  static constexpr int32_t kPerShape = 4;
  static constexpr int32_t kMaxCandidates = 32;
  // Timing modules (both edges, quiet zone beyond included) that may read
  // wrong in a candidate worth sampling: blur takes the far timing modules
  // first, and a wrong side costs only a format read.
  static constexpr int32_t kMaxTimingMisreads = 8;
  // Finders found by runs but not as shapes whose turn is searched for, and
  // the modules near such a finder that may read wrong at the best turn.
  static constexpr int32_t kMaxRunFinders = 8;
  static constexpr int32_t kMaxNearMisreads = 3;

  using TFinderLocator::TFinderLocator;

  const char* Name() const override { return kName; }
  bool Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey, const TDecodeSettings& settings,
              const TLocationSink& sink) override;

  // Modules near the finder at module-space origin through t that read
  // other than a Micro QR symbol has them: its rings and outer edge, the
  // quiet zone beyond, the first timing modules of both edges.
  static int32_t NearMisreads(const TPlaneBoolean& plane, const THomography& t);

  // Timing modules of a side's two edges (from the separator to two modules
  // past the symbol) that read other than a Micro QR symbol of that side
  // has them, through transform t of module space.
  static int32_t TimingMisreads(const TPlaneBoolean& plane, const THomography& t, int32_t side);

 private:
  // The transform refitted on the finder's corners and the centres of the
  // dark modules ending both timing patterns; false when either is not found.
  bool Refit(const TPlaneBoolean& plane, const std::array<TPointReal, 4>& corners, int32_t side,
             THomography& t) const;
  // Offers the grids of a finder's light ring, one corner list per turn
  // (module corners (1, 1), (6, 1), (6, 6), (1, 6) in that order), the best
  // few of every side; true when one decoded.
  bool Offer(const TPlaneBoolean& plane, const std::vector<std::array<TPointReal, 4>>& turns,
             const TLocationSink& sink, int32_t& offered);
  // The light ring's corners of a finder found by runs, turned by angle
  // (radians, clockwise in the picture).
  static std::array<TPointReal, 4> RingAt(const TFinderCandidate& finder, long double angle);
  // Whether the format information read through t names a symbol of the
  // side (as laid or transposed).
  static bool FormatFits(const TPlaneBoolean& plane, const THomography& t, int32_t side);
  // Samples side x side modules through t into FMatrix, and with the grey
  // plane their levels and confidence.
  void Sample(const TPlaneBoolean& plane, const THomography& t, int32_t side);

  TPlaneBoolean FMatrix;
  // With the picture's grey levels: each module's level and how sure its
  // reading is.
  const TPlaneGrey* FGrey = nullptr;
  TPlaneInteger FLevels;
  TPlaneConfidence FConfidence;
};

}  // namespace vornak
