#include "locate/CenterDots.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vornak {

namespace {

// Runs bucketed by one coordinate (the row of horizontal runs, the column of
// vertical ones) so that the runs able to cross a given run are found by
// binary search instead of a pass over the whole list. Within a bucket both
// the start and the end coordinate along the run must be non-decreasing;
// then the runs covering a point form one contiguous range. The scanner
// produces lists of that shape; any other list makes the index unusable and
// the caller falls back to the plain pass.
class TRunIndex {
 public:
  // key(line): bucket coordinate; lo(line), hi(line): extent along the run.
  template <typename Key, typename Lo, typename Hi>
  bool Init(const std::vector<TLine>& lines, const std::vector<int32_t>& order, Key key, Lo lo,
            Hi hi) {
    FKeys.clear();
    FBegin.clear();
    FLo.clear();
    FHi.clear();
    FOrder = order;
    FCurLo.clear();
    FCurHi.clear();
    FLo.reserve(order.size());
    FHi.reserve(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
      const TLine& line = lines[static_cast<size_t>(order[k])];
      const int32_t bucket = key(line);
      if (FKeys.empty() || bucket != FKeys.back()) {
        if (!FKeys.empty() && bucket < FKeys.back()) return false;
        FKeys.push_back(bucket);
        FBegin.push_back(static_cast<int32_t>(k));
      } else if (lo(line) < FLo.back() || hi(line) < FHi.back()) {
        return false;
      }
      FLo.push_back(lo(line));
      FHi.push_back(hi(line));
    }
    FBegin.push_back(static_cast<int32_t>(order.size()));
    return true;
  }

  // Calls visit(position) for every bucket strictly between keyLo and keyHi,
  // in bucket order, with the contiguous range [first, last) of positions
  // whose extent strictly contains point.
  template <typename Visit>
  void Query(int32_t keyLo, int32_t keyHi, int32_t point, Visit visit) const {
    if (keyHi <= keyLo) return;
    auto bucket = std::upper_bound(FKeys.begin(), FKeys.end(), keyLo);
    for (; bucket != FKeys.end() && *bucket < keyHi; ++bucket) {
      const size_t b = static_cast<size_t>(bucket - FKeys.begin());
      const auto first = FLo.begin() + FBegin[b];
      const auto end = FLo.begin() + FBegin[b + 1];
      // Extents starting before the point form a prefix of the bucket...
      const auto startsBefore = std::lower_bound(first, end, point);
      // ...and among them those ending after it form a suffix.
      const auto hiFirst = FHi.begin() + FBegin[b];
      const auto hiEnd = hiFirst + (startsBefore - first);
      const auto endsAfter = std::upper_bound(hiFirst, hiEnd, point);
      const int32_t from = static_cast<int32_t>(endsAfter - FHi.begin());
      const int32_t to = static_cast<int32_t>(startsBefore - FLo.begin());
      if (from < to) visit(from, to);
    }
  }

  // As Query, for a sequence of calls whose points never decrease: each
  // bucket keeps two cursors that only move forward, so no search is needed.
  template <typename Visit>
  void Sweep(int32_t keyLo, int32_t keyHi, int32_t point, Visit visit) {
    if (FCurLo.size() + 1 != FBegin.size()) {
      FCurLo.assign(FBegin.begin(), FBegin.end() - 1);
      FCurHi = FCurLo;
    }
    if (keyHi <= keyLo) return;
    auto bucket = std::upper_bound(FKeys.begin(), FKeys.end(), keyLo);
    for (; bucket != FKeys.end() && *bucket < keyHi; ++bucket) {
      const size_t b = static_cast<size_t>(bucket - FKeys.begin());
      const int32_t end = FBegin[b + 1];
      int32_t& startsBefore = FCurLo[b];
      while (startsBefore < end && FLo[static_cast<size_t>(startsBefore)] < point) ++startsBefore;
      int32_t& endsAfter = FCurHi[b];
      while (endsAfter < end && FHi[static_cast<size_t>(endsAfter)] <= point) ++endsAfter;
      if (endsAfter < startsBefore) visit(endsAfter, startsBefore);
    }
  }

  int32_t Original(int32_t position) const { return FOrder[static_cast<size_t>(position)]; }

 private:
  std::vector<int32_t> FKeys;   // distinct bucket coordinates, ascending
  std::vector<int32_t> FBegin;  // first position of each bucket, plus the end
  std::vector<int32_t> FLo;     // extent start per position
  std::vector<int32_t> FHi;     // extent end per position
  std::vector<int32_t> FOrder;  // list index per position
  std::vector<int32_t> FCurLo;  // per bucket: first position starting at or after the point
  std::vector<int32_t> FCurHi;  // per bucket: first position ending after the point
};

// Skips claimed runs: Next(i) is the first still active position >= i.
class TActiveSet {
 public:
  explicit TActiveSet(const std::vector<bool>& active) : FNext(active.size() + 1) {
    for (size_t i = 0; i <= active.size(); ++i)
      FNext[i] =
          (i < active.size() && !active[i]) ? static_cast<int32_t>(i + 1) : static_cast<int32_t>(i);
  }
  int32_t Next(int32_t i) {
    int32_t root = i;
    while (FNext[static_cast<size_t>(root)] != root) root = FNext[static_cast<size_t>(root)];
    while (FNext[static_cast<size_t>(i)] != root) {
      const int32_t next = FNext[static_cast<size_t>(i)];
      FNext[static_cast<size_t>(i)] = root;
      i = next;
    }
    return root;
  }
  void Remove(int32_t i) { FNext[static_cast<size_t>(i)] = i + 1; }

 private:
  std::vector<int32_t> FNext;
};

std::vector<int32_t> Identity(size_t n) {
  std::vector<int32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = static_cast<int32_t>(i);
  return order;
}

int32_t RowOf(const TLine& l) { return l.StartPt.Y; }
int32_t ColumnOf(const TLine& l) { return l.StartPt.X; }
int32_t LeftOf(const TLine& l) { return l.StartPt.X; }
int32_t RightOf(const TLine& l) { return l.EndPt.X; }
int32_t TopOf(const TLine& l) { return l.StartPt.Y; }
int32_t BottomOf(const TLine& l) { return l.EndPt.Y; }

// For each run of `across` in list order, the still active runs of `claimed`
// that it crosses, in list order, are claimed as one group; its middle entry
// (index n div 2) with GroupSize n is appended to groups. `claimedIsHorizontal`
// tells which argument of IsCross the claimed runs take.
void Group(TLines& claimed, const TLines& across, bool claimedIsHorizontal, TLines& groups) {
  const std::vector<TLine>& items = claimed.Items();
  const std::vector<TLine>& acrossItems = across.Items();
  std::vector<TLine> members;

  auto emit = [&]() {
    if (members.empty()) return;
    TLine representative = members[members.size() / 2];
    representative.GroupSize = static_cast<int32_t>(members.size());
    groups.Add(representative);
  };

  TRunIndex index;
  const bool indexed = claimedIsHorizontal
                           ? index.Init(items, Identity(items.size()), RowOf, LeftOf, RightOf)
                           : index.Init(items, Identity(items.size()), ColumnOf, TopOf, BottomOf);

  if (!indexed) {
    // Plain pass over every pair, for lists not in scan order.
    for (const TLine& other : acrossItems) {
      members.clear();
      for (int32_t i = 0; i < claimed.Count(); ++i) {
        TLine line = claimed.Get(i);
        if (!line.Active) continue;
        const bool cross = claimedIsHorizontal ? TCenterDots::IsCross(line, other)
                                               : TCenterDots::IsCross(other, line);
        if (!cross) continue;
        members.push_back(line);
        line.Active = false;
        claimed.Put(i, line);
      }
      emit();
    }
    return;
  }

  // Scan lists visit the crossing runs' points in ascending order (columns for
  // vertical runs, rows for horizontal ones), which lets the index sweep.
  bool ascending = true;
  for (size_t i = 1; i < acrossItems.size() && ascending; ++i)
    ascending = claimedIsHorizontal ? acrossItems[i - 1].StartPt.X <= acrossItems[i].StartPt.X
                                    : acrossItems[i - 1].StartPt.Y <= acrossItems[i].StartPt.Y;
  std::vector<bool> active(items.size());
  for (size_t i = 0; i < items.size(); ++i) active[i] = items[i].Active;
  TActiveSet remaining(active);
  for (const TLine& other : acrossItems) {
    members.clear();
    // A claimed horizontal run must lie on a row strictly inside the vertical
    // run and cover its column strictly inside; mirrored for vertical runs.
    const int32_t keyLo = claimedIsHorizontal ? other.StartPt.Y : other.StartPt.X;
    const int32_t keyHi = claimedIsHorizontal ? other.EndPt.Y : other.EndPt.X;
    const int32_t point = claimedIsHorizontal ? other.StartPt.X : other.StartPt.Y;
    auto claim = [&](int32_t from, int32_t to) {
      for (int32_t i = remaining.Next(from); i < to; i = remaining.Next(i + 1)) {
        TLine line = items[static_cast<size_t>(i)];
        members.push_back(line);
        line.Active = false;
        claimed.Put(i, line);
        remaining.Remove(i);
      }
    };
    if (ascending)
      index.Sweep(keyLo, keyHi, point, claim);
    else
      index.Query(keyLo, keyHi, point, claim);
    emit();
  }
}

}  // namespace

TCenterDots::TCenterDots()
    : FHorzGroups(std::make_unique<TLines>()), FVertGroups(std::make_unique<TLines>()) {}

TCenterDots::~TCenterDots() { Clear(); }

void TCenterDots::Clear() {
  FDots.clear();
  FHorzGroups->Clear();
  FVertGroups->Clear();
}

bool TCenterDots::IsCross(const TLine& h, const TLine& v) {
  return v.StartPt.X > h.StartPt.X && v.StartPt.X < h.EndPt.X && v.StartPt.Y < h.StartPt.Y &&
         v.EndPt.Y > h.StartPt.Y;
}

void TCenterDots::GroupHorizontal(TLines& horzRuns, TLines& vertRuns) {
  Group(horzRuns, vertRuns, true, *FHorzGroups);
  FHorzGroups->Sort();
}

void TCenterDots::GroupVertical(TLines& horzRuns, TLines& vertRuns) {
  Group(vertRuns, horzRuns, false, *FVertGroups);
  FVertGroups->Sort();
}

TCenterDot TCenterDots::CrossPoint(const TLine& h, const TLine& v) {
  TCenterDot dot;
  dot.Center = TPoint{v.StartPt.X, h.StartPt.Y};
  dot.Score = h.GroupSize + v.GroupSize;
  return dot;
}

void TCenterDots::AddDot(const TCenterDot& dot) { FDots.push_back(dot); }

void TCenterDots::CrossGroups() {
  const std::vector<TLine>& horz = FHorzGroups->Items();
  const std::vector<TLine>& vert = FVertGroups->Items();

  // The vertical representatives by column, then top, for the index; the dots
  // of one horizontal representative still come out in the sorted group order.
  std::vector<int32_t> order = Identity(vert.size());
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    const TLine& la = vert[static_cast<size_t>(a)];
    const TLine& lb = vert[static_cast<size_t>(b)];
    if (la.StartPt.X != lb.StartPt.X) return la.StartPt.X < lb.StartPt.X;
    if (la.StartPt.Y != lb.StartPt.Y) return la.StartPt.Y < lb.StartPt.Y;
    if (la.EndPt.Y != lb.EndPt.Y) return la.EndPt.Y < lb.EndPt.Y;
    return a < b;
  });
  TRunIndex index;
  if (!index.Init(vert, order, ColumnOf, TopOf, BottomOf)) {
    for (const TLine& h : horz)
      for (const TLine& v : vert)
        if (IsCross(h, v)) AddDot(CrossPoint(h, v));
    return;
  }
  std::vector<int32_t> hits;
  for (const TLine& h : horz) {
    hits.clear();
    index.Query(h.StartPt.X, h.EndPt.X, h.StartPt.Y, [&](int32_t from, int32_t to) {
      for (int32_t k = from; k < to; ++k) hits.push_back(index.Original(k));
    });
    std::sort(hits.begin(), hits.end());
    for (int32_t k : hits) AddDot(CrossPoint(h, vert[static_cast<size_t>(k)]));
  }
}

void TCenterDots::Build(TLines& horzRuns, TLines& vertRuns) {
  Clear();
  GroupHorizontal(horzRuns, vertRuns);
  GroupVertical(horzRuns, vertRuns);
  CrossGroups();
  SelectBest();
}

void TCenterDots::SelectBest() {
  if (FDots.size() < 3) return;
  std::array<int32_t, 3> chosen{-1, -1, -1};
  for (int32_t pass = 0; pass < 3; ++pass) {
    int32_t best = 0;
    int32_t bestIndex = -1;
    for (int32_t i = 0; i < Count(); ++i) {
      if (i == chosen[0] || i == chosen[1]) continue;
      if (FDots[static_cast<size_t>(i)].Score > best) {
        best = FDots[static_cast<size_t>(i)].Score;
        bestIndex = i;
      }
    }
    chosen[static_cast<size_t>(pass)] = bestIndex;
  }
  // Scores are at least 2, so every pass finds a dot; keep the old point if not.
  for (size_t k = 0; k < 3; ++k)
    if (chosen[k] >= 0) FPoints[k] = FDots[static_cast<size_t>(chosen[k])].Center;
}

void TCenterDots::GetPoint(int32_t index, TPoint& p) const { p = GetPoint(index); }

TPoint TCenterDots::GetPoint(int32_t index) const {
  if (index < 0 || index > 2) return TPoint{};
  return FPoints[static_cast<size_t>(index)];
}

int32_t TCenterDots::IntSqrt(int64_t n) {
  if (n <= 0) return 0;
  const long double root = std::truncl(std::sqrt(static_cast<long double>(n)));
  if (root >= static_cast<long double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(root);
}

int32_t TCenterDots::Distance(TPoint p1, TPoint p2) {
  // Squares in 64 bits: differences across a very large plane would overflow
  // 32. A difference of 2^31 or more is beyond any 32-bit distance anyway.
  const int64_t dx = std::abs(static_cast<int64_t>(p2.X) - p1.X);
  const int64_t dy = std::abs(static_cast<int64_t>(p2.Y) - p1.Y);
  constexpr int64_t kLimit = int64_t{1} << 31;
  if (dx >= kLimit || dy >= kLimit) return std::numeric_limits<int32_t>::max();
  return IntSqrt(dx * dx + dy * dy);
}

}  // namespace vornak
