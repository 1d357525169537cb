#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/Geometry.h"
#include "common/Types.h"
#include "photo/Components.h"
#include "photo/FinderCandidate.h"
#include "photo/Homography.h"

namespace vornak {

// Finder patterns found as shapes rather than as runs: a dark core inside a
// light ring inside a dark ring, told by the nesting of the plane's
// components and the proportion of their areas. Blur, glare at the edges,
// moiré, rounded or turned finders and steep perspective change the runs
// across a finder but not this nesting. Each shape also gives the corners
// of the light ring's outer edge, the finder's own quadrilateral, and from
// them the directions of the symbol's two axes and the module size along
// each at that finder.
class TFinderShapes {
 public:
  struct TShape {
    TFinderCandidate Candidate;  // centre and module sizes; Count: area in modules
    // Outer corners of the light ring (5 x 5 modules), in turning order.
    std::array<TPointReal, 4> Corners{};
    // Unit directions of the quadrilateral's two pairs of sides and the
    // module size along each (a side's length over five).
    std::array<TPointReal, 2> Axes{};
    std::array<long double, 2> AxisModules{};
    // A finder glare washed out: only its place is known, from the other
    // two, and the picture reads light all over it.
    bool Washed = false;
  };

  // Triples of shapes that can be the finders of one symbol, ordered as
  // TFinderTriple orders them, with the shapes they come from.
  struct TTriple {
    TFinderTriple Triple;
    // Indices into Shapes(), -1 for a finder inferred from the other two.
    std::array<int32_t, 3> Shapes{};
    std::array<TShape, 3> Members{};
    // Modules between the corner finder's centre and each other one's,
    // along the symbol's axes.
    long double Span = 0;
    long double Score = 0;  // lower is better
  };

  // The side directions of a finder follow the symbol's axes; a line
  // between two finders of one symbol runs along an axis of both, give or
  // take the bend of perspective and the error of a small quadrilateral: at
  // most this sine of the angle between them (20 degrees).
  static constexpr long double kAxisSine = 0.34L;
  // The two legs of a triple span as many modules, within this ratio.
  static constexpr long double kLegRatio = 1.35L;
  static constexpr int32_t kMaxShapes = 24;
  // Pictures of more pixels than this are searched at half their size.
  static constexpr int64_t kHalveAbove = 3000000;
  static constexpr int32_t kMaxTriples = 6;

  // Labels plane and finds the shapes and their triples.
  void Find(const TPlaneBoolean& plane, const TBitRows* packed = nullptr);

  // The transform from module space of a symbol of the given side to the
  // picture that best takes the corners of the triple's three light rings
  // to where they were found: perspective from the twelve corners, without
  // any guess from module sizes. False when they fix none.
  bool FitGrid(const TTriple& triple, int32_t side, THomography& t) const;
  // The points FitGrid fits: the module-space corners of the three light
  // rings (from) and where they lie in the picture (to).
  bool GridPoints(const TTriple& triple, int32_t side, std::vector<TPointReal>& from,
                  std::vector<TPointReal>& to) const;
  // Modules of finder k (0 corner, 1 axis A end, 2 axis B end) of the
  // triple and of its separator on the symbol's side that read other than
  // they should (of a washed finder, light modules that read dark), read
  // through the frame of that finder's own corners.
  int32_t Misreads(const TTriple& triple, int32_t k, const TPlaneBoolean& plane) const;
  // Whether all three finders read as finders: at most this many misreads
  // each, as for finders found by runs (TFinderCheck): a real one in a
  // photograph of a screen or of textured print misreads up to about 18,
  // look-alikes in noise and texture rarely have a whole dark ring and a
  // light separator round their nested core.
  static constexpr int32_t kMaxMisreads = 21;
  bool ReadsAsFinders(const TTriple& triple, const TPlaneBoolean& plane) const;

  // The version (7..40) that the version information beside either end
  // finder of the triple names, read through that finder's own frame, or 0.
  int32_t ReadVersion(const TTriple& triple, const TPlaneBoolean& plane) const;
  void Clear();
  // The triple of shapes o (the corner), a and b, ordered as TFinderTriple
  // orders them (axis A turning clockwise onto axis B), with the given span
  // and score; indices as in TTriple::Shapes.
  static TTriple MakeTriple(const TShape& o, const TShape& a, const TShape& b,
                            std::array<int32_t, 3> indices, long double span, long double score);

  const std::vector<TShape>& Shapes() const { return FShapes; }
  const std::vector<TTriple>& Triples() const { return FTriples; }
  const TComponents& Components() const { return FComponents; }

 private:
  // The corners of the triple's three light rings in the order of their
  // module squares: (-, -), (+, -), (-, +), (+, +) along axes A and B.
  bool OrderedCorners(const TTriple& triple,
                      std::array<std::array<TPointReal, 4>, 3>& corners) const;
  // A light ring whose nesting and areas are a finder's.
  struct TRing {
    int32_t Index = 0;        // its component
    long double Quality = 0;  // how far its proportions are from a finder's (0 exact)
    long double Full = 0;     // pixels of the filled ring
    TPointReal Middle;        // centroid of the filled ring
  };
  // Whether component ring is such a ring, by its nesting and areas.
  bool Judge(int32_t ring, TRing& judged) const;
  // The shape of a judged ring: its corners, axes and module sizes; false
  // when it has no four corners to speak of.
  bool Trace(const TRing& ring, TShape& shape) const;
  void BuildTriples();

  TComponents FComponents;
  TPlaneBoolean FHalf;
  std::vector<TShape> FShapes;
  std::vector<TTriple> FTriples;
};

}  // namespace vornak
