#include "photo/MicroLocator.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "photo/FinderShapes.h"
#include "photo/ModuleConfidence.h"
#include "symbol/BCH15_5.h"
#include "symbol/MicroTables.h"
#include "symbol/Symbol.h"

namespace vornak {

namespace {

// Whether the pixel at point p is dark; outside the plane reads light, as a
// quiet zone would.
bool DarkAt(const TPlaneBoolean& plane, const TPointReal& p) {
  // Truncation is the floor of what lies inside.
  if (!(p.X >= 0 && p.Y >= 0 && p.X < plane.Width() && p.Y < plane.Height())) return false;
  return plane(static_cast<int32_t>(p.X), static_cast<int32_t>(p.Y)) != 0;
}

// The module-space corners of the finder's light ring, in turning order.
constexpr std::array<TPointReal, 4> kRing = {{{1, 1}, {6, 1}, {6, 6}, {1, 6}}};

}  // namespace

int32_t TMicroLocator::TimingMisreads(const TPlaneBoolean& plane, const THomography& t,
                                      int32_t side) {
  int32_t wrong = 0;
  for (int32_t k = 7; k <= side + 1; ++k) {
    // The separator, then dark on even modules, then the quiet zone.
    const bool dark = k >= 8 && k < side && k % 2 == 0;
    TPointReal row, column;
    if (!t.Map({k + 0.5L, 0.5L}, row) || !t.Map({0.5L, k + 0.5L}, column)) return 2 * side;
    wrong += (DarkAt(plane, row) != dark) + (DarkAt(plane, column) != dark);
  }
  return wrong;
}

bool TMicroLocator::Refit(const TPlaneBoolean& plane, const std::array<TPointReal, 4>& corners,
                          int32_t side, THomography& t) const {
  std::vector<TPointReal> from(kRing.begin(), kRing.end());
  std::vector<TPointReal> to(corners.begin(), corners.end());
  // Each dark timing module lies between two light ones, the quiet zone
  // outside it: the middle of its run along the edge, and where the quiet
  // zone begins across it, place it. Perspective moves the far ones most.
  auto dark = [&](long double u, long double v, bool row) {
    TPointReal p;
    return t.Map(row ? TPointReal{u, v} : TPointReal{v, u}, p) && DarkAt(plane, p);
  };
  for (int32_t edge = 0; edge < 2; ++edge) {
    const bool row = edge == 0;
    int32_t found = 0;
    for (int32_t k = 8; k < side; k += 2) {
      const long double u = k + 0.5L;
      if (!dark(u, 0.5L, row)) continue;
      // Steps of a tenth of a module each way along the edge, to the light.
      long double ends[2] = {0, 0};
      bool lone = true;
      for (int32_t way = 0; way < 2 && lone; ++way) {
        const long double sign = way == 0 ? -1.0L : 1.0L;
        long double d = 0.1L;
        while (d <= 1.2L && dark(u + sign * d, 0.5L, row)) d += 0.1L;
        lone = d <= 1.2L;
        ends[way] = sign * (d - 0.05L);
      }
      if (!lone) continue;
      const long double middle = u + (ends[0] + ends[1]) / 2;
      // Outward across the edge, to the quiet zone.
      long double v = 0.5L;
      while (v > -0.7L && dark(middle, v - 0.1L, row)) v -= 0.1L;
      if (v <= -0.7L) continue;
      const long double across = v - 0.05L;
      from.push_back(row ? TPointReal{u, 0} : TPointReal{0, u});
      to.push_back(row ? t.Map(middle, across) : t.Map(across, middle));
      ++found;
    }
    // Without the far end of either edge the finder alone spans the grid.
    if (found < 2) return false;
  }
  THomography refit = t;
  if (!refit.FitLeastSquares(from, to)) return false;
  t = refit;
  return true;
}

bool TMicroLocator::FormatFits(const TPlaneBoolean& plane, const THomography& t, int32_t side) {
  const int32_t version = (side - 9) / 2;
  // As laid, and transposed, as a mirrored symbol reads.
  for (int32_t transposed = 0; transposed < 2; ++transposed) {
    TBooleans bits(15, false);
    for (int32_t i = 0; i < 15; ++i) {
      const TPoint m = TSymbol::MicroFormatPosition(i);
      const long double u = (transposed != 0 ? m.Y : m.X) + 0.5L;
      const long double v = (transposed != 0 ? m.X : m.Y) + 0.5L;
      TPointReal p;
      const bool dark = t.Map({u, v}, p) && DarkAt(plane, p);
      bits[static_cast<size_t>(i)] = dark != (((micro::FormatMask >> i) & 1) != 0);
    }
    TBooleans corrected;
    TBCH15_5 decoder(bits);
    decoder.Decode(corrected);
    if (decoder.Failed()) continue;
    const int32_t number =
        (corrected[14] ? 4 : 0) + (corrected[13] ? 2 : 0) + (corrected[12] ? 1 : 0);
    if (micro::SymbolNumbers[static_cast<size_t>(number)].Version == version) return true;
  }
  return false;
}

void TMicroLocator::Sample(const TPlaneBoolean& plane, const THomography& t, int32_t side) {
  FMatrix.Resize(side, side, 0);
  if (FGrey != nullptr) FLevels.Resize(side, side, 0);
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      TPointReal p;
      const bool mapped = t.Map({x + 0.5L, y + 0.5L}, p);
      FMatrix(x, y) = mapped && DarkAt(plane, p) ? 1 : 0;
      // The module's grey level at its middle, light outside the picture.
      if (FGrey == nullptr) continue;
      const long double px = std::floor(p.X), py = std::floor(p.Y);
      FLevels(x, y) = mapped && px >= 0 && py >= 0 && px < FGrey->Width() && py < FGrey->Height()
                          ? (*FGrey)(static_cast<int32_t>(px), static_cast<int32_t>(py))
                          : 255;
    }
  if (FGrey != nullptr) TModuleConfidence::Rate(FLevels, FMatrix, FConfidence);
}

bool TMicroLocator::Offer(const TPlaneBoolean& plane,
                          const std::vector<std::array<TPointReal, 4>>& turns,
                          const TLocationSink& sink, int32_t& offered) {
  // The turn whose finder rings, quiet zone and first timing modules read
  // best; then every side of it, ranked by how well the timing reads (blur
  // takes the far timing modules first, and a wrong side costs a format
  // read).
  struct TCandidate {
    int32_t Misreads;
    int32_t Side;
    THomography Transform;
  };
  std::vector<TCandidate> candidates;
  int32_t bestNear = kMaxNearMisreads + 1;
  THomography best;
  const std::array<TPointReal, 4>* bestTurn = nullptr;
  for (const std::array<TPointReal, 4>& to : turns) {
    THomography t;
    if (!t.Fit(kRing, to)) continue;
    const int32_t near = NearMisreads(plane, t);
    if (near < bestNear) {
      bestNear = near;
      best = t;
      bestTurn = &to;
    }
  }
  if (bestTurn == nullptr) return false;
  // Refitted on the timing modules of the largest side, which finds those of
  // any: past a smaller symbol lies the quiet zone. The finder alone spans
  // the grid poorly far from it.
  Refit(plane, *bestTurn, micro::SymbolSide(micro::kMaxVersion), best);
  for (int32_t version = micro::kMinVersion; version <= micro::kMaxVersion; ++version) {
    const int32_t side = micro::SymbolSide(version);
    // Misreads per timing module read, in 1/64.
    const int32_t misreads = TimingMisreads(plane, best, side);
    if (misreads <= kMaxTimingMisreads)
      candidates.push_back({64 * misreads / (2 * (side - 5)), side, best});
  }
  int32_t tried = 0;
  for (const TCandidate& c : candidates) {
    if (tried == kPerShape || offered == kMaxCandidates) break;
    ++tried;
    // A grid whose format names no symbol of its side is not sampled: the
    // tail would refuse it, and noise offers many such grids.
    if (!FormatFits(plane, c.Transform, c.Side)) continue;
    ++offered;
    Sample(plane, c.Transform, c.Side);
    TLocation location;
    location.Matrix = &FMatrix;
    location.Size = c.Side;
    // How sure each module is lets the tail erase the least sure codewords
    // of a block that does not correct.
    if (FGrey != nullptr) location.Confidence = &FConfidence;
    // The trace draws QR Code grids by version; a Micro QR grid has none.
    location.Version = 0;
    const TPointReal centre = c.Transform.Map(3.5L, 3.5L);
    const TPoint finder{static_cast<int32_t>(std::lround(centre.X)),
                        static_cast<int32_t>(std::lround(centre.Y))};
    location.Finders = {finder, finder, finder};
    const long double s = c.Side;
    const std::array<TPointReal, 4> corners = {c.Transform.Map(0, 0), c.Transform.Map(s, 0),
                                               c.Transform.Map(0, s), c.Transform.Map(s, s)};
    for (size_t k = 0; k < 4; ++k)
      location.Corners[k] = {static_cast<int32_t>(std::lround(corners[k].X)),
                             static_cast<int32_t>(std::lround(corners[k].Y))};
    if (sink(location)) return true;
  }
  return false;
}

namespace {

// Modules near the finder at module-space origin, through map (module point
// to pixel, false where it has none), that read other than a Micro QR
// symbol has them.
// Counting stops past limit.
template <typename TMap>
int32_t CountNearMisreads(const TPlaneBoolean& plane, const TMap& map, int32_t limit = 1 << 20) {
  int32_t wrong = 0;
  auto expect = [&](long double u, long double v, bool dark) {
    if (wrong > limit) return;
    TPointReal p;
    wrong += !map(TPointReal{u, v}, p) || DarkAt(plane, p) != dark;
  };
  // The first timing modules of both edges, the quiet zone along the
  // finder's two outer sides, and the finder's rings.
  for (int32_t k = 7; k <= 11; ++k) {
    expect(k + 0.5L, 0.5L, k % 2 == 0);
    expect(0.5L, k + 0.5L, k % 2 == 0);
  }
  for (int32_t k = 0; k < 7; ++k) {
    expect(k + 0.5L, -0.5L, false);
    expect(-0.5L, k + 0.5L, false);
    expect(k + 0.5L, 0.5L, true);
    expect(0.5L, k + 0.5L, true);
  }
  expect(3.5L, 3.5L, true);
  expect(1.5L, 3.5L, false);
  expect(3.5L, 1.5L, false);
  return wrong;
}

}  // namespace

int32_t TMicroLocator::NearMisreads(const TPlaneBoolean& plane, const THomography& t) {
  return CountNearMisreads(plane, [&t](const TPointReal& m, TPointReal& p) { return t.Map(m, p); });
}

std::array<TPointReal, 4> TMicroLocator::RingAt(const TFinderCandidate& finder, long double angle) {
  // The horizontal runs through a square turned by the angle are longer
  // than its side by the larger of |cos| and |sin|.
  const long double c = std::cos(angle), s = std::sin(angle);
  const long double module = finder.ModuleX * std::max(std::fabs(c), std::fabs(s));
  std::array<TPointReal, 4> ring{};
  for (size_t k = 0; k < 4; ++k) {
    const long double u = (kRing[k].X - 3.5L) * module, v = (kRing[k].Y - 3.5L) * module;
    ring[k] = {finder.X + u * c - v * s, finder.Y + u * s + v * c};
  }
  return ring;
}

bool TMicroLocator::Locate(const TPlaneBoolean& plane, const TPlaneGrey* grey,
                           const TDecodeSettings& /*settings*/, const TLocationSink& sink) {
  // The grey plane is the caller's: hold it only for this search.
  struct TRelease {
    const TPlaneGrey*& Grey;
    ~TRelease() { Grey = nullptr; }
  } release{FGrey};
  FGrey = grey != nullptr && grey->Width() == plane.Width() && grey->Height() == plane.Height()
              ? grey
              : nullptr;
  const TFinderShapes& shapes = FindShapes(plane);
  int32_t offered = 0;
  std::vector<TPointReal> done;
  for (const TFinderShapes::TShape& found : shapes.Shapes()) {
    // Corners turning as module columns turn onto rows in the picture (y
    // down), so that only a mirrored symbol samples transposed.
    std::array<TPointReal, 4> ring = found.Corners;
    const long double cross = (ring[1].X - ring[0].X) * (ring[3].Y - ring[0].Y) -
                              (ring[1].Y - ring[0].Y) * (ring[3].X - ring[0].X);
    if (cross < 0) std::swap(ring[1], ring[3]);
    std::vector<std::array<TPointReal, 4>> turns;
    for (size_t turn = 0; turn < 4; ++turn) {
      std::array<TPointReal, 4> to{};
      for (size_t k = 0; k < 4; ++k) to[k] = ring[(k + turn) % 4];
      turns.push_back(to);
    }
    done.push_back({found.Candidate.X, found.Candidate.Y});
    if (Offer(plane, turns, sink, offered)) return true;
    if (offered == kMaxCandidates) return false;
  }

  // Finders the shapes missed (small or blurred ones, whose light ring
  // breaks) but the runs found: their turn is searched for, in steps, where
  // the timing and the quiet zone round the finder read best.
  const std::vector<TFinderCandidate>& runs = FindFinders(plane).Candidates();
  int32_t searched = 0;
  for (const TFinderCandidate& finder : runs) {
    if (searched == kMaxRunFinders || offered == kMaxCandidates) break;
    const bool seen = std::any_of(done.begin(), done.end(), [&finder](const TPointReal& p) {
      return Length(p.X - finder.X, p.Y - finder.Y) < 3 * finder.Module;
    });
    if (seen || finder.ModuleX <= 0) continue;
    ++searched;
    constexpr long double kDegree = 3.14159265358979323846L / 180;
    int32_t best = 1 << 30;
    long double bestAngle = 0;
    for (int32_t step = 0; step < 72; ++step) {
      // The turned square as a plain rotation and scale, without a fit.
      const long double angle = step * 5 * kDegree;
      const long double c = std::cos(angle), sn = std::sin(angle);
      const long double module = finder.ModuleX * std::max(std::fabs(c), std::fabs(sn));
      const int32_t misreads = CountNearMisreads(
          plane,
          [&](const TPointReal& m, TPointReal& p) {
            const long double u = (m.X - 3.5L) * module, v = (m.Y - 3.5L) * module;
            p = {finder.X + u * c - v * sn, finder.Y + u * sn + v * c};
            return true;
          },
          std::min(best, kMaxNearMisreads + 1));
      if (misreads < best) {
        best = misreads;
        bestAngle = step * 5 * kDegree;
      }
    }
    if (best > kMaxNearMisreads) continue;
    // The turn to a degree, by the whole of the longest timing.
    int32_t fine = 1 << 30;
    long double fineAngle = bestAngle;
    for (int32_t d = -4; d <= 4; ++d) {
      THomography t;
      const long double angle = bestAngle + d * kDegree;
      if (!t.Fit(kRing, RingAt(finder, angle))) continue;
      int32_t misreads = NearMisreads(plane, t);
      for (int32_t version = micro::kMinVersion; version <= micro::kMaxVersion; ++version)
        misreads = std::min(misreads, TimingMisreads(plane, t, micro::SymbolSide(version)));
      if (misreads < fine) {
        fine = misreads;
        fineAngle = angle;
      }
    }
    if (Offer(plane, {RingAt(finder, fineAngle)}, sink, offered)) return true;
  }
  return false;
}

}  // namespace vornak
