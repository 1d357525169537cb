#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "common/Errors.h"

namespace vornak {

// Geometry runs in 80-bit extended precision; these helpers are the one place
// where it turns back into integers.

// Nearest integer, halves to even (the default floating-point rounding mode),
// as nearbyintl gives it, sign of zero included. Adding and taking away
// 2^63, where the spacing of extended values is 1, leaves the rounded value
// in a few instructions instead of a library call per module sampled.
inline long double RoundHalfEven(long double value) {
  constexpr long double kShift = 0x1p63L;
  if (!(std::fabs(value) < kShift)) return value;  // already whole, or NaN
  const long double rounded = value >= 0 ? (value + kShift) - kShift : (value - kShift) + kShift;
  return std::copysign(rounded, value);
}

// Toward zero.
inline long double TruncTowardZero(long double value) { return std::truncl(value); }

// A whole value of magnitude below 2^53 as an integer. Through double, which
// holds it exactly: converting an x87 value directly switches the rounding
// mode twice, a slow serialising step, for every sampled point.
inline int64_t WholeToInt64(long double whole) {
  return static_cast<int64_t>(static_cast<double>(whole));
}

// The pixel holding continuous coordinate v (its floor), kept within
// +-1e9 so that far-off or infinite points stay outside any picture; NaN
// gives -1e9.
inline int32_t FloorToPixel(long double v) {
  if (!(v > -1.0e9L)) return -1000000000;
  if (v > 1.0e9L) return 1000000000;
  return static_cast<int32_t>(WholeToInt64(std::floor(v)));
}

// Rounded to a 32-bit integer, or nothing when the value is not finite or
// does not fit.
inline std::optional<int32_t> TryRoundInt32(long double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const long double rounded = RoundHalfEven(value);
  if (rounded < static_cast<long double>(std::numeric_limits<int32_t>::min()) ||
      rounded > static_cast<long double>(std::numeric_limits<int32_t>::max()))
    return std::nullopt;
  return static_cast<int32_t>(WholeToInt64(rounded));
}

// Truncated to a 32-bit integer, or nothing when it does not fit.
inline std::optional<int32_t> TryTruncInt32(long double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const long double truncated = TruncTowardZero(value);
  if (truncated < static_cast<long double>(std::numeric_limits<int32_t>::min()) ||
      truncated > static_cast<long double>(std::numeric_limits<int32_t>::max()))
    return std::nullopt;
  return static_cast<int32_t>(WholeToInt64(truncated));
}

// Rounded to a 32-bit integer; a value that cannot be one means the geometry
// broke down, reported as "Program Error".
inline int32_t RoundInt32(long double value) {
  if (auto result = TryRoundInt32(value)) return *result;
  throw EMathError(kProgramError);
}

inline int32_t TruncInt32(long double value) {
  if (auto result = TryTruncInt32(value)) return *result;
  throw EMathError(kProgramError);
}

}  // namespace vornak
