#include "photo/KnownArea.h"

#include <algorithm>
#include <cmath>

namespace vornak {

TKnownArea::TKnownArea(const std::array<TCorner, 4>& outline, double module)
    : FOutline(outline), FModule(module) {}

bool TKnownArea::Inside(double x, double y, double margin) const {
  bool negative = false, positive = false;
  for (size_t i = 0; i < 4; ++i) {
    const TCorner& a = FOutline[i];
    const TCorner& b = FOutline[(i + 1) % 4];
    const double length = std::hypot(b.X - a.X, b.Y - a.Y);
    const double c = ((b.X - a.X) * (y - a.Y) - (b.Y - a.Y) * (x - a.X)) / std::max(length, 1e-9);
    if (c < -margin) negative = true;
    if (c > margin) positive = true;
  }
  return !(negative && positive);
}

bool TKnownArea::Covers(double x, double y, double module) const {
  return module >= kNestedModule * FModule && Inside(x, y, FModule);
}

}  // namespace vornak
