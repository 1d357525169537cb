#include "photo/Bend.h"

#include <algorithm>
#include <utility>

namespace vornak {

void TBend::Reset(int32_t side) {
  FSide = side;
  FFieldX.clear();
  FFieldY.clear();
  FMiddle = side / 2.0;
  FScale = side > 0 ? 2.0 / side : 1;
  FX.fill(0);
  FY.fill(0);
  FActive = false;
}

TBend::TTerms TBend::Basis(double u, double v) const {
  const double s = (u - FMiddle) * FScale, t = (v - FMiddle) * FScale;
  return {1, s, t, s * s, s * t, t * t, s * s * s, s * s * t, s * t * t, t * t * t};
}

void TBend::Add(const TTerms& x, const TTerms& y) {
  for (size_t k = 0; k < FX.size(); ++k) {
    FX[k] += x[k];
    FY[k] += y[k];
  }
  FActive = true;
}

void TBend::SetField(std::vector<float> x, std::vector<float> y) {
  const auto cells = static_cast<size_t>(FSide) * static_cast<size_t>(FSide);
  if (x.size() != cells || y.size() != cells) return;
  if (FFieldX.size() == cells)
    for (size_t k = 0; k < cells; ++k) {
      x[k] += FFieldX[k];
      y[k] += FFieldY[k];
    }
  FFieldX = std::move(x);
  FFieldY = std::move(y);
  FActive = true;
}

void TBend::AddField(double u, double v, double& x, double& y) const {
  // Between the four module centres round (u, v), held at the outermost
  // beyond them.
  const double fu = std::clamp(u - 0.5, 0.0, FSide - 1.0);
  const double fv = std::clamp(v - 0.5, 0.0, FSide - 1.0);
  const int32_t last = FSide - 1;
  const int32_t i = std::min(static_cast<int32_t>(fu), std::max(0, last - 1));
  const int32_t j = std::min(static_cast<int32_t>(fv), std::max(0, last - 1));
  const int32_t i1 = std::min(i + 1, last), j1 = std::min(j + 1, last);
  const double a = fu - i, b = fv - j;
  const auto at = [this](int32_t col, int32_t row) {
    return static_cast<size_t>(row) * static_cast<size_t>(FSide) + static_cast<size_t>(col);
  };
  const double w00 = (1 - a) * (1 - b), w10 = a * (1 - b), w01 = (1 - a) * b, w11 = a * b;
  x += w00 * FFieldX[at(i, j)] + w10 * FFieldX[at(i1, j)] + w01 * FFieldX[at(i, j1)] +
       w11 * FFieldX[at(i1, j1)];
  y += w00 * FFieldY[at(i, j)] + w10 * FFieldY[at(i1, j)] + w01 * FFieldY[at(i, j1)] +
       w11 * FFieldY[at(i1, j1)];
}

}  // namespace vornak
