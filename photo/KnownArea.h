#pragma once

#include <array>

namespace vornak {

// The area of a symbol read, as a later finder search sees it: a finder
// centred inside its outline (or within one of its modules of it), with
// modules not much smaller than its own, is one of its finders or a false
// one in its data. A symbol nested in its data has much smaller modules.
class TKnownArea {
 public:
  // A finder whose module is at least this fraction of the symbol's.
  static constexpr double kNestedModule = 0.6;

  struct TCorner {
    double X = 0;
    double Y = 0;
  };
  // outline: the corners in turn round the symbol; module: its module, pixels.
  TKnownArea(const std::array<TCorner, 4>& outline, double module);

  // Whether a finder centred at (x, y) with the given module is the
  // symbol's own or a false one in it.
  bool Covers(double x, double y, double module) const;
  // Whether (x, y) lies inside the outline, or within margin pixels of it.
  bool Inside(double x, double y, double margin) const;

 private:
  std::array<TCorner, 4> FOutline;
  double FModule;
};

}  // namespace vornak
