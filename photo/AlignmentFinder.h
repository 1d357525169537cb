#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "photo/Homography.h"

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

  // Find in windows of growing radius (outer) about each prediction in turn
  // (inner), stopping at the first hit: the same answer as those calls one
  // after another, but a pixel's cross-sections, which do not depend on the
  // window, are read once for all the windows after the first radius.
  bool FindGrowing(const TPlaneBoolean& plane, const std::vector<TPointReal>& predictions,
                   long double moduleSize, const std::vector<long double>& radii,
                   TPointReal& found);

  // Length of the run of pixels of the colour of (x, y) through it along
  // (dx, dy), and the run's first and last pixel positions along that line.
  static int32_t RunThrough(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx,
                            int32_t dy, int32_t limit, int32_t& before, int32_t& after);

 private:
  // What the cross-sections through one candidate centre give when they all
  // hold: the refined centre and the sum of the two errors that rank it.
  struct TChain {
    long double X = 0;
    long double Y = 0;
    long double Error = 0;
  };
  // Chains already read, by candidate pixel of a box of the plane (Width
  // wide from X0, Y0): 0 unread, 1 failed, else 2 + the index in Chains.
  // Width 0 when not in use.
  struct TMemo {
    int32_t X0 = 0;
    int32_t Y0 = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> State;
    std::vector<TChain> Chains;
  };
  bool Scan(const TPlaneBoolean& plane, const TPointReal& predicted, long double moduleSize,
            long double radius, TPointReal& found, TMemo* memo) const;
  bool Chain(const TPlaneBoolean& plane, int32_t cx, int32_t y, long double moduleSize,
             TChain& chain) const;
  // The integer window of a search, clipped to the plane; false when empty.
  static bool Window(const TPlaneBoolean& plane, const TPointReal& predicted, long double radius,
                     int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1);

  TMemo FMemo;
  // Checks the cross-section through (x, y) along (dx, dy); on success sets
  // centre to the middle of the centre run (along the line) and error to
  // the runs' relative deviation from moduleSize.
  bool CrossSection(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx, int32_t dy,
                    long double moduleSize, long double& centre, long double& error) const;
};

}  // namespace vornak
