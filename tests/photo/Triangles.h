#pragma once

#include <array>
#include <cstdint>

#include "common/Geometry.h"
#include "photo/FinderTriangles.h"

namespace vornak::test {

// Three candidates as one triple under a rule, through the shape test the
// finder search ranks by; false when they cannot be one symbol.
inline bool MakeTriple(const TFinderCandidate& a, const TFinderCandidate& b,
                       const TFinderCandidate& c, TFinderTriple& triple,
                       const TFinderTriangles::TRule& rule = TFinderTriangles::kPlain,
                       int32_t rank = 0) {
  const std::array<const TFinderCandidate*, 3> p = {&a, &b, &c};
  TFinderTriangles::TShape shape;
  if (!TFinderTriangles::Shape(p, {Distance(b, c), Distance(c, a), Distance(a, b)}, rule, rank,
                               shape))
    return false;
  TFinderTriangles::Build(p, shape, triple);
  return true;
}

}  // namespace vornak::test
