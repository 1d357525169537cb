#include "locate/FindPattern.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "locate/RunScan.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

// Scan state of one row or column: five cyclic run counters, the slot of the
// run in progress and the colour of that run.
struct TRunState {
  std::array<int32_t, 5> C{};
  int32_t S = 0;
  bool Colour = false;

  void ResetCounters() {
    C.fill(0);
    S = 0;
  }
  // A stretch within the finder ratio has its centre run longer than each
  // of the others (14 e >= 5 T for the centre, 14 e <= 3 T for the rest),
  // unless every run is empty (a row that starts light after a dark one,
  // which the ratio takes): one cheap test turns away most runs of a busy
  // picture before the full ratio.
  bool MayBeFinder() const {
    const int32_t centre = C[static_cast<size_t>(S + 3 < 5 ? S + 3 : S - 2)];
    return (centre > C[0]) + (centre > C[1]) + (centre > C[2]) + (centre > C[3]) +
                   (centre > C[4]) ==
               4 ||
           (C[0] | C[1] | C[2] | C[3] | C[4]) == 0;
  }
  // A colour change: the run in progress held length pixels, and one of the
  // other colour begins. True when a dark run has just ended on a
  // finder-like stretch, whose total length is then in total.
  bool Change(int32_t length, int32_t& total) {
    C[static_cast<size_t>(S)] = length;
    Colour = !Colour;
    bool hit = false;
    if (!Colour && MayBeFinder() && TFindPattern::IsFinderRatio(C, S)) {
      total = C[0] + C[1] + C[2] + C[3] + C[4];
      hit = true;
    }
    S = (S + 1) % 5;
    return hit;
  }
};

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
  ScanVertical(image, width, height);
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
  TRunState state;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = image.Row(y);
    // Only where the colour changes can a stretch end; the run in progress
    // is counted from the column it began in (the row's start when it
    // carries over from the row above, whose counters do not).
    int32_t started = 0;
    const auto change = [&](int32_t x) {
      int32_t total = 0;
      if (state.Change(x - started, total))
        FHorzRuns->Add(TLine{true, 0, TPoint{x - total, y}, TPoint{x - 1, y}});
      started = x;
    };
    if (width > 0 && (row[0] != 0) != state.Colour) change(0);
    int32_t x = 1;
    // Eight pixels at a time against their left neighbours.
    for (; x + 8 <= width; x += 8)
      EachColourChange(row + x, row + x - 1, [&](int32_t k) { change(x + k); });
    for (; x < width; ++x)
      if ((row[x] != 0) != (row[x - 1] != 0)) change(x);
    // The colour carries over into the next row; the counters do not.
    state.ResetCounters();
  }
}

void TFindPattern::ScanVertical(const TPlaneBoolean& image, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  // All columns are scanned side by side, row by row, to read memory in order.
  // Each column starts with the colour the previous column ended with, which is
  // the last pixel of that column (light before the first).
  // The run in progress of each column is counted from the row it began in,
  // so a row only touches the columns where the colour changes. Kept beside
  // the column's counters: both are touched at every change.
  struct TColumn {
    TRunState Run;
    int32_t Started = 0;
  };
  std::vector<TColumn> states(static_cast<size_t>(width));
  for (int32_t x = 1; x < width; ++x)
    states[static_cast<size_t>(x)].Run.Colour = image(x - 1, height - 1) != 0;
  struct THit {
    int32_t X, Y, Total;
  };
  std::vector<THit> hits;
  auto feed = [&](int32_t x, int32_t y, bool pixel) {
    TColumn& column = states[static_cast<size_t>(x)];
    TRunState& state = column.Run;
    if (pixel == state.Colour) return;
    int32_t total = 0;
    if (state.Change(y - column.Started, total)) hits.push_back({x, y, total});
    column.Started = y;
  };
  {
    const uint8_t* row = image.Row(0);
    for (int32_t x = 0; x < width; ++x) feed(x, 0, row[x] != 0);
  }
  for (int32_t y = 1; y < height; ++y) {
    const uint8_t* row = image.Row(y);
    const uint8_t* above = image.Row(y - 1);
    int32_t x = 0;
    // Eight columns at a time against the row above.
    for (; x + 8 <= width; x += 8)
      EachColourChange(row + x, above + x, [&](int32_t k) { feed(x + k, y, row[x + k] != 0); });
    for (; x < width; ++x)
      if ((row[x] != 0) != (above[x] != 0)) feed(x, y, row[x] != 0);
  }
  // Column order, top to bottom within a column: a stable counting sort.
  std::vector<int32_t> start(static_cast<size_t>(width) + 1, 0);
  for (const THit& h : hits) ++start[static_cast<size_t>(h.X) + 1];
  for (size_t x = 0; x < static_cast<size_t>(width); ++x) start[x + 1] += start[x];
  std::vector<int32_t> order(hits.size());
  for (size_t i = 0; i < hits.size(); ++i)
    order[static_cast<size_t>(start[static_cast<size_t>(hits[i].X)]++)] = static_cast<int32_t>(i);
  for (int32_t i : order) {
    const THit& h = hits[static_cast<size_t>(i)];
    FVertRuns->Add(TLine{true, 0, TPoint{h.X, h.Y - h.Total}, TPoint{h.X, h.Y - 1}});
  }
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
