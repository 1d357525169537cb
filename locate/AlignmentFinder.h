#pragma once

#include <cstdint>

#include "common/Types.h"
#include "locate/Homography.h"

namespace vornak {

// Finds one alignment pattern (a dark module inside a light ring inside a
// dark ring, 5 x 5 modules) near the place a transform predicts for it.
class TAlignmentFinder {
 public:
  // Searches the two-level plane within radius pixels of predicted for a
  // small dark centre whose cross-sections in both directions read
  // dark-light-dark-light-dark with the three middle runs about moduleSize
  // each (the outer dark runs may merge with neighbouring dark modules).
  // True with the refined centre (continuous pixel coordinates, the middle
  // of the centre module) in found; the candidate nearest the prediction
  // wins among those whose runs fit equally well.
  bool Find(const TPlaneBoolean& plane, const TPointReal& predicted, long double moduleSize,
            long double radius, TPointReal& found) const;

  // Length of the run of pixels of the colour of (x, y) through it along
  // (dx, dy), and the run's first and last pixel positions along that line.
  static int32_t RunThrough(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx,
                            int32_t dy, int32_t limit, int32_t& before, int32_t& after);

 private:
  // Checks the cross-section through (x, y) along (dx, dy); on success sets
  // centre to the middle of the centre run (along the line) and error to
  // the runs' relative deviation from moduleSize.
  bool CrossSection(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx, int32_t dy,
                    long double moduleSize, long double& centre, long double& error) const;
};

}  // namespace vornak
