#include "photo/ThirdFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

#include "common/Arith.h"
#include "common/BestInOrder.h"
#include "common/Geometry.h"

namespace vornak {

namespace {

using TShape = TFinderShapes::TShape;
using TTriple = TFinderShapes::TTriple;

// A line between two finders of one symbol runs along the axes (a side,
// within TFinderShapes::kAxisSine) or across them at 45 degrees (the
// diagonal, its sines to both axes alike within this).
constexpr long double kSideSine = TFinderShapes::kAxisSine;
constexpr long double kDiagonalMismatch = 0.3L;
// Module sizes of two finders of one symbol, even under perspective.
constexpr long double kModuleRatio = 1.6L;
// Steps of the search in modules, and the module sizes tried against the
// finder beside it: where the third lies, perspective stretches or shrinks
// it, a sixth at a moderate slant and more at a steep one. A finder a sixth
// off in size, or read from a third of a module off its centre, misreads
// its rings' edges: the coarse search tries the smallest, middle and
// largest size and keeps its best place within kCoarseSlack times the
// bound, which only the fine search round it must meet.
constexpr long double kStep = 0.6L;
constexpr long double kFineStep = 0.15L;
constexpr std::array<long double, 5> kScales = {1.0L, 0.95L, 1.05L, 0.85L, 1.18L};
constexpr int32_t kCoarseSlack = 2;
constexpr std::array<long double, 3> kCoarseScales = {1.0L, 0.85L, 1.18L};

// A frame at a finder: its centre, the unit axes and the module size along
// each.
struct TFrame {
  TPointReal Centre;
  std::array<TPointReal, 2> Axes{};
  std::array<long double, 2> Modules{};

  TPointReal At(long double i, long double j) const {
    return {Centre.X + i * Modules[0] * Axes[0].X + j * Modules[1] * Axes[1].X,
            Centre.Y + i * Modules[0] * Axes[0].Y + j * Modules[1] * Axes[1].Y};
  }
};

// Whether the module (i, j) of a frame reads dark, in double precision: the
// searches read thousands of places. Outside the plane is light.
class TFrameReader {
 public:
  TFrameReader(const TPlaneBoolean& plane, const TFrame& frame)
      : FPlane(plane),
        FCx(static_cast<double>(frame.Centre.X)),
        FCy(static_cast<double>(frame.Centre.Y)),
        FAx(static_cast<double>(frame.Modules[0] * frame.Axes[0].X)),
        FAy(static_cast<double>(frame.Modules[0] * frame.Axes[0].Y)),
        FBx(static_cast<double>(frame.Modules[1] * frame.Axes[1].X)),
        FBy(static_cast<double>(frame.Modules[1] * frame.Axes[1].Y)) {}
  bool operator()(int32_t i, int32_t j) const {
    const double x = std::floor(FCx + i * FAx + j * FBx), y = std::floor(FCy + i * FAy + j * FBy);
    return x >= 0 && y >= 0 && x < FPlane.Width() && y < FPlane.Height() &&
           FPlane(static_cast<int32_t>(x), static_cast<int32_t>(y)) != 0;
  }

 private:
  const TPlaneBoolean& FPlane;
  double FCx, FCy, FAx, FAy, FBx, FBy;
};

// A place whose 3 x 3 core reads light in more modules than this is no
// finder: most places in data or noise are told so within a few modules.
// A finder's core read a third of a module off its centre and a little
// large, as the coarse search reads it, may lose its corners to a blurred
// edge.
constexpr int32_t kMaxCoreMisreads = 3;

// Modules of a finder and its separator round frame's centre that read
// other than they should, counting stopped once over limit (or the core
// misread).
int32_t Misreads(const TPlaneBoolean& plane, const TFrame& frame, int32_t limit) {
  const TFrameReader dark(plane, frame);
  int32_t misreads = 0;
  for (int32_t j = -1; j <= 1; ++j)
    for (int32_t i = -1; i <= 1; ++i)
      if (!dark(i, j) && ++misreads > std::min(limit, kMaxCoreMisreads)) return limit + 1;
  for (int32_t j = -4; j <= 4; ++j)
    for (int32_t i = -4; i <= 4; ++i) {
      const int32_t ring = std::max(std::abs(i), std::abs(j));
      if (ring <= 1) continue;
      if (dark(i, j) != (ring == 3) && ++misreads > limit) return misreads;
    }
  return misreads;
}

// The best place for a finder within radius modules of guess, searched
// coarsely, then finely round the best; frame receives it. Where several
// places read equally well (sharp modules read alike anywhere within half a
// module), the middle of the fine ones is taken.
template <typename TMisreads>
int32_t Search(const TFrame& guess, long double radius, int32_t most, const TMisreads& misreads,
               TFrame& frame) {
  int32_t best = kCoarseSlack * most + 1;
  frame = guess;
  TPointReal sum{};
  int32_t ties = 0;
  auto scan = [&](const TFrame& base, long double reach, long double step, const auto& scales) {
    for (long double scale : scales) {
      TFrame f = base;
      f.Modules = {base.Modules[0] * scale, base.Modules[1] * scale};
      for (long double dj = -reach; dj <= reach + 1e-9L; dj += step)
        for (long double di = -reach; di <= reach + 1e-9L; di += step) {
          f.Centre = base.At(di, dj);
          const int32_t m = misreads(f, best);
          if (m > best) continue;
          if (m < best) {
            best = m;
            frame = f;
            sum = {};
            ties = 0;
          }
          if (std::fabs(scale - 1) < 1e-9L) {
            sum = {sum.X + f.Centre.X, sum.Y + f.Centre.Y};
            ++ties;
          }
        }
    }
  };
  scan(guess, radius, kStep, kCoarseScales);
  if (best > kCoarseSlack * most) return most + 1;
  const TFrame around = frame;
  sum = {};
  ties = 0;
  best = most + 1;
  scan(around, kStep, kFineStep, kScales);
  if (ties > 0 && best <= most) frame.Centre = {sum.X / ties, sum.Y / ties};
  return best;
}

// Modules of the given rings round frame's centre (0 the centre, 1 the rest
// of the core, 2 the light ring, 4 the separator) that read other than a
// washed-out finder does: core modules light, light ring and separator
// modules dark (glare takes a finder's dark modules, never makes its light
// ones dark); counting stopped once over limit.
int32_t WashedMisreads(const TPlaneBoolean& plane, const TFrame& frame,
                       std::initializer_list<int32_t> rings, int32_t limit) {
  const TFrameReader dark(plane, frame);
  int32_t misreads = 0;
  for (int32_t ring : rings)
    for (int32_t j = -ring; j <= ring; ++j)
      for (int32_t i = -ring; i <= ring; ++i) {
        if (std::max(std::abs(i), std::abs(j)) != ring) continue;
        if (dark(i, j) != (ring <= 1) && ++misreads > limit) return misreads;
      }
  return misreads;
}

// Points of the middle of the parallelogram corner, corner + a, corner + b
// (a, b from 0.3 to 0.7 of the way) that read dark.
int32_t DarkInside(const TPlaneBoolean& plane, const TPointReal& corner, const TPointReal& a,
                   const TPointReal& b) {
  int32_t dark = 0;
  for (long double u : {0.3L, 0.5L, 0.7L})
    for (long double v : {0.3L, 0.5L, 0.7L}) {
      const TPointReal p{corner.X + u * (a.X - corner.X) + v * (b.X - corner.X),
                         corner.Y + u * (a.Y - corner.Y) + v * (b.Y - corner.Y)};
      dark += plane.At(FloorToPixel(p.X), FloorToPixel(p.Y), 0) != 0 ? 1 : 0;
    }
  return dark;
}

// The shape of a finder found at frame.
TShape Virtual(const TFrame& f) {
  TShape shape;
  shape.Candidate.X = f.Centre.X;
  shape.Candidate.Y = f.Centre.Y;
  shape.Candidate.ModuleX = f.Modules[0];
  shape.Candidate.ModuleY = f.Modules[1];
  shape.Candidate.Module = (f.Modules[0] + f.Modules[1]) / 2;
  shape.Candidate.Count = 25;
  shape.Corners = {f.At(-2.5L, -2.5L), f.At(2.5L, -2.5L), f.At(2.5L, 2.5L), f.At(-2.5L, 2.5L)};
  shape.Axes = f.Axes;
  shape.AxisModules = f.Modules;
  return shape;
}

TFrame FrameOf(const TShape& s, const TPointReal& centre) {
  return TFrame{centre, s.Axes, s.AxisModules};
}

}  // namespace

std::vector<TTriple> TThirdFinder::Infer(const TFinderShapes& shapes, const TPlaneBoolean& plane) {
  // One guess: where the third finder should be, and the triple it makes
  // with the two found (the corner first).
  struct TGuess {
    TFrame Frame;
    int32_t Corner = -1;  // index of the found corner, -1 when the guess is the corner
    int32_t A = 0, B = 0;
    long double Span = 0;
  };
  const std::vector<TShape>& all = shapes.Shapes();
  // Only shapes that read as whole finders, separator included, through
  // their own corners vouch for a third: look-alikes in noise and texture
  // seldom have a light band all round.
  std::vector<uint8_t> whole(all.size(), 0);
  for (size_t i = 0; i < all.size(); ++i)
    whole[i] = Misreads(plane, FrameOf(all[i], {all[i].Candidate.X, all[i].Candidate.Y}),
                        kMaxPairMisreads) <= kMaxPairMisreads;
  std::vector<TTriple> found;
  int32_t pairs = 0;
  for (size_t i = 0; i < all.size() && pairs < kMaxPairs; ++i) {
    for (size_t j = i + 1; j < all.size() && pairs < kMaxPairs; ++j) {
      if (!whole[i] || !whole[j]) continue;
      const TShape& s = all[i];
      const TShape& t = all[j];
      const long double ratio = s.Candidate.Module / t.Candidate.Module;
      if (!(ratio <= kModuleRatio && ratio >= 1 / kModuleRatio)) continue;
      const TPointReal d{t.Candidate.X - s.Candidate.X, t.Candidate.Y - s.Candidate.Y};
      const long double length = Length(d.X, d.Y);
      if (!(length > 0)) continue;
      const TPointReal u{d.X / length, d.Y / length};
      const std::array<long double, 2> ss = {std::fabs(Cross(u, s.Axes[0])),
                                             std::fabs(Cross(u, s.Axes[1]))};
      const std::array<long double, 2> ts = {std::fabs(Cross(u, t.Axes[0])),
                                             std::fabs(Cross(u, t.Axes[1]))};
      const TPointReal sc{s.Candidate.X, s.Candidate.Y};
      std::vector<TGuess> guesses;
      if (std::min(ss[0], ss[1]) <= kSideSine && std::min(ts[0], ts[1]) <= kSideSine) {
        // A side: the third lies off either end, across the line, as far
        // as the two lie apart.
        const size_t ks = ss[0] <= ss[1] ? 0 : 1, kt = ts[0] <= ts[1] ? 0 : 1;
        const long double modules = length / ((s.AxisModules[ks] + t.AxisModules[kt]) / 2);
        if (modules < 10 || modules > 190) continue;
        for (int32_t end = 0; end < 2; ++end) {
          const TShape& c = end == 0 ? s : t;
          const size_t across = 1 - (end == 0 ? ks : kt);
          for (int32_t sign = -1; sign <= 1; sign += 2) {
            const long double reach = sign * modules * c.AxisModules[across];
            const TPointReal centre{c.Candidate.X + reach * c.Axes[across].X,
                                    c.Candidate.Y + reach * c.Axes[across].Y};
            const auto ci = static_cast<int32_t>(end == 0 ? i : j);
            const auto oi = static_cast<int32_t>(end == 0 ? j : i);
            guesses.push_back(TGuess{FrameOf(c, centre), ci, oi, -1, modules});
          }
        }
      } else if (std::fabs(ss[0] - ss[1]) <= kDiagonalMismatch &&
                 std::fabs(ts[0] - ts[1]) <= kDiagonalMismatch) {
        // The diagonal: the corner lies where the one's axis meets the
        // other's.
        const long double det = Cross(s.Axes[0], s.Axes[1]);
        if (!(std::fabs(det) > 0.1L)) continue;
        const long double alpha = Cross(d, s.Axes[1]) / det, beta = Cross(s.Axes[0], d) / det;
        const long double ma = std::fabs(alpha) / s.AxisModules[0];
        const long double mb = std::fabs(beta) / s.AxisModules[1];
        if (ma < 10 || ma > 190 || mb < 10 || mb > 190 || ma / mb > TFinderShapes::kLegRatio ||
            mb / ma > TFinderShapes::kLegRatio)
          continue;
        const TPointReal first{sc.X + alpha * s.Axes[0].X, sc.Y + alpha * s.Axes[0].Y};
        const TPointReal second{sc.X + beta * s.Axes[1].X, sc.Y + beta * s.Axes[1].Y};
        for (const TPointReal& corner : {first, second})
          guesses.push_back(TGuess{FrameOf(s, corner), -1, static_cast<int32_t>(i),
                                   static_cast<int32_t>(j), (ma + mb) / 2});
      } else {
        continue;
      }
      ++pairs;
      const auto at = [&all](int32_t k) -> const TShape& { return all[static_cast<size_t>(k)]; };
      for (const TGuess& g : guesses) {
        const TPointReal& p = g.Frame.Centre;
        if (p.X < 0 || p.Y < 0 || p.X >= plane.Width() || p.Y >= plane.Height()) continue;
        TFrame frame;
        const long double radius = 2 + g.Span / 10;
        int32_t misreads = Search(
            g.Frame, radius, kMaxMisreads,
            [&plane](const TFrame& f, int32_t limit) { return Misreads(plane, f, limit); }, frame);
        bool washed = false;
        if (misreads > kMaxMisreads) {
          // Glare over the place? Cheap tests first: the symbol the three
          // span is busy, the separator round the place nearly all light.
          const auto point = [&at](int32_t k) {
            return TPointReal{at(k).Candidate.X, at(k).Candidate.Y};
          };
          const TPointReal& place = g.Frame.Centre;
          const int32_t busy = g.Corner >= 0 ? DarkInside(plane, point(g.Corner), point(g.A), place)
                                             : DarkInside(plane, place, point(g.A), point(g.B));
          if (busy < kMinBusy ||
              WashedMisreads(plane, g.Frame, {4}, kMaxSeparatorDark) > kMaxSeparatorDark)
            continue;
          // Its core may be left, found as a dark square in light; else the
          // finder stands where the two put it.
          const auto core = [&plane](const TFrame& f, int32_t limit) {
            return WashedMisreads(plane, f, {0, 1, 2, 4}, limit);
          };
          int32_t dark = Search(g.Frame, radius, kMaxWashedDark, core, frame);
          if (dark > kMaxWashedDark) {
            frame = g.Frame;
            dark = WashedMisreads(plane, frame, {2, 4}, kMaxWashedDark);
          }
          if (dark > kMaxWashedDark) continue;
          misreads = kMaxMisreads + 1 + dark;
          washed = true;
        }
        TShape third = Virtual(frame);
        third.Washed = washed;
        const long double score = 10 + misreads;
        found.push_back(g.Corner >= 0
                            ? TFinderShapes::MakeTriple(at(g.Corner), at(g.A), third,
                                                        {g.Corner, g.A, -1}, g.Span, score)
                            : TFinderShapes::MakeTriple(third, at(g.A), at(g.B), {-1, g.A, g.B},
                                                        g.Span, score));
      }
    }
  }
  std::vector<TTriple> best;
  for (size_t k :
       BestInOrder(found.size(), static_cast<size_t>(TFinderShapes::kMaxTriples),
                   [&found](size_t x, size_t y) { return found[x].Score < found[y].Score; }))
    best.push_back(found[k]);
  return best;
}

}  // namespace vornak
