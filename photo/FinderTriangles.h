#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "photo/FinderCandidate.h"

namespace vornak {

// Which triangles of finder candidates could be the three finders of one
// symbol, and which is its corner finder: one shape test with the bounds of
// a rule, for the finder search's plain triples and for the looser ones a
// strong perspective explains.
class TFinderTriangles {
 public:
  // Bounds of a rule. Finder centres of one symbol lie 14 (version 1) to 170
  // modules apart, measured in the module sizes the rule names.
  struct TRule {
    // The corner finder is the vertex nearest a right angle, or the one
    // facing the longest side (the diagonal between the other two), which
    // under strong perspective need not show the angle nearest 90 degrees.
    enum class TCorner { NearestRightAngle, FacingLongest };
    // The module size a leg is measured in: the triangle's mean, or the
    // largest or smallest of the three, whichever makes the bound loosest.
    enum class TModule { Mean, Largest, Smallest };
    TCorner Corner = TCorner::NearestRightAngle;
    // With FacingLongest: a side at least this fraction of the longest may
    // be the diagonal too (the second corner, rank 1).
    long double NearlyLongest = 1;
    long double ModuleRatio = 1;  // largest finder module over smallest, at most
    long double Cosine = 0;       // |cosine| of the corner's angle, at most
    long double LegRatio = 1;     // longer leg over shorter, at most
    long double MinLeg = 0;       // shorter leg, in ShortLegModule sizes, at least
    TModule ShortLegModule = TModule::Mean;
    long double MaxLeg = 0;  // longer leg, in LongLegModule sizes, at most
    TModule LongLegModule = TModule::Mean;
    // Triangles ranked by confirmation first (rows that confirmed the least
    // confirmed finder), then by score; else by score alone.
    bool ByConfirmation = false;
  };
  // The finder search's triples: near a right angle, legs and modules
  // nearly equal; the module measured across a tilted finder runs up to 1.5
  // times long.
  static constexpr TRule kPlain = {TRule::TCorner::NearestRightAngle,
                                   1,
                                   1.8L,
                                   0.5L,
                                   1.6L,
                                   9,
                                   TRule::TModule::Mean,
                                   185,
                                   TRule::TModule::Mean,
                                   false};
  // What a strong perspective explains: finder sizes up to 2.6 times apart,
  // the corner facing the longest side. Real finders are confirmed by many
  // rows, look-alikes in the data by a few: under perspective the shape
  // scores of both come close, so confirmation ranks first.
  static constexpr TRule kPerspective = {
      TRule::TCorner::FacingLongest, 0.9L, 2.6L, 0.8L, 2.2L, 8, TRule::TModule::Largest, 170 * 2.6L,
      TRule::TModule::Smallest,      true};

  // How three candidates make a triple: which is the corner, whether the
  // other two are taken the other way round, and the triple's module and
  // score. Triangles are ranked as such small records and only the best
  // are built.
  struct TShape {
    size_t Corner = 0;
    bool Swapped = false;
    long double Module = 0;
    long double Score = 0;
  };

  // Whether the triangle p (facing[i] the side facing vertex i) passes the
  // rule with its rank-th corner (0, or 1 for the second corner of
  // FacingLongest), and its shape then.
  static bool Shape(const std::array<const TFinderCandidate*, 3>& p,
                    const std::array<long double, 3>& facing, const TRule& rule, int32_t rank,
                    TShape& shape);
  // The triple of p in the order shape gives.
  static void Build(const std::array<const TFinderCandidate*, 3>& p, const TShape& shape,
                    TFinderTriple& triple);
  // The best most triples of the candidates by the rule, each triangle with
  // each corner it passes with; ties in the order of the candidates.
  // distance holds the distances of every pair (n x n, row by row).
  static std::vector<TFinderTriple> Best(const std::vector<TFinderCandidate>& candidates,
                                         const std::vector<long double>& distance,
                                         const TRule& rule, size_t most);
  // The distances of every pair of candidates, n x n.
  static std::vector<long double> Distances(const std::vector<TFinderCandidate>& candidates);
};

}  // namespace vornak
