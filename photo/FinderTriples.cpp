#include "photo/FinderTriples.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "common/WideVectors.h"
#include "locate/BitRows.h"
#include "photo/FinderCheck.h"
#include "photo/FinderTriangles.h"

namespace vornak {

namespace {

// Candidates kept while scanning; a busy picture cannot grow the list (and
// the merge cost) without bound.
constexpr size_t kMaxRaw = 400;
// Side of the merge grid's cells, pixels.
constexpr long double kCell = 16;

// hits[k] = 1 where runs[k .. k + 4] pass the finder ratio, for k < windows: all
// windows at once, several to an instruction, before any is confirmed.
VORNAK_WIDE_VECTORS
void RatioHits(const int32_t* runs, int32_t windows, int32_t* hits) {
  for (int32_t k = 0; k < windows; ++k)
    hits[k] =
        TFinderCheck::Ratio({runs[k], runs[k + 1], runs[k + 2], runs[k + 3], runs[k + 4]}) ? 1 : 0;
}

}  // namespace

void TFinderTriples::Clear() {
  FCandidates.clear();
  FTriples.clear();
  FDistances.clear();
  FCellFirst.clear();
  FCellLast.clear();
  FNextInCell.clear();
  FCellColumns = FCellRows = 0;
  FSearched = false;
}

void TFinderTriples::Start(int32_t width, int32_t height) {
  Clear();
  // Candidates lie within the plane; one spare cell either way.
  FCellColumns = static_cast<int64_t>(std::floor(width / kCell)) + 2;
  FCellRows = static_cast<int64_t>(std::floor(height / kCell)) + 2;
  FCellFirst.assign(static_cast<size_t>(FCellColumns * FCellRows), -1);
  FCellLast.assign(FCellFirst.size(), -1);
}

int32_t TFinderTriples::Find(const TPlaneBoolean& plane, const TBitRows* packed,
                             TFinderTriples* light) {
  if (packed != nullptr && packed->Width() == plane.Width() && packed->Height() == plane.Height())
    return Find(*packed, light);
  FBits.Pack(plane, plane.Width(), plane.Height());
  return Find(FBits, light);
}

int32_t TFinderTriples::Find(const TBitRows& rows, TFinderTriples* light) {
  FRows = &rows;
  FLight = false;
  Start(rows.Width(), rows.Height());
  if (light != nullptr) {
    light->FRows = &rows;
    light->FLight = true;
    light->Start(rows.Width(), rows.Height());
  }
  // A row has at most one change per pixel, one more at its start, and one
  // more entry for its end.
  const size_t most = static_cast<size_t>(rows.Width()) + 2;
  FChanges.resize(most);
  FRuns.resize(most);
  FHits.resize(most);
  for (int32_t y = 0; y < rows.Height(); ++y) ScanRow(y, light);
  RankCandidates();
  BuildTriples();
  FSearched = true;
  if (light != nullptr) {
    light->RankCandidates();
    light->BuildTriples();
    light->FSearched = true;
  }
  return static_cast<int32_t>(FTriples.size());
}

void TFinderTriples::ScanRow(int32_t y, TFinderTriples* light) {
  // The row's colour changes; before the row stands light, so the first
  // run, from the first change, is dark and runs alternate from there. Run
  // k spans changes[k] to changes[k + 1], the last one ending with the row.
  // Light finders too: a row that starts light then starts with a light
  // run, as it would in the inverted plane, and dark runs are the odd ones.
  const int32_t width = FRows->Width();
  int32_t* changes = FChanges.data();
  int32_t count = 0;
  if (light != nullptr && width > 0 && !FRows->Dark(0, y)) changes[count++] = 0;
  const int32_t dark = count;
  EachColourChange(FRows->Row(y), width, false, [&](int32_t x) { changes[count++] = x; });
  if (count < 5) return;
  changes[count] = width;
  int32_t* runs = FRuns.data();
  for (int32_t k = 0; k < count; ++k) runs[k] = changes[k + 1] - changes[k];
  // Every five runs from a dark one, in order along the row; and from a
  // light one for the light finders.
  const int32_t windows = count - 4;
  int32_t* hits = FHits.data();
  RatioHits(runs, windows, hits);
  const int32_t step = light != nullptr ? 1 : 2;
  for (int32_t k = 0; k < windows; k += step) {
    if (hits[k] == 0) continue;
    if (!FKnown.empty()) {
      const double total = runs[k] + runs[k + 1] + runs[k + 2] + runs[k + 3] + runs[k + 4];
      const double cx = changes[k + 2] + runs[k + 2] / 2;
      if (std::any_of(FKnown.begin(), FKnown.end(),
                      [&](const TKnownArea& area) { return area.Covers(cx, y, total / 7); }))
        continue;
    }
    (((k - dark) & 1) == 0 ? this : light)
        ->Confirm({runs[k], runs[k + 1], runs[k + 2], runs[k + 3], runs[k + 4]}, changes[k + 5], y);
  }
}

void TFinderTriples::Confirm(const std::array<int32_t, 5>& runs, int32_t end, int32_t y) {
  const int32_t total = runs[0] + runs[1] + runs[2] + runs[3] + runs[4];
  const int32_t centreStart = end - runs[4] - runs[3] - runs[2];
  const int32_t cx = centreStart + runs[2] / 2;
  const int32_t limit = total * 2;

  // Down the column through the centre: the same five runs. Every walk
  // below tests its bounds before it reads, and cx lies in the row.
  const TBitRows& rows = *FRows;
  const bool light = FLight;
  auto dark = [&rows, light](int32_t px, int32_t py) { return rows.Dark(px, py) != light; };
  std::array<int32_t, 5> v{};
  int32_t up = y;
  while (up >= 0 && dark(cx, up) && y - up < limit) --up;
  int32_t down = y;
  while (down < rows.Height() && dark(cx, down) && down - y < limit) ++down;
  v[2] = down - up - 1;
  int32_t top = up;
  int32_t bottom = down;
  for (size_t step = 0; step < 2; ++step) {
    const bool wantDark = step == 1;
    int32_t count = 0;
    while (top >= 0 && dark(cx, top) == wantDark && count < limit) {
      --top;
      ++count;
    }
    v[1 - step] = count;
    count = 0;
    while (bottom < rows.Height() && dark(cx, bottom) == wantDark && count < limit) {
      ++bottom;
      ++count;
    }
    v[3 + step] = count;
  }
  if (!TFinderCheck::Ratio(v)) return;
  const int32_t vtotal = v[0] + v[1] + v[2] + v[3] + v[4];
  if (vtotal * 2 < total || vtotal > total * 2) return;
  const long double cy = up + 1 + v[2] / 2.0L;

  // Across again through the vertical centre, for an unbiased column.
  // cy is up + 1 + v[2] / 2 exactly: its floor in integers, without the
  // slow change of the x87 rounding mode a conversion would make.
  const int32_t ry = up + 1 + v[2] / 2;
  int32_t left = cx;
  while (left >= 0 && dark(left, ry) && cx - left < limit) --left;
  int32_t right = cx;
  while (right < rows.Width() && dark(right, ry) && right - cx < limit) ++right;
  const int32_t centre = right - left - 1;
  if (centre < 1 || std::fabs(centre - runs[2]) > total / 7.0L * 1.5L) return;

  TFinderCandidate found;
  found.X = left + 1 + centre / 2.0L;
  found.Y = cy;
  found.ModuleX = total / 7.0L;
  found.ModuleY = vtotal / 7.0L;
  found.Module = (found.ModuleX + found.ModuleY) / 2;
  found.Count = 1;
  AddCandidate(found);
}

void TFinderTriples::AddCandidate(const TFinderCandidate& found) {
  auto merge = [this, &found](size_t index) {
    TFinderCandidate& c = FCandidates[index];
    if (std::fabs(c.X - found.X) > c.Module * 1.5L || std::fabs(c.Y - found.Y) > c.Module * 1.5L ||
        found.Module >= c.Module * 1.5L || c.Module >= found.Module * 1.5L)
      return false;
    // Running mean over the confirming rows.
    const long double n = c.Count;
    c.X = (c.X * n + found.X) / (n + 1);
    c.Y = (c.Y * n + found.Y) / (n + 1);
    c.ModuleX = (c.ModuleX * n + found.ModuleX) / (n + 1);
    c.ModuleY = (c.ModuleY * n + found.ModuleY) / (n + 1);
    c.Module = (c.ModuleX + c.ModuleY) / 2;
    ++c.Count;
    return true;
  };
  // A sighting merges with a candidate within 1.5 of its modules, whose
  // centre has drifted at most a module from where it was first seen: look
  // in the grid cells that far round it, or through all candidates when
  // they are fewer than those cells.
  // Whole values go to integers through double, exactly (they are far below
  // 2^53), which spares the x87 rounding-mode switch of a direct conversion.
  auto whole = [](long double v) { return static_cast<int64_t>(static_cast<double>(v)); };
  auto cell = [&whole](long double v) { return whole(std::floor(v / kCell)); };
  const int64_t reach = whole(std::ceil(found.Module * 3.5L / kCell));
  // A sighting lies within the plane, so its cell is on the grid; clamped
  // all the same, as a cell off the grid holds nothing.
  const int64_t fx = std::clamp<int64_t>(cell(found.X), 0, FCellColumns - 1);
  const int64_t fy = std::clamp<int64_t>(cell(found.Y), 0, FCellRows - 1);
  if ((2 * reach + 1) * (2 * reach + 1) > static_cast<int64_t>(FCandidates.size())) {
    for (size_t index = 0; index < FCandidates.size(); ++index)
      if (merge(index)) return;
  } else {
    const int64_t y0 = std::max<int64_t>(fy - reach, 0);
    const int64_t y1 = std::min<int64_t>(fy + reach, FCellRows - 1);
    const int64_t x0 = std::max<int64_t>(fx - reach, 0);
    const int64_t x1 = std::min<int64_t>(fx + reach, FCellColumns - 1);
    for (int64_t cy = y0; cy <= y1; ++cy)
      for (int64_t cx = x0; cx <= x1; ++cx)
        for (int32_t index = FCellFirst[static_cast<size_t>(cy * FCellColumns + cx)]; index >= 0;
             index = FNextInCell[static_cast<size_t>(index)])
          if (merge(static_cast<size_t>(index))) return;
  }
  if (FCandidates.size() >= kMaxRaw) return;
  const auto index = static_cast<int32_t>(FCandidates.size());
  const auto at = static_cast<size_t>(fy * FCellColumns + fx);
  FNextInCell.push_back(-1);
  if (FCellLast[at] < 0)
    FCellFirst[at] = index;
  else
    FNextInCell[static_cast<size_t>(FCellLast[at])] = index;
  FCellLast[at] = index;
  FCandidates.push_back(found);
}

void TFinderTriples::RankCandidates() {
  // A finder is crossed by about three modules' worth of rows; one stray
  // row is no finder.
  std::erase_if(FCandidates, [](const TFinderCandidate& c) { return c.Count < 2; });
  // More candidates than are kept: a busy picture (texture, noise, a
  // large symbol's own modules). Keep those that also cross 1:1:3:1:1 along
  // both diagonals, as a finder does at any rotation, so that look-alikes
  // neither crowd out the real finders nor multiply the triples. Few
  // candidates are all kept: a styled finder (a dot in corner brackets) may
  // not cross diagonally.
  if (FCandidates.size() > static_cast<size_t>(kMaxCandidates))
    std::erase_if(FCandidates, [this](const TFinderCandidate& c) {
      return !TFinderCheck::CrossesDiagonally(*FRows, c, FLight);
    });
  std::stable_sort(
      FCandidates.begin(), FCandidates.end(),
      [](const TFinderCandidate& a, const TFinderCandidate& b) { return a.Count > b.Count; });
  if (FCandidates.size() > static_cast<size_t>(kMaxCandidates))
    FCandidates.resize(static_cast<size_t>(kMaxCandidates));
}

void TFinderTriples::BuildTriples() {
  FDistances = TFinderTriangles::Distances(FCandidates);
  FTriples = TFinderTriangles::Best(FCandidates, FDistances, TFinderTriangles::kPlain,
                                    static_cast<size_t>(kMaxTriples));
}

std::vector<TFinderTriple> TFinderTriples::PerspectiveTriples() const {
  return TFinderTriangles::Best(FCandidates, FDistances, TFinderTriangles::kPerspective,
                                static_cast<size_t>(kMaxPerspectiveTriples));
}

}  // namespace vornak
