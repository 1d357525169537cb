#include "photo/FinderShapes.h"

#include <algorithm>
#include <cmath>

#include "common/Arith.h"
#include "common/BestInOrder.h"
#include "common/WideVectors.h"
#include "symbol/MatchVersionInfo.h"

namespace vornak {

namespace {

using TComponent = TComponents::TComponent;

// Core to light ring area: 9 to 16 modules. A threshold a quarter module off
// either way moves it to about 1.5 or 0.26; blur and glare a little further.
constexpr long double kMinAreaRatio = 0.2L;
constexpr long double kMaxAreaRatio = 2.0L;
constexpr long double kIdealAreaRatio = 9.0L / 16;
// A point of an outline: pixel edges and middles, in double (exact for
// them, and several times quicker over the long outlines of large rings).
struct TOutlinePoint {
  double X = 0;
  double Y = 0;
};

// The index of the point farthest from (x, y) among points.
size_t Farthest(const std::vector<TOutlinePoint>& points, double x, double y) {
  size_t best = 0;
  double far = -1;
  for (size_t i = 0; i < points.size(); ++i) {
    const double dx = points[i].X - x, dy = points[i].Y - y;
    const double here = dx * dx + dy * dy;
    if (here > far) {
      far = here;
      best = i;
    }
  }
  return best;
}

// Where the lines p0-p2 and p1-p3 cross (the projective centre of the
// quadrilateral); the mean of the corners when they do not.
TPointReal Centre(const std::array<TPointReal, 4>& q) {
  const TPointReal d0 = Minus(q[2], q[0]), d1 = Minus(q[3], q[1]);
  const long double den = Cross(d0, d1);
  if (std::fabs(den) < 1e-9L)
    return {(q[0].X + q[1].X + q[2].X + q[3].X) / 4, (q[0].Y + q[1].Y + q[2].Y + q[3].Y) / 4};
  const long double t = Cross(Minus(q[1], q[0]), d1) / den;
  return {q[0].X + t * d0.X, q[0].Y + t * d0.Y};
}

// Row pair a, b halved into out (w pixels): dark where two of the four
// pixels are, so that a thin light ring stays open where it was.
VORNAK_WIDE_VECTORS
void HalveRow(const uint8_t* a, const uint8_t* b, uint8_t* out, int32_t w) {
  for (int32_t x = 0; x < w; ++x) {
    const int32_t dark = (a[2 * x] != 0 ? 1 : 0) + (a[2 * x + 1] != 0 ? 1 : 0) +
                         (b[2 * x] != 0 ? 1 : 0) + (b[2 * x + 1] != 0 ? 1 : 0);
    out[x] = dark >= 2 ? 1 : 0;
  }
}

}  // namespace

void TFinderShapes::Clear() {
  FShapes.clear();
  FTriples.clear();
}

void TFinderShapes::Find(const TPlaneBoolean& plane, const TBitRows* packed) {
  Clear();
  // A large picture is labelled at half its size: its finders are large
  // enough to keep their nesting, and labelling costs by the runs.
  const int64_t pixels = static_cast<int64_t>(plane.Width()) * plane.Height();
  const int32_t scale = pixels > kHalveAbove ? 2 : 1;
  if (scale == 2) {
    const int32_t w = plane.Width() / 2, h = plane.Height() / 2;
    FHalf.Resize(w, h);
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* a = plane.Row(2 * y);
      const uint8_t* b = plane.Row(2 * y + 1);
      uint8_t* out = FHalf.Row(y);
      HalveRow(a, b, out, w);
    }
  }
  if (scale == 2)
    FComponents.Label(FHalf);
  else
    FComponents.Label(plane, packed);
  const auto count = static_cast<int32_t>(FComponents.Components().size());
  // Every ring is judged by its areas first, cheaply; only the most
  // finder-like are traced for their corners (a picture tiled with
  // look-alikes holds thousands).
  std::vector<TRing> rings;
  for (int32_t i = 0; i < count; ++i) {
    TRing ring;
    if (Judge(i, ring)) rings.push_back(ring);
  }
  const std::vector<size_t> order =
      BestInOrder(rings.size(), static_cast<size_t>(2 * kMaxShapes),
                  [&rings](size_t a, size_t b) { return rings[a].Quality < rings[b].Quality; });
  for (size_t i : order) {
    TShape shape;
    if (Trace(rings[i], shape)) FShapes.push_back(shape);
    if (FShapes.size() >= static_cast<size_t>(kMaxShapes)) break;
  }
  // Back to the picture's own pixels.
  for (TShape& shape : FShapes) {
    if (scale == 1) break;
    TFinderCandidate& c = shape.Candidate;
    c.X *= scale;
    c.Y *= scale;
    c.ModuleX *= scale;
    c.ModuleY *= scale;
    c.Module *= scale;
    for (TPointReal& corner : shape.Corners) corner = {corner.X * scale, corner.Y * scale};
    for (long double& module : shape.AxisModules) module *= scale;
  }
  BuildTriples();
}

bool TFinderShapes::Judge(int32_t ringIndex, TRing& ring) const {
  const std::vector<TComponent>& all = FComponents.Components();
  const TComponent& l = all[static_cast<size_t>(ringIndex)];
  if (l.Dark || l.TouchesBorder || l.Parent < 0 || l.Area < 8) return false;
  const int32_t w = l.X1 - l.X0 + 1, h = l.Y1 - l.Y0 + 1;
  if (w < 4 || h < 4) return false;
  // Cheap bounds first: the ring leaves room in its box for a core at least
  // kMinAreaRatio of its own area, and the ring and a core at most
  // kMaxAreaRatio of it fill at least 0.3 of the box.
  const int64_t box = static_cast<int64_t>(w) * h;
  if (static_cast<long double>(box - l.Area) < kMinAreaRatio * l.Area) return false;
  if ((1 + kMaxAreaRatio) * l.Area < 0.3L * box) return false;
  // The ring holds at most one thing of substance, the core (or the core
  // joins the dark ring where the light ring is broken, and it holds
  // nothing but specks).
  const int64_t core = l.LargestChild < 0 ? 0 : all[static_cast<size_t>(l.LargestChild)].Area;
  if (4 * (l.ChildArea - core) > std::max<int64_t>(core, l.Area / 4)) return false;
  if (l.LargestChild >= 0 && 4 * all[static_cast<size_t>(l.LargestChild)].ChildArea > core)
    return false;
  // A ring's pixels balance round the middle of its box.
  if (std::fabs(l.CentreX() - (l.X0 + l.X1 + 1) / 2.0L) > 0.2L * w ||
      std::fabs(l.CentreY() - (l.Y0 + l.Y1 + 1) / 2.0L) > 0.2L * h)
    return false;

  // What the ring spans, row by row: the filled ring.
  const int64_t filled = l.Filled;
  if (filled <= l.Area) return false;
  const long double sumX = l.FilledSumX2 / 2.0L, sumY = l.FilledSumY2 / 2.0L;
  // Core to ring: 9 to 16 modules.
  const long double ratio = static_cast<long double>(filled - l.Area) / l.Area;
  if (ratio < kMinAreaRatio || ratio > kMaxAreaRatio) return false;
  const long double full = static_cast<long double>(filled);
  const long double module = std::sqrt(full / 25);
  // A square turned or seen at a slant still fills much of its box.
  if (full < 0.3L * box || full < 12) return false;
  // The ring is even round the middle; a core joined to the dark ring
  // leaves the middle dark. (A core of its own may hold light: a
  // coloured square in a printed finder.)
  const long double rx = sumX / full, ry = sumY / full;
  if (Length(l.CentreX() - rx, l.CentreY() - ry) > 0.6L * module) return false;
  const auto mx = static_cast<int32_t>(rx), my = static_cast<int32_t>(ry);
  if (static_cast<long double>(core) < kMinAreaRatio * l.Area &&
      (mx < 0 || my < 0 || mx >= FComponents.Width() || my >= FComponents.Height() ||
       !all[static_cast<size_t>(FComponents.At(mx, my))].Dark))
    return false;
  ring.Index = ringIndex;
  ring.Quality = std::fabs(std::log(ratio / kIdealAreaRatio));
  ring.Full = full;
  ring.Middle = {rx, ry};
  return true;
}

bool TFinderShapes::Trace(const TRing& ring, TShape& shape) const {
  const TComponent& l = FComponents.Components()[static_cast<size_t>(ring.Index)];
  const int32_t ringIndex = ring.Index;
  const int32_t w = l.X1 - l.X0 + 1, h = l.Y1 - l.Y0 + 1;
  const long double full = ring.Full;
  const long double module = std::sqrt(full / 25);

  // The outline of the ring: in each row its first and last pixel, in each
  // column its top and bottom one, on the pixel edges where it ends.
  std::vector<TOutlinePoint> outline;
  outline.reserve(static_cast<size_t>(2 * (w + h)));
  std::vector<int32_t> top(static_cast<size_t>(w), -1), bottom(static_cast<size_t>(w), -1);
  for (int32_t y = l.Y0; y <= l.Y1; ++y) {
    int32_t left = -1, right = -1;
    FComponents.EachRun(ringIndex, y, l.X0, l.X1, [&](const TComponents::TRun& r) {
      if (left < 0) left = r.X0;
      right = r.X1;
      for (int32_t x = r.X0; x < r.X1; ++x) {
        const auto column = static_cast<size_t>(x - l.X0);
        if (top[column] < 0) top[column] = y;
        bottom[column] = y;
      }
    });
    if (left < 0) continue;
    outline.push_back({static_cast<double>(left), y + 0.5});
    outline.push_back({static_cast<double>(right), y + 0.5});
  }
  for (int32_t x = 0; x < w; ++x) {
    if (top[static_cast<size_t>(x)] < 0) continue;
    outline.push_back({l.X0 + x + 0.5, static_cast<double>(top[static_cast<size_t>(x)])});
    outline.push_back({l.X0 + x + 0.5, bottom[static_cast<size_t>(x)] + 1.0});
  }
  if (outline.size() < 8) return false;

  // Rough corners: the outline point farthest from the middle, the one
  // farthest from it, and on either side of the diagonal they span the
  // farthest.
  const TOutlinePoint p0 = outline[Farthest(outline, static_cast<double>(ring.Middle.X),
                                            static_cast<double>(ring.Middle.Y))];
  const TOutlinePoint p2 = outline[Farthest(outline, p0.X, p0.Y)];
  const double diagonalX = p2.X - p0.X, diagonalY = p2.Y - p0.Y;
  const double length = std::hypot(diagonalX, diagonalY);
  if (!(length > 0)) return false;
  double most = 0, least = 0;
  TOutlinePoint p1 = p0, p3 = p0;
  for (const TOutlinePoint& p : outline) {
    const double side = (diagonalX * (p.Y - p0.Y) - diagonalY * (p.X - p0.X)) / length;
    if (side > most) {
      most = side;
      p1 = p;
    }
    if (side < least) {
      least = side;
      p3 = p;
    }
  }
  std::array<TPointReal, 4> q = {TPointReal{p0.X, p0.Y}, TPointReal{p1.X, p1.Y},
                                 TPointReal{p2.X, p2.Y}, TPointReal{p3.X, p3.Y}};
  // Sharp corners: a line through the outline points along the middle of
  // each side (away from the rounded or blurred corners), and where
  // neighbouring lines cross.
  std::array<TPointReal, 4> through{}, along{};
  bool lines = true;
  for (size_t i = 0; i < 4 && lines; ++i) {
    const auto ax = static_cast<double>(q[i].X), ay = static_cast<double>(q[i].Y);
    const double dx = static_cast<double>(q[(i + 1) % 4].X) - ax;
    const double dy = static_cast<double>(q[(i + 1) % 4].Y) - ay;
    const double span = std::hypot(dx, dy);
    if (!(span > 0)) {
      lines = false;
      break;
    }
    const double reach = std::max(1.5, 0.15 * span);
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0, n = 0;
    for (const TOutlinePoint& p : outline) {
      const double ex = p.X - ax, ey = p.Y - ay;
      const double t = (ex * dx + ey * dy) / (span * span);
      const double off = (dx * ey - dy * ex) / span;
      if (t < 0.2 || t > 0.8 || std::fabs(off) > reach) continue;
      sx += p.X;
      sy += p.Y;
      sxx += p.X * p.X;
      sxy += p.X * p.Y;
      syy += p.Y * p.Y;
      ++n;
    }
    if (n < 3) {
      lines = false;
      break;
    }
    // The principal direction of the points.
    const double mx = sx / n, my = sy / n;
    const double cxx = sxx / n - mx * mx, cxy = sxy / n - mx * my, cyy = syy / n - my * my;
    const double angle = std::atan2(2 * cxy, cxx - cyy) / 2;
    through[i] = {mx, my};
    along[i] = {std::cos(angle), std::sin(angle)};
  }
  if (lines) {
    std::array<TPointReal, 4> sharp{};
    for (size_t i = 0; i < 4 && lines; ++i) {
      // Corner i lies where side i - 1 meets side i.
      const size_t before = (i + 3) % 4;
      const long double den = Cross(along[before], along[i]);
      if (std::fabs(den) < 0.2L) {
        lines = false;
        break;
      }
      const long double t = Cross(Minus(through[i], through[before]), along[i]) / den;
      sharp[i] = {through[before].X + t * along[before].X, through[before].Y + t * along[before].Y};
      // The crossing may not stray far from the rough corner.
      if (Distance(sharp[i], q[i]) > 0.75L * module) lines = false;
    }
    if (lines) q = sharp;
  }
  // A round finder has no corners to speak of: its quadrilateral leaves
  // out much of it. Such finders are read by their runs.
  const long double quadArea = std::fabs(Cross(Minus(q[2], q[0]), Minus(q[3], q[1]))) / 2;
  if (quadArea < 0.8L * full || quadArea > 1.3L * full) return false;

  shape.Corners = q;
  const TPointReal a{(q[1].X - q[0].X + q[2].X - q[3].X) / 2,
                     (q[1].Y - q[0].Y + q[2].Y - q[3].Y) / 2};
  const TPointReal b{(q[3].X - q[0].X + q[2].X - q[1].X) / 2,
                     (q[3].Y - q[0].Y + q[2].Y - q[1].Y) / 2};
  const long double la = Length(a.X, a.Y), lb = Length(b.X, b.Y);
  if (!(la > 0) || !(lb > 0)) return false;
  shape.Axes = {TPointReal{a.X / la, a.Y / la}, TPointReal{b.X / lb, b.Y / lb}};
  shape.AxisModules = {la / 5, lb / 5};
  const TPointReal centre = Centre(q);
  shape.Candidate.X = centre.X;
  shape.Candidate.Y = centre.Y;
  shape.Candidate.ModuleX = shape.Candidate.ModuleY = shape.Candidate.Module = (la + lb) / 10;
  shape.Candidate.Count =
      static_cast<int32_t>(std::min<long double>(full / (module * module), 1e6L));
  return true;
}

bool TFinderShapes::OrderedCorners(const TTriple& triple,
                                   std::array<std::array<TPointReal, 4>, 3>& corners) const {
  const TShape& o = triple.Members[0];
  const TShape& a = triple.Members[1];
  const TShape& b = triple.Members[2];
  // Each corner's place along the symbol's axes, in the basis of the two
  // legs, tells which corner of its square it is.
  const TPointReal ea{a.Candidate.X - o.Candidate.X, a.Candidate.Y - o.Candidate.Y};
  const TPointReal eb{b.Candidate.X - o.Candidate.X, b.Candidate.Y - o.Candidate.Y};
  const long double det = Cross(ea, eb);
  if (!(std::fabs(det) > 0)) return false;
  const std::array<const TShape*, 3> shapes = {&o, &a, &b};
  for (size_t k = 0; k < 3; ++k) {
    const TShape& s = *shapes[k];
    const TPointReal c{s.Candidate.X, s.Candidate.Y};
    std::array<TPointReal, 4> along{};
    size_t plusPlus = 0;
    for (size_t i = 0; i < 4; ++i) {
      const TPointReal d = Minus(s.Corners[i], c);
      along[i] = TPointReal{Cross(d, eb) / det, Cross(ea, d) / det};
      if (along[i].X + along[i].Y > along[plusPlus].X + along[plusPlus].Y) plusPlus = i;
    }
    // The corners turn round the quadrilateral: the one across from (+, +)
    // is (-, -), and of the other two the one further along axis A is (+, -).
    const size_t minusMinus = (plusPlus + 2) % 4;
    size_t plusMinus = (plusPlus + 1) % 4, minusPlus = (plusPlus + 3) % 4;
    if (along[plusMinus].X - along[plusMinus].Y < along[minusPlus].X - along[minusPlus].Y)
      std::swap(plusMinus, minusPlus);
    corners[k] = {s.Corners[minusMinus], s.Corners[plusMinus], s.Corners[minusPlus],
                  s.Corners[plusPlus]};
  }
  return true;
}

bool TFinderShapes::FitGrid(const TTriple& triple, int32_t side, THomography& t) const {
  std::vector<TPointReal> from, to;
  return GridPoints(triple, side, from, to) && t.FitLeastSquares(from, to);
}

bool TFinderShapes::GridPoints(const TTriple& triple, int32_t side, std::vector<TPointReal>& from,
                               std::vector<TPointReal>& to) const {
  from.clear();
  to.clear();
  std::array<std::array<TPointReal, 4>, 3> corners{};
  if (!OrderedCorners(triple, corners)) return false;
  // Module-space squares of the light rings: one module in from each
  // finder's outer edge, five modules a side.
  const long double near = 1, far = side - 1;
  const std::array<std::array<long double, 4>, 3> squares = {{{near, near + 5, near, near + 5},
                                                              {far - 5, far, near, near + 5},
                                                              {near, near + 5, far - 5, far}}};
  for (size_t k = 0; k < 3; ++k) {
    const std::array<long double, 4>& q = squares[k];
    from.insert(from.end(), {TPointReal{q[0], q[2]}, TPointReal{q[1], q[2]}, TPointReal{q[0], q[3]},
                             TPointReal{q[1], q[3]}});
    to.insert(to.end(), corners[k].begin(), corners[k].end());
  }
  return true;
}

int32_t TFinderShapes::Misreads(const TTriple& triple, int32_t k,
                                const TPlaneBoolean& plane) const {
  constexpr int32_t kAll = 64;
  std::array<std::array<TPointReal, 4>, 3> corners{};
  if (k < 0 || k > 2 || !OrderedCorners(triple, corners)) return kAll;
  // The finder's own modules 0..6 both ways, its light ring's outer edge
  // at 1 and 6; the separator one module further towards the symbol.
  THomography local;
  if (!local.Fit({TPointReal{1, 1}, TPointReal{6, 1}, TPointReal{1, 6}, TPointReal{6, 6}},
                 corners[static_cast<size_t>(k)]))
    return kAll;
  const int32_t i0 = k == 1 ? -1 : 0, j0 = k == 2 ? -1 : 0;
  const bool washed = triple.Members[static_cast<size_t>(k)].Washed;
  int32_t misreads = 0;
  for (int32_t j = j0; j < j0 + 8; ++j)
    for (int32_t i = i0; i < i0 + 8; ++i) {
      const int32_t ring = std::max(std::abs(i - 3), std::abs(j - 3));
      const bool dark = ring <= 1 || ring == 3;
      // Glare that washed a finder out may have left some of its dark
      // modules; only light ones read dark count against it.
      if (washed && dark) continue;
      const TPointReal p = local.Map(i + 0.5L, j + 0.5L);
      const bool read = plane.At(FloorToPixel(p.X), FloorToPixel(p.Y), 0) != 0;
      misreads += read != dark ? 1 : 0;
    }
  return misreads;
}

bool TFinderShapes::ReadsAsFinders(const TTriple& triple, const TPlaneBoolean& plane) const {
  for (int32_t k = 0; k < 3; ++k)
    if (Misreads(triple, k, plane) > kMaxMisreads) return false;
  return true;
}

int32_t TFinderShapes::ReadVersion(const TTriple& triple, const TPlaneBoolean& plane) const {
  std::array<std::array<TPointReal, 4>, 3> corners{};
  if (!OrderedCorners(triple, corners)) return 0;
  // Each block of version information lies beside one of the finders
  // that end the axes, within six modules of its light ring: read through
  // that finder's own frame (the transform of its four corners), which a
  // bent or steeply slanted symbol leaves true there even where a grid
  // over the whole symbol is not. Local frame: the light ring spans
  // 0..5 both ways.
  const std::array<TPointReal, 4> square = {TPointReal{0, 0}, TPointReal{5, 0}, TPointReal{0, 5},
                                            TPointReal{5, 5}};
  std::array<int32_t, 2> versions = {0, 0};
  for (size_t k = 1; k < 3; ++k) {
    THomography local;
    if (!local.Fit(square, corners[k])) continue;
    // Block beside the axis A end: columns side - 11 .. side - 9, rows
    // 0 .. 5, i.e. local columns -5 .. -3 and rows -1 .. 4; beside the
    // axis B end the same transposed.
    TBooleans bits(18);
    for (int32_t i = 0; i < 6; ++i)
      for (int32_t j = 0; j < 3; ++j) {
        const long double across = -5 + j + 0.5L, along = -1 + i + 0.5L;
        const TPointReal p = k == 1 ? local.Map(across, along) : local.Map(along, across);
        bits[static_cast<size_t>(3 * i + j)] =
            plane.At(FloorToPixel(p.X), FloorToPixel(p.Y), 0) != 0;
      }
    versions[k - 1] = MatchVersionInfo(bits);
  }
  // Any eighteen bits lie within reach of some version's word about one
  // time in eight: a name counts when both blocks give it, or one gives it
  // near the version the finders' spacing suggests.
  if (versions[0] > 0 && versions[0] == versions[1]) return versions[0];
  const long double estimate = (triple.Span + 7 - 17) / 4;
  for (int32_t version : versions)
    if (version > 0 && std::fabs(version - estimate) <= 2.5L) return version;
  return 0;
}

TFinderShapes::TTriple TFinderShapes::MakeTriple(const TShape& o, const TShape& a, const TShape& b,
                                                 std::array<int32_t, 3> indices, long double span,
                                                 long double score) {
  TTriple triple;
  const TPointReal va{a.Candidate.X - o.Candidate.X, a.Candidate.Y - o.Candidate.Y};
  const TPointReal vb{b.Candidate.X - o.Candidate.X, b.Candidate.Y - o.Candidate.Y};
  // Axis A turns clockwise onto axis B (y grows downward).
  const bool swapped = Cross(va, vb) < 0;
  const TShape& first = swapped ? b : a;
  const TShape& second = swapped ? a : b;
  triple.Shapes = {indices[0], indices[swapped ? 2 : 1], indices[swapped ? 1 : 2]};
  triple.Members = {o, first, second};
  triple.Triple.Finders = {o.Candidate, first.Candidate, second.Candidate};
  triple.Triple.Module = (o.Candidate.Module + a.Candidate.Module + b.Candidate.Module) / 3;
  triple.Span = span;
  triple.Score = score;
  triple.Triple.Score = score;
  return triple;
}

void TFinderShapes::BuildTriples() {
  const size_t n = FShapes.size();
  // For each ordered pair, which axis of the first shape the line to the
  // second runs along, how far off, and the modules between them along it.
  struct TLeg {
    bool Along = false;
    int32_t Axis = 0;
    long double Sine = 0;
    long double Modules = 0;
  };
  std::vector<TLeg> legs(n * n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      if (i == j) continue;
      const TShape& s = FShapes[i];
      const TShape& t = FShapes[j];
      const TPointReal v{t.Candidate.X - s.Candidate.X, t.Candidate.Y - s.Candidate.Y};
      const long double length = Length(v.X, v.Y);
      if (!(length > 0)) continue;
      const TPointReal u{v.X / length, v.Y / length};
      TLeg& leg = legs[i * n + j];
      const long double sine0 = std::fabs(Cross(u, s.Axes[0]));
      const long double sine1 = std::fabs(Cross(u, s.Axes[1]));
      leg.Axis = sine0 <= sine1 ? 0 : 1;
      leg.Sine = std::min(sine0, sine1);
      // The axis of the other end that the line runs along.
      const long double other0 = std::fabs(Cross(u, t.Axes[0]));
      const long double other1 = std::fabs(Cross(u, t.Axes[1]));
      const int32_t otherAxis = other0 <= other1 ? 0 : 1;
      const long double otherSine = std::min(other0, other1);
      const long double module = (s.AxisModules[static_cast<size_t>(leg.Axis)] +
                                  t.AxisModules[static_cast<size_t>(otherAxis)]) /
                                 2;
      leg.Modules = length / module;
      leg.Sine = std::max(leg.Sine, otherSine);
      // Finder centres of one symbol lie 14 (version 1) to 170 modules
      // apart; under perspective the mean module of the ends is rough.
      leg.Along = leg.Sine <= kAxisSine && leg.Modules >= 10 && leg.Modules <= 190;
    }
  }
  std::vector<TTriple> found;
  for (size_t o = 0; o < n; ++o) {
    for (size_t a = 0; a < n; ++a) {
      if (a == o || !legs[o * n + a].Along) continue;
      for (size_t b = a + 1; b < n; ++b) {
        if (b == o || !legs[o * n + b].Along) continue;
        const TLeg& la = legs[o * n + a];
        const TLeg& lb = legs[o * n + b];
        // The legs leave the corner along its two different axes and span
        // about as many modules.
        if (la.Axis == lb.Axis) continue;
        const long double ratio = la.Modules / lb.Modules;
        if (ratio > kLegRatio || ratio < 1 / kLegRatio) continue;
        const auto index = [](size_t i) { return static_cast<int32_t>(i); };
        const TTriple triple = MakeTriple(
            FShapes[o], FShapes[a], FShapes[b], {index(o), index(a), index(b)},
            (la.Modules + lb.Modules) / 2, la.Sine + lb.Sine + std::fabs(std::log(ratio)));
        found.push_back(triple);
      }
    }
  }
  const std::vector<size_t> order =
      BestInOrder(found.size(), static_cast<size_t>(kMaxTriples),
                  [&found](size_t x, size_t y) { return found[x].Score < found[y].Score; });
  for (size_t i : order) FTriples.push_back(found[i]);
}

}  // namespace vornak
