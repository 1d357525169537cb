#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

namespace vornak {

// Solves the n x n system a x = b (a row by row) by elimination with
// partial pivoting, leaving x in b; false when it is singular.
template <size_t N>
bool SolveLinear(std::array<long double, N * N>& a, std::array<long double, N>& b) {
  for (size_t col = 0; col < N; ++col) {
    size_t pivot = col;
    for (size_t r = col + 1; r < N; ++r)
      if (std::fabs(a[r * N + col]) > std::fabs(a[pivot * N + col])) pivot = r;
    if (!(std::fabs(a[pivot * N + col]) > 1e-12L)) return false;
    if (pivot != col) {
      for (size_t c = 0; c < N; ++c) std::swap(a[pivot * N + c], a[col * N + c]);
      std::swap(b[pivot], b[col]);
    }
    for (size_t r = col + 1; r < N; ++r) {
      const long double f = a[r * N + col] / a[col * N + col];
      for (size_t c = col; c < N; ++c) a[r * N + c] -= f * a[col * N + c];
      b[r] -= f * b[col];
    }
  }
  for (size_t col = N; col-- > 0;) {
    long double sum = b[col];
    for (size_t c = col + 1; c < N; ++c) sum -= a[col * N + c] * b[c];
    b[col] = sum / a[col * N + col];
  }
  return true;
}

}  // namespace vornak
