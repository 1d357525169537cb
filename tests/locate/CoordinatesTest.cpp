// Corner search, edge angles, corner model and module mapping of
// TCoordinates, driven on hand-made pictures and frames.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <string>

#include "common/Arith.h"
#include "common/Errors.h"
#include "common/Types.h"
#include "locate/Coordinates.h"
#include "locate/PrincipalPattern.h"

namespace vornak {

// Reaches the corner steps without a full symbol: sets the frame that the
// finder search and version fixing would have left, then calls the steps.
class TCoordinatesPeer {
 public:
  explicit TCoordinatesPeer(TCoordinates& Target) : C(Target) {}

  void SetFrame(TPoint F0, TPoint F1, TPoint F2, int32_t Version) {
    C.FFinder = {F0, F1, F2};
    C.FPrincipal = std::make_unique<TPrincipalPattern>(F0, F1, F2);
    C.FPrincipal->SetVersion(Version);
    C.FVersion = Version;
    C.FPitchA = C.FPrincipal->PitchA();
    C.FPitchB = C.FPrincipal->PitchB();
    C.FAngleA = C.FPrincipal->AngleA();
    C.FAngleB = C.FPrincipal->AngleB();
  }
  void SetPitches(long double A, long double B) {
    C.FPitchA = A;
    C.FPitchB = B;
  }
  void SetVersion(int32_t Version) { C.FVersion = Version; }
  void SetCorners(TPoint C0, TPoint C1, TPoint C2, TPoint C3) { C.FCorner = {C0, C1, C2, C3}; }
  void SetFound(TPoint P) { C.FFound = P; }
  TPoint Found() const { return C.FFound; }

  void FindCorners(const TPlaneBoolean& Image) { C.FindCorners(Picture(Image)); }
  void SharpenFourthCorner(const TPlaneBoolean& Image) { C.SharpenFourthCorner(Picture(Image)); }
  void BuildCornerModel() { C.BuildCornerModel(); }
  bool FarthestDark(const TPlaneBoolean& Image, int32_t Radius, TPoint Centre, TPoint Away) {
    return C.FarthestDark(Picture(Image), Radius, Centre, Away);
  }
  long double MinEdgeAngle(const TPlaneBoolean& Image, TPoint O, TPoint T) const {
    return C.MinEdgeAngle(Picture(Image), O, T);
  }
  long double MaxEdgeAngle(const TPlaneBoolean& Image, TPoint O, TPoint T) const {
    return C.MaxEdgeAngle(Picture(Image), O, T);
  }
  TPoint OffsetToPixel(TPoint Base, long double A, long double B) const {
    return C.OffsetToPixel(Base, A, B);
  }
  static TPoint IntersectLines(TPoint P1, long double A, TPoint P2, long double B) {
    return TCoordinates::IntersectLines(P1, A, P2, B);
  }

 private:
  static TCoordinates::TPicture Picture(const TPlaneBoolean& Image) {
    return TCoordinates::Clip(Image, Image.Width(), Image.Height());
  }
  TCoordinates& C;
};

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

std::string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const EMathError& error) {
    return error.what();
  }
  return "no error";
}

TEST(CoordinatesEdgeAngle, SidesAlongImageAxesAnswerWithoutScanning) {
  // A fully dark picture: any scan would find pixels off the axis.
  const TPlaneBoolean dark(40, 40, 1);
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  const TPoint o{10, 10};
  for (const bool minimum : {true, false}) {
    auto angle = [&](TPoint t) {
      return minimum ? peer.MinEdgeAngle(dark, o, t) : peer.MaxEdgeAngle(dark, o, t);
    };
    EXPECT_EQ(angle({10, 30}), kPi / 2);
    EXPECT_EQ(angle({10, 2}), -kPi / 2);
    EXPECT_EQ(angle({30, 10}), 0.0L);
    // Straight left is -pi, not pi.
    EXPECT_EQ(angle({2, 10}), -kPi);
  }
  EXPECT_EQ(MessageOf([&] { peer.MinEdgeAngle(dark, o, o); }), kBaseAngleError);
  EXPECT_EQ(MessageOf([&] { peer.MaxEdgeAngle(dark, o, o); }), kBaseAngleError);
}

TEST(CoordinatesEdgeAngle, ScanKeepsTheExtremeAngleOfFarEnoughDarkPixels) {
  TPlaneBoolean image(30, 30, 0);
  const TPoint o{0, 0};
  const TPoint t{10, 10};  // 0.3 x h is about 4.24 pixels
  image(10, 10) = 1;       // pi/4
  image(10, 4) = 1;        // atan2(4, 10), the smallest angle
  image(3, 9) = 1;         // atan2(9, 3), the largest angle
  image(2, 1) = 1;         // too near the origin to count
  image(0, 3) = 1;         // too near as well (3 < 4.24)
  image(20, 1) = 1;        // outside the rectangle
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  EXPECT_EQ(peer.MinEdgeAngle(image, o, t), std::atan2(4.0L, 10.0L));
  EXPECT_EQ(peer.MaxEdgeAngle(image, o, t), std::atan2(9.0L, 3.0L));

  // Nothing counted: the starting values come back.
  const TPlaneBoolean empty(30, 30, 0);
  EXPECT_EQ(peer.MinEdgeAngle(empty, o, t), 2 * kPi);
  EXPECT_EQ(peer.MaxEdgeAngle(empty, o, t), -2 * kPi);
}

TEST(CoordinatesEdgeAngle, UpLeftSideCountsItsLevelPixelsAtMinusPi) {
  TPlaneBoolean image(30, 30, 0);
  const TPoint o{20, 20};
  const TPoint t{10, 10};
  image(12, 20) = 1;  // level with the origin: pi by ArcTan2, taken as -pi
  image(10, 10) = 1;  // -3pi/4
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  EXPECT_EQ(peer.MinEdgeAngle(image, o, t), -kPi);
  EXPECT_EQ(peer.MaxEdgeAngle(image, o, t), std::atan2(-10.0L, -10.0L));

  // Down-left keeps pi for its level pixels.
  TPlaneBoolean mirrored(30, 30, 0);
  mirrored(12, 10) = 1;
  EXPECT_EQ(peer.MaxEdgeAngle(mirrored, {20, 10}, {10, 20}), kPi);
}

// A plane with about one pixel in density dark.
TPlaneBoolean Sprinkled(std::mt19937& random, int32_t width, int32_t height, uint32_t density) {
  TPlaneBoolean image(width, height, 0);
  for (uint8_t& v : image.Data()) v = random() % density == 0 ? 1 : 0;
  return image;
}

// A point from (-5, -5) to (spanX - 6, spanY - 6): on a plane or off it.
TPoint Near(std::mt19937& random, uint32_t spanX, uint32_t spanY) {
  const auto x = static_cast<int32_t>(random() % spanX) - 5;
  const auto y = static_cast<int32_t>(random() % spanY) - 5;
  return {x, y};
}

// The scan as first written: the angle of every far enough dark pixel of
// the rectangle, the first of equal extremes kept.
long double PlainEdgeAngle(const TPlaneBoolean& image, TPoint o, TPoint t, bool minimum) {
  const long double reach =
      std::hypot(static_cast<long double>(t.X - o.X), static_cast<long double>(t.Y - o.Y));
  const long double nearest = 0.3L * reach;
  const int32_t sx = t.X > o.X ? 1 : -1, sy = t.Y > o.Y ? 1 : -1;
  long double kept = minimum ? 2 * kPi : -2 * kPi;
  for (int32_t i = 0; i <= std::abs(t.X - o.X); ++i)
    for (int32_t j = 0; j <= std::abs(t.Y - o.Y); ++j) {
      const int32_t x = o.X + i * sx, y = o.Y + j * sy;
      if (!image.Inside(x, y) || image(x, y) == 0) continue;
      const int64_t dx = x - o.X, dy = y - o.Y;
      if (std::sqrt(static_cast<long double>(dx * dx + dy * dy)) < nearest) continue;
      long double angle = std::atan2(static_cast<long double>(dy), static_cast<long double>(dx));
      if (t.X < o.X && t.Y < o.Y && dy == 0) angle = -kPi;
      if (minimum ? angle < kept : angle > kept) kept = angle;
    }
  return kept;
}

TEST(CoordinatesEdgeAngle, ExtremeDirectionMatchesThePlainScanInEveryQuarter) {
  std::mt19937 random(77);
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  int32_t compared = 0;
  for (int32_t round = 0; round < 400; ++round) {
    const TPlaneBoolean image = Sprinkled(random, 60, 60, 3 + random() % 40);
    const TPoint o = Near(random, 70, 70);
    const TPoint t = Near(random, 70, 70);
    if (o.X == t.X || o.Y == t.Y) continue;
    ASSERT_EQ(peer.MinEdgeAngle(image, o, t), PlainEdgeAngle(image, o, t, true)) << round;
    ASSERT_EQ(peer.MaxEdgeAngle(image, o, t), PlainEdgeAngle(image, o, t, false)) << round;
    ++compared;
  }
  EXPECT_GT(compared, 300);
  // A dark pixel exactly at the nearest distance (15 of a reach of 50,
  // where 0.3 x 50 rounds just above 15) falls to the exact root either way.
  TPlaneBoolean edge(60, 60, 0);
  edge(9, 12) = 1;
  EXPECT_EQ(peer.MinEdgeAngle(edge, {0, 0}, {30, 40}),
            PlainEdgeAngle(edge, {0, 0}, {30, 40}, true));
  edge(12, 16) = 1;
  EXPECT_EQ(peer.MinEdgeAngle(edge, {0, 0}, {30, 40}),
            PlainEdgeAngle(edge, {0, 0}, {30, 40}, true));
  EXPECT_EQ(peer.MaxEdgeAngle(edge, {0, 0}, {30, 40}), std::atan2(16.0L, 12.0L));
}

TEST(CoordinatesEdgeAngle, PixelsOutsideThePictureAreLight) {
  const TPlaneBoolean dark(10, 10, 1);
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  const TPoint o{-10, -10};
  const TPoint t{9, 9};
  EXPECT_EQ(peer.MinEdgeAngle(dark, o, t), std::atan2(10.0L, 19.0L));
  EXPECT_EQ(peer.MaxEdgeAngle(dark, o, t), std::atan2(19.0L, 10.0L));
}

TEST(CoordinatesFarthestDark, FirstMetWinsTiesAndTheAwayPixelNeverCounts) {
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  peer.SetPitches(1.0L, 1.0L);
  TPlaneBoolean image(30, 30, 0);
  image(12, 11) = 1;
  image(11, 12) = 1;  // same distance from (0, 0), smaller x: met first
  ASSERT_TRUE(peer.FarthestDark(image, 2, {10, 10}, {0, 0}));
  EXPECT_EQ(peer.Found(), (TPoint{11, 12}));

  // The only dark pixel lies on Away: distance 0 is no success, and the
  // previous result stays.
  TPlaneBoolean single(30, 30, 0);
  single(5, 5) = 1;
  EXPECT_FALSE(peer.FarthestDark(single, 2, {5, 5}, {5, 5}));
  EXPECT_EQ(peer.Found(), (TPoint{11, 12}));

  // Dark everywhere, search square reaching past the picture: only pixels
  // inside count.
  const TPlaneBoolean dark(8, 8, 1);
  ASSERT_TRUE(peer.FarthestDark(dark, 3, {0, 0}, {7, 7}));
  EXPECT_EQ(peer.Found(), (TPoint{0, 0}));
}

TEST(CoordinatesFarthestDark, MatchesThePlainScanOfTheSquare) {
  std::mt19937 random(91);
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  int32_t found = 0;
  for (int32_t round = 0; round < 400; ++round) {
    const TPlaneBoolean image = Sprinkled(random, 50, 40, 2 + random() % 30);
    const TPoint centre = Near(random, 60, 50);
    const TPoint away = Near(random, 60, 50);
    const int32_t radius = 1 + static_cast<int32_t>(random() % 6);
    const long double pitch = 1 + (random() % 8) / 4.0L;
    peer.SetPitches(pitch, 1.0L);
    // The scan as first written, column by column: the first of the
    // farthest dark pixels.
    const int64_t reach = RoundInt32(radius * pitch);
    long double best = 0;
    TPoint expected{-1, -1};
    for (int64_t x = centre.X - reach; x <= centre.X + reach; ++x)
      for (int64_t y = centre.Y - reach; y <= centre.Y + reach; ++y) {
        if (x < 0 || y < 0 || x >= image.Width() || y >= image.Height() ||
            image(static_cast<int32_t>(x), static_cast<int32_t>(y)) == 0)
          continue;
        const long double distance = std::sqrt(
            static_cast<long double>((x - away.X) * (x - away.X) + (y - away.Y) * (y - away.Y)));
        if (distance > best) {
          best = distance;
          expected = {static_cast<int32_t>(x), static_cast<int32_t>(y)};
        }
      }
    peer.SetFound({-1, -1});
    ASSERT_EQ(peer.FarthestDark(image, radius, centre, away), best > 0) << round;
    ASSERT_EQ(peer.Found(), expected) << round;
    found += best > 0 ? 1 : 0;
  }
  EXPECT_GT(found, 250);
}

TEST(CoordinatesFarthestDark, SquareHalfWidthIsRadiusTimesTheLargerPitchRoundedHalfToEven) {
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  TPlaneBoolean image(40, 40, 0);
  image(23, 20) = 1;  // 3 pixels right of the centre
  const TPoint centre{20, 20};
  const TPoint away{0, 20};
  peer.SetPitches(2.5L, 1.0L);  // Round(2.5) = 2
  EXPECT_FALSE(peer.FarthestDark(image, 1, centre, away));
  peer.SetPitches(1.0L, 3.5L);  // Round(3.5) = 4, the larger pitch
  EXPECT_TRUE(peer.FarthestDark(image, 1, centre, away));
  peer.SetPitches(1.5L, 1.0L);  // Round(2 x 1.5) = 3: the edge is included
  EXPECT_TRUE(peer.FarthestDark(image, 2, centre, away));
  EXPECT_EQ(peer.Found(), (TPoint{23, 20}));
}

TEST(CoordinatesCorners, IntersectionOfEdgeLines) {
  // x = 10 and y = 20.
  EXPECT_EQ(TCoordinatesPeer::IntersectLines({10, 0}, kPi / 2, {0, 20}, 0), (TPoint{10, 20}));
  // Two diagonals through (0, 0) and (40, 0) meet at (20, 20).
  EXPECT_EQ(TCoordinatesPeer::IntersectLines({0, 0}, kPi / 4, {40, 0}, 3 * kPi / 4),
            (TPoint{20, 20}));
  // Parallel lines have no intersection; anti-parallel ones meet only far
  // beyond any integer.
  EXPECT_EQ(MessageOf([] {
              TCoordinatesPeer::IntersectLines({0, 0}, 0.5L, {0, 9}, 0.5L);
            }),
            kProgramError);
  EXPECT_EQ(MessageOf([] {
              TCoordinatesPeer::IntersectLines({0, 0}, 0.0L, {0, 9}, -kPi);
            }),
            kProgramError);
}

// A dark 40 x 40 square at the top-left with a light 4 x 4 module in its
// bottom-right corner: the two outer edges meet on that light module.
TPlaneBoolean SquareWithLightCorner() {
  TPlaneBoolean image(60, 60, 0);
  for (int32_t x = 0; x < 40; ++x)
    for (int32_t y = 0; y < 40; ++y) image(x, y) = (x >= 36 && y >= 36) ? 0 : 1;
  return image;
}

TEST(CoordinatesCorners, LightFourthModuleGivesWayToTheEdgeIntersection) {
  const TPlaneBoolean image = SquareWithLightCorner();
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  const TPoint c0{0, 0}, c1{39, 0}, c2{0, 39}, found{35, 35};

  // Light and about 5.66 pixels away, more than half of pitch A = 4.
  peer.SetPitches(4.0L, 4.0L);
  peer.SetCorners(c0, c1, c2, found);
  peer.SharpenFourthCorner(image);
  EXPECT_EQ(coordinates.Corner(3), (TPoint{39, 39}));

  // Only pitch A counts: pitch A = 12 puts the threshold at 6.
  peer.SetPitches(12.0L, 1.0L);
  peer.SetCorners(c0, c1, c2, found);
  peer.SharpenFourthCorner(image);
  EXPECT_EQ(coordinates.Corner(3), found);
  peer.SetPitches(1.0L, 12.0L);
  peer.SetCorners(c0, c1, c2, found);
  peer.SharpenFourthCorner(image);
  EXPECT_EQ(coordinates.Corner(3), (TPoint{39, 39}));

  // A dark intersection pixel keeps the farthest dark pixel.
  TPlaneBoolean darkCorner = image;
  darkCorner(39, 39) = 1;
  peer.SetPitches(4.0L, 4.0L);
  peer.SetCorners(c0, c1, c2, found);
  peer.SharpenFourthCorner(darkCorner);
  EXPECT_EQ(coordinates.Corner(3), found);
}

TEST(CoordinatesCorners, IntersectionFaultsAreProgramErrors) {
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  peer.SetPitches(4.0L, 4.0L);

  // Corners 1 and 2 in line with the only dark pixel: both edges point the
  // same way.
  TPlaneBoolean line(40, 40, 0);
  line(30, 30) = 1;
  peer.SetCorners({0, 0}, {10, 10}, {20, 20}, {30, 30});
  EXPECT_EQ(MessageOf([&] { peer.SharpenFourthCorner(line); }), kProgramError);

  // Edges pointing in opposite directions on two distinct lines: they meet
  // only far beyond any integer.
  TPlaneBoolean opposite(40, 40, 0);
  opposite(10, 10) = 1;  // pi/4 from corner 1
  opposite(11, 10) = 1;  // -3pi/4 from corner 2
  peer.SetCorners({0, 0}, {0, 0}, {21, 20}, {10, 10});
  EXPECT_EQ(MessageOf([&] { peer.SharpenFourthCorner(opposite); }), kProgramError);
}

TEST(CoordinatesCorners, CrossingBeyondThePictureIsALightPixel) {
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  peer.SetPitches(4.0L, 4.0L);
  // Two edges that meet at (33, 4): whether the picture is 40 pixels wide or
  // only 31, that light pixel becomes the corner.
  for (const int32_t width : {40, 31}) {
    TPlaneBoolean image(width, 11, 0);
    image(30, 5) = 1;
    image(30, 4) = 1;
    peer.SetCorners({0, 0}, {0, 0}, {0, 10}, {30, 5});
    peer.SharpenFourthCorner(image);
    EXPECT_EQ(coordinates.Corner(3), (TPoint{33, 4})) << "width " << width;
  }
}

TEST(CoordinatesCorners, FourthCornerOnCornerOneOrTwoIsABaseAngleError) {
  // Finder 2 so close to the corner finder that pitch B is tiny: the fourth
  // corner search around Q reaches corner 1 itself, the only dark pixel.
  {
    TCoordinates coordinates;
    TCoordinatesPeer peer(coordinates);
    peer.SetFrame({20, 20}, {90, 20}, {20, 27}, 1);
    coordinates.SetWarp(6);
    TPlaneBoolean image(140, 80, 0);
    image(108, 18) = 1;  // corner 1 as predicted from finder 1
    EXPECT_EQ(MessageOf([&] { peer.FindCorners(image); }), kBaseAngleError);
    EXPECT_EQ(coordinates.Corner(1), (TPoint{108, 18}));
    EXPECT_EQ(coordinates.Corner(3), (TPoint{108, 18}));
  }
  {
    TCoordinates coordinates;
    TCoordinatesPeer peer(coordinates);
    peer.SetFrame({20, 20}, {27, 20}, {20, 90}, 1);
    coordinates.SetWarp(6);
    TPlaneBoolean image(80, 140, 0);
    image(18, 108) = 1;  // corner 2 as predicted from finder 2
    EXPECT_EQ(MessageOf([&] { peer.FindCorners(image); }), kBaseAngleError);
    EXPECT_EQ(coordinates.Corner(2), (TPoint{18, 108}));
    EXPECT_EQ(coordinates.Corner(3), (TPoint{18, 108}));
  }
}

TEST(CoordinatesCorners, WarpSetsTheFourthCornerSearchSquare) {
  // Version 1 at exactly 5 pixels per module, upright: Q = (112, 112).
  const TPoint f0{30, 30}, f1{100, 30}, f2{30, 100};
  auto cornerFor = [&](int32_t warp, TPoint dark) {
    TCoordinates coordinates;
    TCoordinatesPeer peer(coordinates);
    peer.SetFrame(f0, f1, f2, 1);
    coordinates.SetWarp(warp);
    TPlaneBoolean image(160, 160, 0);
    image(dark.X, dark.Y) = 1;
    peer.FindCorners(image);
    EXPECT_EQ(coordinates.Corner(0), (TPoint{12, 12}));
    EXPECT_EQ(coordinates.Corner(1), (TPoint{118, 12}));
    EXPECT_EQ(coordinates.Corner(2), (TPoint{12, 118}));
    return coordinates.Corner(3);
  };
  // Nothing within one pitch: the fourth corner is Q itself.
  EXPECT_EQ(cornerFor(1, {118, 112}), (TPoint{112, 112}));
  // The square's edge (5 pixels = Round(1 x 5)) is included.
  EXPECT_EQ(cornerFor(1, {117, 117}), (TPoint{117, 117}));
  // Four pitches away: out of Warp 1's reach, within Warp 6's. The two edges
  // through a lone pixel meet on it, so it stays.
  EXPECT_EQ(cornerFor(1, {132, 132}), (TPoint{112, 112}));
  EXPECT_EQ(cornerFor(6, {132, 132}), (TPoint{132, 132}));
  EXPECT_EQ(cornerFor(6, {143, 143}), (TPoint{112, 112}));
}

TEST(CoordinatesCorners, OffsetsAreRoundedHalfToEvenAfterAddingTheBase) {
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  peer.SetFrame({10, 10}, {110, 10}, {10, 110}, 1);
  EXPECT_EQ(peer.OffsetToPixel({110, 10}, -7, -3), (TPoint{60, -11}));
  // Pitch exactly 1: 1 + 2.5 = 3.5 -> 4 and 1 + 3.5 = 4.5 -> 4 (rounding the
  // offsets first would give 3 and 5).
  peer.SetFrame({0, 0}, {14, 0}, {0, 14}, 1);
  EXPECT_EQ(peer.OffsetToPixel({1, 1}, 2.5L, 3.5L), (TPoint{4, 4}));
}

TEST(CoordinatesMapping, ModuleCentresFollowTheBilinearMapBetweenTheCorners) {
  struct Case {
    TPoint C0, C1, C2, C3;
    int32_t Version;
  };
  const Case cases[] = {
      {{10, 10}, {110, 10}, {10, 110}, {113, 108}, 1},
      {{50, 8}, {160, 40}, {20, 120}, {141, 147}, 3},
      {{200, 30}, {230, 250}, {-20, 60}, {15, 290}, 7},
      {{300, 300}, {20, 310}, {310, 20}, {35, 40}, 2},
  };
  for (const Case& c : cases) {
    TCoordinates coordinates;
    TCoordinatesPeer peer(coordinates);
    peer.SetVersion(c.Version);
    peer.SetCorners(c.C0, c.C1, c.C2, c.C3);
    peer.BuildCornerModel();
    // Parallelogram corner, then c0 + s (c1 - c0) + t (c2 - c0) + s t (c3 - p).
    const double px = c.C1.X + c.C2.X - c.C0.X;
    const double py = c.C1.Y + c.C2.Y - c.C0.Y;
    const int32_t n = 4 * c.Version + 17;
    int32_t compared = 0;
    for (int32_t b = 0; b < n; ++b) {
      for (int32_t a = 0; a < n; ++a) {
        const double s = (a + 0.5) / n;
        const double t = (b + 0.5) / n;
        const double dx = s * (c.C1.X - c.C0.X) + t * (c.C2.X - c.C0.X) + s * t * (c.C3.X - px);
        const double dy = s * (c.C1.Y - c.C0.Y) + t * (c.C2.Y - c.C0.Y) + s * t * (c.C3.Y - py);
        // Halves are decided by the extended arithmetic; leave them out.
        if (std::abs(std::abs(dx - std::floor(dx)) - 0.5) < 1e-6) continue;
        if (std::abs(std::abs(dy - std::floor(dy)) - 0.5) < 1e-6) continue;
        const TPoint p = coordinates.MapModule(a, b);
        ASSERT_EQ(p, (TPoint{c.C0.X + static_cast<int32_t>(std::lround(dx)),
                             c.C0.Y + static_cast<int32_t>(std::lround(dy))}))
            << "module " << a << "," << b;
        ++compared;
      }
    }
    EXPECT_GT(compared, n * n * 9 / 10);
  }
}

TEST(CoordinatesMapping, CornerModelOfAWarpedQuadrilateral) {
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  peer.SetCorners({10, 10}, {110, 10}, {10, 110}, {113, 108});
  peer.BuildCornerModel();
  EXPECT_EQ(coordinates.SideA(), 100.0L);
  EXPECT_EQ(coordinates.SideB(), 100.0L);
  EXPECT_EQ(coordinates.SideAngleA(), 0.0L);
  EXPECT_EQ(coordinates.SideAngleB(), kPi / 2);
  EXPECT_EQ(coordinates.SkewLength(), std::sqrt(13.0L));
  EXPECT_EQ(coordinates.SkewAngle(), std::atan2(-2.0L, 3.0L));
  // Side angles live in [0, 2pi).
  peer.SetCorners({100, 100}, {100, 0}, {0, 100}, {0, 0});
  peer.BuildCornerModel();
  EXPECT_EQ(coordinates.SideAngleA(), -kPi / 2 + 2 * kPi);
  EXPECT_EQ(coordinates.SideAngleB(), kPi);
}

TEST(CoordinatesMapping, CollapsedSideRaisesInsteadOfDividingByZero) {
  TCoordinates coordinates;
  TCoordinatesPeer peer(coordinates);
  EXPECT_EQ(coordinates.GetModulePoint(3, 4), (TPoint{0, 0}));  // no version yet
  peer.SetVersion(1);
  peer.SetCorners({10, 10}, {10, 10}, {10, 110}, {110, 110});
  peer.BuildCornerModel();
  EXPECT_THROW(coordinates.GetModulePoint(0, 0), EMathError);
  peer.SetCorners({10, 10}, {110, 10}, {10, 10}, {110, 110});
  peer.BuildCornerModel();
  EXPECT_THROW(coordinates.MapModule(5, 5), EMathError);
}

}  // namespace
}  // namespace vornak
