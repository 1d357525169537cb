#pragma once

#include <cmath>

namespace vornak {

// A point with fractional coordinates: module space (x = column, y = row,
// module (c, r) covering [c, c+1) x [r, r+1)) or pixel space.
struct TPointReal {
  long double X = 0;
  long double Y = 0;
};

// Length of the vector (x, y). Coordinates here are pixel or module
// positions, far below where squaring could overflow, so the plain root does
// what the slower overflow-safe hypot would.
inline long double Length(long double x, long double y) { return std::sqrt(x * x + y * y); }

// The cross product (z component) and dot product of two vectors, and the
// vector from b to a.
inline long double Cross(const TPointReal& a, const TPointReal& b) { return a.X * b.Y - a.Y * b.X; }
inline long double Dot(const TPointReal& a, const TPointReal& b) { return a.X * b.X + a.Y * b.Y; }
inline TPointReal Minus(const TPointReal& a, const TPointReal& b) { return {a.X - b.X, a.Y - b.Y}; }

// Distance of two points of any kind with X and Y (pixels, real points,
// finder candidates). Whole coordinates square exactly in extended
// precision, so integer points give the root of their exact sum of squares.
template <typename A, typename B>
long double Distance(const A& a, const B& b) {
  return Length(static_cast<long double>(a.X) - static_cast<long double>(b.X),
                static_cast<long double>(a.Y) - static_cast<long double>(b.Y));
}

}  // namespace vornak
