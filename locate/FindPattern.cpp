#include "locate/FindPattern.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "symbol/StandardTables.h"

namespace vornak {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

// The finder-like stretches of every packed row in turn, emit(row, end,
// total) for each: the colour carries over from one row's end into the next
// row, the run counters do not.
template <typename Emit>
void ScanRuns(const TBitRows& rows, Emit&& emit) {
  bool colour = false;
  for (int32_t y = 0; y < rows.Height(); ++y) {
    // The last five runs, oldest first; c4 ended at the latest change. Only
    // where the colour changes can a stretch end, and the run in progress
    // is counted from the pixel it began at (the row's start when it
    // carries over from the row before).
    int32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0;
    int32_t started = 0;
    EachColourChange(rows.Row(y), rows.Width(), colour, [&](int32_t x) {
      c0 = c1;
      c1 = c2;
      c2 = c3;
      c3 = c4;
      c4 = x - started;
      started = x;
      colour = !colour;
      // A stretch within the finder ratio has its centre run longer than
      // each of the others (14 e >= 5 T for the centre, 14 e <= 3 T for the
      // rest), unless every run is empty (a row that starts light after a
      // dark one, which the ratio takes): one cheap test turns away most
      // runs of a busy picture before the full ratio.
      if (colour) return;
      const bool longest = (c2 > c0) + (c2 > c1) + (c2 > c3) + (c2 > c4) == 4;
      if (!longest && (c0 | c1 | c2 | c3 | c4) != 0) return;
      if (TFindPattern::IsFinderRatio({c0, c1, c2, c3, c4}, 4)) emit(y, x, c0 + c1 + c2 + c3 + c4);
    });
  }
}

}  // namespace

TFindPattern::TFindPattern()
    : FHorzRuns(std::make_unique<TLines>()),
      FVertRuns(std::make_unique<TLines>()),
      FCenterDots(std::make_unique<TCenterDots>()) {}

TFindPattern::~TFindPattern() = default;

int32_t TFindPattern::Find(const TPlaneBoolean& image, int32_t width, int32_t height) {
  // Never read beyond the plane, whatever extents the caller claims.
  width = std::clamp(width, 0, image.Width());
  height = std::clamp(height, 0, image.Height());
  FHorzRuns->Clear();
  ScanHorizontal(image, width, height);
  FVertRuns->Clear();
  ScanVertical();
  FCenterDots->Build(*FHorzRuns, *FVertRuns);
  if (FCenterDots->Count() < 3) return 1;
  for (int32_t k = 0; k < 3; ++k) FPatterns[static_cast<size_t>(k)] = FCenterDots->GetPoint(k);
  Orient(FPatterns);
  return 0;
}

void TFindPattern::GetPattern(int32_t index, TPoint& p) const { p = GetPattern(index); }

TPoint TFindPattern::GetPattern(int32_t index) const {
  if (index < 0 || index > 2) return TPoint{};
  return FPatterns[static_cast<size_t>(index)];
}

bool TFindPattern::IsFinderRatio(const std::array<int32_t, 5>& c, int32_t s) {
  if (s < 0 || s > 4) return false;
  const int64_t sum = static_cast<int64_t>(c[0]) + c[1] + c[2] + c[3] + c[4];
  // Exact integer screen first: run k passes when (2r - 1) T <= 14 e <=
  // (2r + 1) T. Away from equality the margin (1/14 pixel) dwarfs any
  // rounding of the extended arithmetic, so only equality needs it.
  // Slot of the k-th run from the oldest, without a division per run.
  static constexpr std::array<std::array<uint8_t, 5>, 5> kSlot = {
      {{1, 2, 3, 4, 0}, {2, 3, 4, 0, 1}, {3, 4, 0, 1, 2}, {4, 0, 1, 2, 3}, {0, 1, 2, 3, 4}}};
  const auto& slot = kSlot[static_cast<size_t>(s)];
  bool boundary = false;
  for (int32_t k = 0; k < 5; ++k) {
    const int64_t e14 = 14 * static_cast<int64_t>(c[slot[static_cast<size_t>(k)]]);
    const int64_t ideal = 2 * static_cast<int64_t>(FinderRatio[static_cast<size_t>(k)]) * sum;
    if (e14 < ideal - sum || e14 > ideal + sum) return false;
    if (e14 == ideal - sum || e14 == ideal + sum) boundary = true;
  }
  if (!boundary) return true;
  // At the bounds each step rounds in extended precision, in this order; the
  // boundary cases (1,1,4,1,1 in, 1,1,5,1,2 out) depend on it.
  const long double total = static_cast<long double>(sum);
  const long double module = total / 7.0L;
  const long double half = module / 2.0L;
  for (int32_t k = 0; k < 5; ++k) {
    const long double e = static_cast<long double>(c[static_cast<size_t>((s + 1 + k) % 5)]);
    const long double ideal =
        static_cast<long double>(FinderRatio[static_cast<size_t>(k)]) * module;
    const long double lo = ideal - half;
    const long double hi = ideal + half;
    if (!(lo <= e && e <= hi)) return false;
  }
  return true;
}

void TFindPattern::ScanHorizontal(const TPlaneBoolean& image, int32_t width, int32_t height) {
  FRows.Pack(image, width, height);
  ScanRuns(FRows, [this](int32_t y, int32_t end, int32_t total) {
    FHorzRuns->Add(TLine{true, 0, TPoint{end - total, y}, TPoint{end - 1, y}});
  });
}

void TFindPattern::ScanVertical() {
  // Columns are the rows of the transposed picture, scanned in column order;
  // each column starts with the colour the previous column ended with (light
  // before the first).
  FColumns.Transpose(FRows);
  ScanRuns(FColumns, [this](int32_t x, int32_t end, int32_t total) {
    FVertRuns->Add(TLine{true, 0, TPoint{x, end - total}, TPoint{x, end - 1}});
  });
}

int32_t TFindPattern::LongestSide(const std::array<TPoint, 3>& patterns) {
  TPoint bestFrom{}, bestTo{};
  int32_t best = -1;
  for (int32_t k = 0; k < 3; ++k) {
    const TPoint& from = patterns[static_cast<size_t>(k)];
    const TPoint& to = patterns[static_cast<size_t>((k + 1) % 3)];
    if (TCenterDots::Distance(from, to) > TCenterDots::Distance(bestFrom, bestTo)) {
      bestFrom = from;
      bestTo = to;
      best = k;
    }
  }
  return best;
}

void TFindPattern::Orient(std::array<TPoint, 3>& patterns) {
  const int32_t side = LongestSide(patterns);
  // With no side longer than 0 the best side stays (0,0)-(0,0).
  const TPoint endFrom = side >= 0 ? patterns[static_cast<size_t>(side)] : TPoint{};
  const TPoint endTo = side >= 0 ? patterns[static_cast<size_t>((side + 1) % 3)] : TPoint{};
  int32_t corner = 0;
  for (int32_t k = 0; k < 3; ++k) {
    const TPoint& p = patterns[static_cast<size_t>(k)];
    if (!(p == endFrom) && !(p == endTo)) {
      corner = k;
      break;
    }
  }
  std::array<TPoint, 2> q{};
  size_t n = 0;
  for (int32_t k = 0; k < 3; ++k)
    if (k != corner) q[n++] = patterns[static_cast<size_t>(k)];
  const TPoint c = patterns[static_cast<size_t>(corner)];
  std::array<long double, 2> a{};
  for (size_t j = 0; j < 2; ++j) {
    a[j] = std::atan2(static_cast<long double>(q[j].Y) - static_cast<long double>(c.Y),
                      static_cast<long double>(q[j].X) - static_cast<long double>(c.X));
    if (a[j] < 0) a[j] += 2.0L * kPi;
  }
  TPoint first, second;
  if (a[0] < a[1]) {
    if (a[1] - a[0] < kPi) {
      first = q[0];
      second = q[1];
    } else {
      first = q[1];
      second = q[0];
    }
  } else if (a[0] - a[1] < kPi) {
    first = q[1];
    second = q[0];
  } else {
    first = q[0];
    second = q[1];
  }
  patterns = {c, first, second};
}

}  // namespace vornak
