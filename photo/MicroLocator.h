#pragma once

#include <array>
#include <cstdint>

#include "common/Geometry.h"
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
// The shape search is shared with the other locators on the plane, so a
// picture without a symbol pays only the timing reads of its shapes.
class TMicroLocator : public TFinderLocator {
 public:
  static constexpr const char* kName = "micro";
  // Candidates offered per finder shape, and in all.
  static constexpr int32_t kPerShape = 4;
  static constexpr int32_t kMaxCandidates = 32;
  // Timing modules (both edges, quiet zone beyond included) that may read
  // wrong in a candidate worth sampling.
  static constexpr int32_t kMaxTimingMisreads = 3;

  using TFinderLocator::TFinderLocator;

  const char* Name() const override { return kName; }
  bool Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey, const TDecodeSettings& settings,
              const TLocationSink& sink) override;

  // Timing modules of a side's two edges (from the separator to two modules
  // past the symbol) that read other than a Micro QR symbol of that side
  // has them, through transform t of module space.
  static int32_t TimingMisreads(const TPlaneBoolean& plane, const THomography& t, int32_t side);

 private:
  // The transform refitted on the finder's corners and the centres of the
  // dark modules ending both timing patterns; false when either is not found.
  bool Refit(const TPlaneBoolean& plane, const std::array<TPointReal, 4>& corners, int32_t side,
             THomography& t) const;
  // Samples side x side modules through t into FMatrix.
  void Sample(const TPlaneBoolean& plane, const THomography& t, int32_t side);

  TPlaneBoolean FMatrix;
};

}  // namespace vornak
