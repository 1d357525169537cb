#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornak {

// A smooth displacement of a grid's points, in pixels, as a cubic polynomial
// of the module position: what a bent surface, and a transform fitted to
// too few points, add to where the modules lie. Zero until terms are added.
class TBend {
 public:
  static constexpr int32_t kTerms = 10;
  using TTerms = std::array<double, kTerms>;

  // No displacement, for a symbol of the given side.
  void Reset(int32_t side);
  bool Active() const { return FActive; }

  // The basis at module point (u, v): 1, s, t, s^2, s t, t^2, s^3, s^2 t,
  // s t^2, t^3 with s, t the position scaled to -1..1 across the symbol.
  TTerms Basis(double u, double v) const;
  // Adds the displacement at (u, v) to (x, y).
  void Offset(double u, double v, double& x, double& y) const {
    if (!FActive) return;
    const TTerms b = Basis(u, v);
    for (int32_t k = 0; k < kTerms; ++k) {
      x += FX[static_cast<size_t>(k)] * b[static_cast<size_t>(k)];
      y += FY[static_cast<size_t>(k)] * b[static_cast<size_t>(k)];
    }
    if (!FFieldX.empty()) AddField(u, v, x, y);
  }
  // Adds a displacement given by its terms.
  void Add(const TTerms& x, const TTerms& y);
  // Adds a displacement given at every module centre of the side (row by
  // row, pixels; other sizes are ignored), taken bilinearly between
  // centres: what no smooth polynomial follows, a wrinkle a few modules
  // across. Added to the one given before, if any; Reset drops it.
  void SetField(std::vector<float> x, std::vector<float> y);

 private:
  void AddField(double u, double v, double& x, double& y) const;

  int32_t FSide = 0;
  double FMiddle = 0;
  double FScale = 1;
  TTerms FX{};
  TTerms FY{};
  std::vector<float> FFieldX;
  std::vector<float> FFieldY;
  bool FActive = false;
};

}  // namespace vornak
