#include "photo/FinderTriples.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "common/Geometry.h"
#include "common/WideVectors.h"
#include "locate/BitRows.h"

namespace vornak {

namespace {

// Candidates kept while scanning; a busy picture cannot grow the list (and
// the merge cost) without bound.
constexpr size_t kMaxRaw = 400;
// Side of the merge grid's cells, pixels.
constexpr long double kCell = 16;

// True when five runs (dark, light, dark, light, dark) keep 1:1:3:1:1 within
// the tolerance a tilted, blurred photograph needs: each single run within
// 0.6 of a module of one module, the centre within 1.5 modules of three,
// a module being a seventh of the total. In integers, scaled by 7 * 10.
[[gnu::always_inline]] inline bool FinderRatio(const std::array<int32_t, 5>& r) {
  const int32_t total = r[0] + r[1] + r[2] + r[3] + r[4];
  // All six tests at once, without a branch: in a busy picture which one
  // fails is as good as random and a branch per test would often guess
  // wrong.
  const auto test = [](bool passes) { return passes ? 1 : 0; };
  const auto single = [&](int32_t run) {
    return test(10 * std::abs(7 * run - total) <= 6 * total);
  };
  return (test(total >= 7) & single(r[0]) & single(r[1]) & single(r[3]) & single(r[4]) &
          test(10 * std::abs(7 * r[2] - 3 * total) <= 15 * total)) != 0;
}

// hits[k] = 1 where runs[k .. k + 4] pass FinderRatio, for k < windows: all
// windows at once, several to an instruction, before any is confirmed.
VORNAK_WIDE_VECTORS
void RatioHits(const int32_t* runs, int32_t windows, int32_t* hits) {
  for (int32_t k = 0; k < windows; ++k)
    hits[k] = FinderRatio({runs[k], runs[k + 1], runs[k + 2], runs[k + 3], runs[k + 4]}) ? 1 : 0;
}

// Distance in pixels from (x, y) along the unit step (dx, dy) to where the
// dark ring ends: dark core, light ring, dark ring, then light; -1 when that
// does not happen within limit. Half-pixel steps keep a one-pixel run.
double RingEdge(const TPlaneBoolean& plane, double x, double y, double dx, double dy,
                double limit) {
  int32_t phase = 0;  // 0 core, 1 light ring, 2 dark ring
  for (double t = 0; t < limit; t += 0.5) {
    const double px = x + t * dx, py = y + t * dy;
    if (!(px >= 0 && py >= 0 && px < plane.Width() && py < plane.Height())) return -1;
    const bool dark = plane(static_cast<int32_t>(px), static_cast<int32_t>(py)) != 0;
    if (phase == 0 && !dark) {
      phase = 1;
    } else if (phase == 1 && dark) {
      phase = 2;
    } else if (phase == 2 && !dark) {
      return t;
    }
  }
  return -1;
}

// Whether the line through (x, y) along the diagonal step (dx, dy) crosses
// dark core, light ring, dark ring either way in 1:1:3:1:1.
bool DiagonalRatio(const TPlaneBoolean& plane, int32_t x, int32_t y, int32_t dx, int32_t dy,
                   int32_t limit) {
  const auto inside = [&plane](int32_t px, int32_t py) {
    return px >= 0 && py >= 0 && px < plane.Width() && py < plane.Height();
  };
  if (!inside(x, y) || plane(x, y) == 0) return false;
  std::array<int32_t, 5> v{};
  // Out from the centre one way (sign 1) and the other (sign -1): the dark
  // core, then the light ring, then the dark ring.
  for (const int32_t sign : {1, -1}) {
    int32_t px = x + sign * dx, py = y + sign * dy;
    for (int32_t run = 0; run < 3; ++run) {
      const bool wantDark = run != 1;
      int32_t count = 0;
      while (inside(px, py) && (plane(px, py) != 0) == wantDark && count < limit) {
        px += sign * dx;
        py += sign * dy;
        ++count;
      }
      if (run == 0)
        v[2] += count;
      else
        v[static_cast<size_t>(sign > 0 ? 2 + run : 2 - run)] = count;
    }
  }
  ++v[2];  // the centre itself
  return FinderRatio(v);
}

// Whether both diagonals through the candidate's centre cross it in
// 1:1:3:1:1: every line through the centre of concentric squares cuts them
// in proportion, whatever their rotation (and nearly so under perspective).
bool CrossesDiagonally(const TPlaneBoolean& plane, const TFinderCandidate& c) {
  // Whole values to integers through double, as elsewhere here.
  const auto x = static_cast<int32_t>(static_cast<double>(c.X));
  const auto y = static_cast<int32_t>(static_cast<double>(c.Y));
  // A run along a diagonal spans at most the finder's seven modules of
  // either axis; twice that allows for a stretched one.
  const auto limit = static_cast<int32_t>(static_cast<double>(c.Module) * 14) + 2;
  return DiagonalRatio(plane, x, y, 1, 1, limit) && DiagonalRatio(plane, x, y, 1, -1, limit);
}

// A necessary condition for TFinderTriples::TripleShape in double
// precision, with margins far above the rounding of either precision, that
// turns most of a busy picture's triangles away before the 80-bit work.
// Whenever TripleShape accepts, its corner (the angle nearest a right one)
// has the largest angle: an angle of 60 to 120 degrees is nearer a right
// one than any larger angle, as the three sum to 180. The largest angle
// faces the longest side (an equal angle has the same legs), so there the
// legs and the angle must pass its bounds. side[i] faces vertex i.
bool MayBeTriple(const std::array<const TFinderCandidate*, 3>& p,
                 const std::array<double, 3>& side) {
  constexpr double kMargin = 1e-9;
  std::array<double, 3> module{};
  for (size_t i = 0; i < 3; ++i) module[i] = static_cast<double>(p[i]->Module);
  const double minModule = std::min({module[0], module[1], module[2]});
  const double maxModule = std::max({module[0], module[1], module[2]});
  if (maxModule > minModule * 1.8 * (1 + kMargin)) return false;
  size_t corner = 0;
  for (size_t i = 1; i < 3; ++i)
    if (side[i] > side[corner]) corner = i;
  const size_t si = (corner + 1) % 3, ti = (corner + 2) % 3;
  const double ls = side[ti], lt = side[si];
  const double shortLeg = std::min(ls, lt), longLeg = std::max(ls, lt);
  if (longLeg > shortLeg * (1.6 + kMargin)) return false;
  const double mean = (module[0] + module[1] + module[2]) / 3;
  if (shortLeg < mean * (9 - kMargin) || longLeg > mean * (185 + kMargin)) return false;
  const double ox = static_cast<double>(p[corner]->X), oy = static_cast<double>(p[corner]->Y);
  const double dot = (static_cast<double>(p[si]->X) - ox) * (static_cast<double>(p[ti]->X) - ox) +
                     (static_cast<double>(p[si]->Y) - oy) * (static_cast<double>(p[ti]->Y) - oy);
  return std::fabs(dot) <= (0.5 + kMargin) * ls * lt;
}

}  // namespace

void TFinderTriples::Clear() {
  FCandidates.clear();
  FTriples.clear();
  FCellFirst.clear();
  FCellLast.clear();
  FNextInCell.clear();
  FCellColumns = FCellRows = 0;
  FSearched = false;
}

int32_t TFinderTriples::Find(const TPlaneBoolean& plane) {
  Clear();
  // Candidates lie within the plane; one spare cell either way.
  FCellColumns = static_cast<int64_t>(std::floor(plane.Width() / kCell)) + 2;
  FCellRows = static_cast<int64_t>(std::floor(plane.Height() / kCell)) + 2;
  FCellFirst.assign(static_cast<size_t>(FCellColumns * FCellRows), -1);
  FCellLast.assign(FCellFirst.size(), -1);
  FBits.Pack(plane, plane.Width(), plane.Height());
  // A row has at most one change per pixel, and one more entry for its end.
  const size_t most = static_cast<size_t>(plane.Width()) + 1;
  FChanges.resize(most);
  FRuns.resize(most);
  FHits.resize(most);
  for (int32_t y = 0; y < plane.Height(); ++y) ScanRow(plane, y);
  RankCandidates(plane);
  BuildTriples();
  FSearched = true;
  return static_cast<int32_t>(FTriples.size());
}

void TFinderTriples::ScanRow(const TPlaneBoolean& plane, int32_t y) {
  // The row's colour changes; before the row stands light, so the first
  // run, from the first change, is dark and runs alternate from there. Run
  // k spans changes[k] to changes[k + 1], the last one ending with the row.
  const int32_t width = FBits.Width();
  int32_t* changes = FChanges.data();
  int32_t count = 0;
  EachColourChange(FBits.Row(y), width, false, [&](int32_t x) { changes[count++] = x; });
  if (count < 5) return;
  changes[count] = width;
  int32_t* runs = FRuns.data();
  for (int32_t k = 0; k < count; ++k) runs[k] = changes[k + 1] - changes[k];
  // Every five runs from a dark one (k even), in order along the row.
  const int32_t windows = count - 4;
  int32_t* hits = FHits.data();
  RatioHits(runs, windows, hits);
  for (int32_t k = 0; k < windows; k += 2)
    if (hits[k] != 0)
      Confirm(plane, {runs[k], runs[k + 1], runs[k + 2], runs[k + 3], runs[k + 4]}, changes[k + 5],
              y);
}

void TFinderTriples::Confirm(const TPlaneBoolean& plane, const std::array<int32_t, 5>& runs,
                             int32_t end, int32_t y) {
  const int32_t total = runs[0] + runs[1] + runs[2] + runs[3] + runs[4];
  const int32_t centreStart = end - runs[4] - runs[3] - runs[2];
  const int32_t cx = centreStart + runs[2] / 2;
  const int32_t limit = total * 2;

  // Down the column through the centre: the same five runs. Every walk
  // below tests its bounds before it reads, and cx lies in the row.
  const uint8_t* pixels = plane.Data().data();
  const auto stride = static_cast<ptrdiff_t>(plane.Width());
  auto dark = [pixels, stride](int32_t px, int32_t py) { return pixels[py * stride + px] != 0; };
  std::array<int32_t, 5> v{};
  int32_t up = y;
  while (up >= 0 && dark(cx, up) && y - up < limit) --up;
  int32_t down = y;
  while (down < plane.Height() && dark(cx, down) && down - y < limit) ++down;
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
    while (bottom < plane.Height() && dark(cx, bottom) == wantDark && count < limit) {
      ++bottom;
      ++count;
    }
    v[3 + step] = count;
  }
  if (!FinderRatio(v)) return;
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
  while (right < plane.Width() && dark(right, ry) && right - cx < limit) ++right;
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

void TFinderTriples::RankCandidates(const TPlaneBoolean& plane) {
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
    std::erase_if(FCandidates,
                  [&plane](const TFinderCandidate& c) { return !CrossesDiagonally(plane, c); });
  std::stable_sort(
      FCandidates.begin(), FCandidates.end(),
      [](const TFinderCandidate& a, const TFinderCandidate& b) { return a.Count > b.Count; });
  if (FCandidates.size() > static_cast<size_t>(kMaxCandidates))
    FCandidates.resize(static_cast<size_t>(kMaxCandidates));
}

bool TFinderTriples::MakeTriple(const TFinderCandidate& a, const TFinderCandidate& b,
                                const TFinderCandidate& c, TFinderTriple& triple) {
  return MakeTriple(a, b, c, {Distance(b, c), Distance(c, a), Distance(a, b)}, triple);
}

bool TFinderTriples::MakeTriple(const TFinderCandidate& a, const TFinderCandidate& b,
                                const TFinderCandidate& c, const std::array<long double, 3>& side,
                                TFinderTriple& triple) {
  const std::array<const TFinderCandidate*, 3> p = {&a, &b, &c};
  TTripleShape shape;
  if (!TripleShape(p, side, shape)) return false;
  BuildTriple(p, shape, triple);
  return true;
}

bool TFinderTriples::TripleShape(const std::array<const TFinderCandidate*, 3>& p,
                                 const std::array<long double, 3>& side, TTripleShape& shape) {
  const TFinderCandidate &a = *p[0], &b = *p[1], &c = *p[2];
  const long double minModule = std::min({a.Module, b.Module, c.Module});
  const long double maxModule = std::max({a.Module, b.Module, c.Module});
  if (minModule <= 0 || maxModule > minModule * 1.8L) return false;

  // The corner is the vertex whose legs come nearest a right angle. Side i
  // faces vertex i.
  size_t corner = 0;
  long double bestCos = 2;
  for (size_t i = 0; i < 3; ++i) {
    const TFinderCandidate& o = *p[i];
    const TFinderCandidate& s = *p[(i + 1) % 3];
    const TFinderCandidate& t = *p[(i + 2) % 3];
    const long double ls = side[(i + 2) % 3];
    const long double lt = side[(i + 1) % 3];
    if (ls <= 0 || lt <= 0) return false;
    const long double cosine =
        std::fabs(((s.X - o.X) * (t.X - o.X) + (s.Y - o.Y) * (t.Y - o.Y)) / (ls * lt));
    if (cosine < bestCos) {
      bestCos = cosine;
      corner = i;
    }
  }
  if (bestCos > 0.5L) return false;
  const TFinderCandidate& o = *p[corner];
  const TFinderCandidate* s = p[(corner + 1) % 3];
  const TFinderCandidate* t = p[(corner + 2) % 3];
  const long double ls = side[(corner + 2) % 3];
  const long double lt = side[(corner + 1) % 3];
  const long double legRatio = std::max(ls, lt) / std::min(ls, lt);
  if (legRatio > 1.6L) return false;
  const long double module = (a.Module + b.Module + c.Module) / 3;
  // Finder centres of one symbol lie 14 (version 1) to 170 modules apart;
  // the module measured across a tilted finder runs up to 1.5 times long.
  const long double legModules = std::min(ls, lt) / module;
  if (legModules < 9 || std::max(ls, lt) / module > 185) return false;

  // Axis A must turn clockwise onto axis B (y grows downward).
  const long double cross = (s->X - o.X) * (t->Y - o.Y) - (s->Y - o.Y) * (t->X - o.X);
  shape.Corner = corner;
  shape.Swapped = cross < 0;
  shape.Module = module;
  shape.Score = 2 * bestCos + (legRatio - 1) + (maxModule / minModule - 1);
  return true;
}

void TFinderTriples::BuildTriple(const std::array<const TFinderCandidate*, 3>& p,
                                 const TTripleShape& shape, TFinderTriple& triple) {
  const TFinderCandidate* s = p[(shape.Corner + 1) % 3];
  const TFinderCandidate* t = p[(shape.Corner + 2) % 3];
  if (shape.Swapped) std::swap(s, t);
  triple.Finders = {*p[shape.Corner], *s, *t};
  triple.Module = shape.Module;
  triple.Score = shape.Score;
}

void TFinderTriples::BuildTriples() {
  const size_t n = FCandidates.size();
  // Each distance once; it reads the same either way round.
  std::vector<long double> distance(n * n, 0);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      distance[i * n + j] = distance[j * n + i] = Distance(FCandidates[i], FCandidates[j]);
  // Every triangle's shape, a small record: a busy picture's many are
  // ranked before the few best are built.
  struct TFound {
    std::array<size_t, 3> Vertices{};
    TTripleShape Shape;
  };
  std::vector<TFound> found;
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j)
      for (size_t k = j + 1; k < n; ++k) {
        const std::array<const TFinderCandidate*, 3> p = {&FCandidates[i], &FCandidates[j],
                                                          &FCandidates[k]};
        const std::array<long double, 3> side = {distance[j * n + k], distance[k * n + i],
                                                 distance[i * n + j]};
        if (!MayBeTriple(p, {static_cast<double>(side[0]), static_cast<double>(side[1]),
                             static_cast<double>(side[2])}))
          continue;
        TFound triangle;
        if (!TripleShape(p, side, triangle.Shape)) continue;
        triangle.Vertices = {i, j, k};
        found.push_back(triangle);
      }
  // The best by score, ties in the order found.
  const std::vector<size_t> order = BestInOrder(
      found.size(), static_cast<size_t>(kMaxTriples),
      [&found](size_t x, size_t y) { return found[x].Shape.Score < found[y].Shape.Score; });
  const size_t kept = order.size();
  FTriples.resize(kept);
  for (size_t i = 0; i < kept; ++i) {
    const TFound& f = found[order[i]];
    BuildTriple(
        {&FCandidates[f.Vertices[0]], &FCandidates[f.Vertices[1]], &FCandidates[f.Vertices[2]]},
        f.Shape, FTriples[i]);
  }
}

int32_t TFinderTriples::FinderMisreads(const TPlaneBoolean& plane, const TFinderTriple& triple,
                                       int32_t index, int32_t limit) {
  constexpr int32_t kAll = 64;
  if (index < 0 || index > 2) return kAll;
  const TFinderCandidate& o = triple.Finders[0];
  double ax = static_cast<double>(triple.Finders[1].X - o.X);
  double ay = static_cast<double>(triple.Finders[1].Y - o.Y);
  double bx = static_cast<double>(triple.Finders[2].X - o.X);
  double by = static_cast<double>(triple.Finders[2].Y - o.Y);
  const double la = std::sqrt(ax * ax + ay * ay), lb = std::sqrt(bx * bx + by * by);
  if (!(la > 0) || !(lb > 0) || !std::isfinite(la) || !std::isfinite(lb)) return kAll;
  ax /= la;
  ay /= la;
  bx /= lb;
  by /= lb;
  const TFinderCandidate& f = triple.Finders[static_cast<size_t>(index)];
  const auto fx = static_cast<double>(f.X), fy = static_cast<double>(f.Y);
  // The ring ends 3.5 modules out; a little more than twice that allows for
  // a candidate whose runs came out short.
  const double reach = 8 * static_cast<double>(f.Module) + 4;
  const double a1 = RingEdge(plane, fx, fy, ax, ay, reach);
  const double a2 = RingEdge(plane, fx, fy, -ax, -ay, reach);
  const double b1 = RingEdge(plane, fx, fy, bx, by, reach);
  const double b2 = RingEdge(plane, fx, fy, -bx, -by, reach);
  if ((a1 < 0 && a2 < 0) || (b1 < 0 && b2 < 0)) return kAll;
  // Where the ring runs into a dark surround, the other side stands in.
  const double ea = a1 < 0 ? a2 : a1, wa = a2 < 0 ? a1 : a2;
  const double eb = b1 < 0 ? b2 : b1, wb = b2 < 0 ? b1 : b2;
  const double ma = (ea + wa) / 7, mb = (eb + wb) / 7;
  const double cx = fx + (ea - wa) / 2 * ax + (eb - wb) / 2 * bx;
  const double cy = fy + (ea - wa) / 2 * ay + (eb - wb) / 2 * by;
  // Module offsets from the finder's centre module: the separator lies
  // towards the symbol, past axis A's start for the axis A finder, past
  // axis B's start for the axis B finder.
  const int32_t i0 = index == 1 ? -4 : -3, j0 = index == 2 ? -4 : -3;
  int32_t misreads = 0;
  for (int32_t j = j0; j < j0 + 8; ++j) {
    for (int32_t i = i0; i < i0 + 8; ++i) {
      const int32_t ring = std::max(std::abs(i), std::abs(j));
      const bool dark = ring <= 1 || ring == 3;
      const double px = cx + ma * i * ax + mb * j * bx;
      const double py = cy + ma * i * ay + mb * j * by;
      const bool inside = px >= 0 && py >= 0 && px < plane.Width() && py < plane.Height();
      const bool read = inside && plane(static_cast<int32_t>(px), static_cast<int32_t>(py)) != 0;
      if (read != dark && ++misreads > limit) return misreads;
    }
  }
  return misreads;
}

bool TFinderTriples::ReadsAsFinders(const TPlaneBoolean& plane, const TFinderTriple& triple) {
  for (int32_t i = 0; i < 3; ++i)
    if (FinderMisreads(plane, triple, i, kMaxFinderMisreads) > kMaxFinderMisreads) return false;
  return true;
}

}  // namespace vornak
