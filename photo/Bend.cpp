#include "photo/Bend.h"

namespace vornak {

void TBend::Reset(int32_t side) {
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

}  // namespace vornak
