// Miscorrection of errors-and-erasures decoding, measured on the blocks of
// every version and level: libqrcodegen encodes random data, the blocks are
// taken apart, corrupted with fixed seeds, and decoded. Each trial ends
// restored (the encoder's block), wrong (another codeword: a miscorrection)
// or refused (block left as it was).
//
//   bench_erasure [trials per block shape, default 40] [--curve]
//
// Rows, per level and overall:
//   within budget        e errors and s erasures, 2e + s <= budget (must all
//                        be restored)
//   beyond, errors only  capacity + 1 .. + 4 errors, Correct()
//   beyond, erasures *   2e + s = budget + 1 .. + 4, the erasures on damaged
//                        codewords, half on damaged and half on clean ones,
//                        or on clean ones only; Correct(erasures)
//   soft *               the decoder's way: Correct(), then TSoftCorrector
//                        with its guard (or bare: every repair within the
//                        budget kept) on damage past the capacity: all of
//                        it doubted (and past the budget: nothing to
//                        restore), half of it doubted and as many clean
//                        codewords, clean codewords doubted only, or doubt
//                        at random on every codeword
// Then the ladders on damage the doubt mostly finds (damaged codewords
// doubted, a few errors not, a few clean codewords doubted), with the time
// each block takes; with --curve, what guards from none to the default
// restore and miscorrect on the same damage.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ecc/ReedSolomon.h"
#include "ecc/SoftCorrector.h"
#include "tests/support/ReferenceSymbol.h"

namespace {

using vornak::TIntegers;
using vornak::TReedSolomon;
using vornak::TSoftCorrector;

enum class TOutcome { Restored, Wrong, Refused };

struct TTally {
  long Trials = 0;
  long Restored = 0;
  long Wrong = 0;
  long Refused = 0;
  long Tries = 0;
  double Seconds = 0.0;
  void Add(TOutcome outcome) {
    ++Trials;
    if (outcome == TOutcome::Restored) ++Restored;
    if (outcome == TOutcome::Wrong) ++Wrong;
    if (outcome == TOutcome::Refused) ++Refused;
  }
};

enum TRow {
  kWithin,
  kErrorsOnly,
  kErasedDamaged,
  kErasedMixed,
  kErasedClean,
  kSoftDamaged,
  kSoftMixed,
  kSoftClean,
  kSoftRandom,
  kBareDamaged,
  kBareMixed,
  kBareClean,
  kBareRandom,
  kLadderEvery,
  kLadderDoubling,
  kLadderEveryBare,
  kRowCount
};

constexpr std::array<const char*, kRowCount> kRowNames = {"within budget (2e+s <= budget)",      //
                                                          "beyond, errors only",                 //
                                                          "beyond, erasures on damaged",         //
                                                          "beyond, erasures half clean",         //
                                                          "beyond, erasures on clean only",      //
                                                          "soft guarded, all damaged doubted",   //
                                                          "soft guarded, half doubted + clean",  //
                                                          "soft guarded, clean doubted only",    //
                                                          "soft guarded, doubt at random",       //
                                                          "soft bare, all damaged doubted",      //
                                                          "soft bare, half doubted + clean",     //
                                                          "soft bare, clean doubted only",       //
                                                          "soft bare, doubt at random",          //
                                                          "ladder every count (guarded)",        //
                                                          "ladder doubling (guarded)",           //
                                                          "ladder every count (bare)"};

// Tallies per level (0..3) and overall (4).
using TTable = std::array<std::array<TTally, kRowCount>, 5>;

// The guard curve: the every-count ladder under guards from none to the
// default, on the soft rows' damage (all four kinds) and on the ladders'.
constexpr double kBare = -std::numeric_limits<double>::infinity();
constexpr std::array<double, 8> kCurveBits = {kBare, 8.0,  12.0, 16.0,
                                              20.0,  24.0, 28.0, TSoftCorrector::kGuardBits};
using TCurve = std::array<std::array<TTally, 2>, kCurveBits.size()>;

TOutcome Judge(bool success, const TIntegers& block, const TIntegers& original) {
  if (!success) return TOutcome::Refused;
  return block == original ? TOutcome::Restored : TOutcome::Wrong;
}

class TTrials {
 public:
  TTrials(const TIntegers& original, int check, int protection, bool curve, std::mt19937& random)
      : FOriginal(original), FCheck(check), FProtection(protection), FRandom(random) {
    FBudget = check - protection;
    FBare.SetGuardBits(kBare);
    FDoubling.SetLadder(TSoftCorrector::TLadder::kDoubling);
    if (curve) {
      for (double bits : kCurveBits) {
        FCurve.push_back(std::make_unique<TSoftCorrector>());
        FCurve.back()->SetGuardBits(bits);
      }
    }
  }

  void Run(std::array<TTally, kRowCount>& level, std::array<TTally, kRowCount>& all,
           TCurve& curve) {
    auto add = [&](TRow row, TOutcome outcome) {
      level[row].Add(outcome);
      all[row].Add(outcome);
    };
    // Within the budget: every split of it between errors and erasures.
    {
      const int s = Draw(FBudget + 1);
      const int e = Draw((FBudget - s) / 2 + 1);
      Start();
      Damage(e);
      TIntegers erasures = Clean(s);
      for (int32_t place : erasures) FBlock[static_cast<size_t>(place)] = Draw(256);
      FRs.SetBlock(FBlock, FCheck, FProtection);
      add(kWithin, Judge(FRs.Correct(erasures), FBlock, FOriginal));
    }
    // Errors only, past the capacity.
    {
      Start();
      Damage(FBudget / 2 + 1 + Draw(4));
      FRs.SetBlock(FBlock, FCheck, FProtection);
      add(kErrorsOnly, Judge(FRs.Correct(), FBlock, FOriginal));
    }
    // Erasures on damaged, half clean, clean only; errors unmarked make up
    // 2e + s = budget + 1 .. + 4.
    for (int kind = 0; kind < 3; ++kind) {
      const int s = 1 + Draw(FBudget);
      const int over = 1 + Draw(4);
      const int unmarked = (FBudget + over - s + 1) / 2;
      const int damagedErased = kind == 0 ? s : (kind == 1 ? s / 2 : 0);
      Start();
      const TIntegers erased = Damage(damagedErased);
      Damage(unmarked);
      TIntegers erasures = Clean(s - damagedErased);
      erasures.insert(erasures.end(), erased.begin(), erased.end());
      std::shuffle(erasures.begin(), erasures.end(), FRandom);
      FRs.SetBlock(FBlock, FCheck, FProtection);
      add(static_cast<TRow>(kErasedDamaged + kind),
          Judge(FRs.Correct(erasures), FBlock, FOriginal));
    }
    // The decoder's way: errors only, then the soft retry, on damage past
    // the capacity with doubt on every damaged codeword (damage past the
    // budget too), on half of them and as many clean ones, on clean ones
    // only, or at random on all.
    for (int kind = 0; kind < 4; ++kind) {
      const int capacity = FBudget / 2;
      const int damaged =
          kind == 0 ? FBudget + 1 + Draw(4) : capacity + 1 + Draw(FBudget - capacity + 4);
      Start();
      const TIntegers hit = Damage(damaged);
      const TIntegers clean = Clean(kind == 1 ? damaged / 2 : (kind == 2 ? damaged : 0));
      TIntegers doubt(FBlock.size(), 0);
      const auto doubted = static_cast<size_t>(kind == 0 ? hit.size() : hit.size() / 2);
      if (kind < 3) {
        for (size_t i = 0; i < (kind == 2 ? 0 : doubted); ++i)
          doubt[static_cast<size_t>(hit[i])] = 1 + Draw(1000);
        for (int32_t place : clean) doubt[static_cast<size_t>(place)] = 1 + Draw(1000);
      } else {
        for (int32_t& d : doubt) d = Draw(1001);
      }
      FRs.SetBlock(FBlock, FCheck, FProtection);
      const bool plain = FRs.Correct();
      const TIntegers afterPlain = FBlock;
      for (const auto& [row, soft] :
           {std::pair{kSoftDamaged, &FSoft}, std::pair{kBareDamaged, &FBare}}) {
        FBlock = afterPlain;
        const bool success = plain || soft->Retry(FBlock, FCheck, FProtection, doubt);
        add(static_cast<TRow>(row + kind), Judge(success, FBlock, FOriginal));
      }
      for (size_t g = 0; g < FCurve.size(); ++g) {
        FBlock = afterPlain;
        const bool success = plain || FCurve[g]->Retry(FBlock, FCheck, FProtection, doubt);
        curve[g][0].Add(Judge(success, FBlock, FOriginal));
      }
    }
    // The ladders: damage past the capacity, mostly doubted.
    {
      const int damaged = FBudget / 2 + 1 + Draw(std::max(FBudget - FBudget / 2, 1));
      Start();
      const TIntegers doubted = Damage(damaged);
      Damage(Draw(3));
      const TIntegers falsely = Clean(Draw(5));
      TIntegers doubt(FBlock.size(), 0);
      for (int32_t place : doubted) doubt[static_cast<size_t>(place)] = 300 + Draw(700);
      for (int32_t place : falsely) doubt[static_cast<size_t>(place)] = 1 + Draw(700);
      const TIntegers received = FBlock;
      const std::array<std::pair<TRow, TSoftCorrector*>, 3> ladders = {
          {{kLadderEvery, &FSoft}, {kLadderDoubling, &FDoubling}, {kLadderEveryBare, &FBare}}};
      for (const auto& [row, soft] : ladders) {
        FBlock = received;
        const auto start = std::chrono::steady_clock::now();
        const bool success = soft->Retry(FBlock, FCheck, FProtection, doubt);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        add(row, Judge(success, FBlock, FOriginal));
        for (auto* tally : {&level[row], &all[row]}) {
          tally->Tries += soft->Tries();
          tally->Seconds += took.count();
        }
      }
      for (size_t g = 0; g < FCurve.size(); ++g) {
        FBlock = received;
        curve[g][1].Add(
            Judge(FCurve[g]->Retry(FBlock, FCheck, FProtection, doubt), FBlock, FOriginal));
      }
    }
  }

 private:
  int Draw(int bound) {
    return bound <= 1 ? 0 : static_cast<int>(FRandom() % static_cast<unsigned>(bound));
  }

  // A fresh copy of the block and a fresh order of its places.
  void Start() {
    FBlock = FOriginal;
    FPlaces.resize(FBlock.size());
    std::iota(FPlaces.begin(), FPlaces.end(), 0);
    std::shuffle(FPlaces.begin(), FPlaces.end(), FRandom);
    FNext = 0;
  }

  // The next count places: damaged (a non-zero error added) or left clean.
  TIntegers Take(int count) {
    count = std::min(count, static_cast<int>(FPlaces.size()) - FNext);
    TIntegers taken(FPlaces.begin() + FNext, FPlaces.begin() + FNext + count);
    FNext += count;
    return taken;
  }
  TIntegers Damage(int count) {
    TIntegers places = Take(count);
    for (int32_t place : places) FBlock[static_cast<size_t>(place)] ^= 1 + Draw(255);
    return places;
  }
  TIntegers Clean(int count) { return Take(count); }

  const TIntegers& FOriginal;
  int FCheck;
  int FProtection;
  int FBudget = 0;
  std::mt19937& FRandom;
  TReedSolomon FRs;
  TSoftCorrector FSoft;
  TSoftCorrector FDoubling;
  TSoftCorrector FBare;
  // Every-count ladders with the guards of the curve, when asked for.
  std::vector<std::unique_ptr<TSoftCorrector>> FCurve;
  TIntegers FBlock;
  TIntegers FPlaces;
  int FNext = 0;
};

void Print(const TTable& table) {
  static constexpr const char* kLevels[] = {"L", "M", "Q", "H", "all"};
  for (int level = 0; level < 5; ++level) {
    std::printf("\n%s\n",
                level < 4 ? (std::string("level ") + kLevels[level]).c_str() : "all levels");
    std::printf("  %-34s %9s %9s %9s %9s %10s\n", "", "trials", "restored", "wrong", "refused",
                "wrong %");
    for (int row = 0; row < kLadderEvery; ++row) {
      const TTally& t = table[static_cast<size_t>(level)][static_cast<size_t>(row)];
      std::printf("  %-34s %9ld %9ld %9ld %9ld %9.4f%%\n", kRowNames[static_cast<size_t>(row)],
                  t.Trials, t.Restored, t.Wrong, t.Refused,
                  t.Trials > 0
                      ? 100.0 * static_cast<double>(t.Wrong) / static_cast<double>(t.Trials)
                      : 0.0);
    }
  }
  std::printf("\nladders on damage past the capacity, mostly doubted (all levels)\n");
  std::printf("  %-34s %9s %9s %9s %9s %9s %9s\n", "", "trials", "restored", "wrong", "refused",
              "tries", "us/block");
  for (int row = kLadderEvery; row < kRowCount; ++row) {
    const TTally& t = table[4][static_cast<size_t>(row)];
    const auto trials = static_cast<double>(std::max(t.Trials, 1L));
    std::printf("  %-34s %9ld %9ld %9ld %9ld %9.2f %9.2f\n", kRowNames[static_cast<size_t>(row)],
                t.Trials, t.Restored, t.Wrong, t.Refused, static_cast<double>(t.Tries) / trials,
                1e6 * t.Seconds / trials);
  }
}

void PrintCurve(const TCurve& curve) {
  std::printf("\nthe guard: every-count ladder, all levels\n");
  std::printf("  %-10s %28s   %28s\n", "", "soft rows (past the capacity)",
              "ladder rows (mostly doubted)");
  std::printf("  %-10s %9s %9s %9s   %9s %9s %9s\n", "guard bits", "trials", "restored", "wrong",
              "trials", "restored", "wrong");
  for (size_t g = 0; g < curve.size(); ++g) {
    const std::string bits = std::isinf(kCurveBits[g]) ? std::string("none")
                                                       : std::to_string(kCurveBits[g]).substr(0, 4);
    std::printf("  %-10s %9ld %9ld %9ld   %9ld %9ld %9ld\n", bits.c_str(), curve[g][0].Trials,
                curve[g][0].Restored, curve[g][0].Wrong, curve[g][1].Trials, curve[g][1].Restored,
                curve[g][1].Wrong);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int trials = 40;
  bool withCurve = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--curve")
      withCurve = true;
    else
      trials = std::max(std::atoi(argv[i]), 1);
  }
  TTable table{};
  TCurve curve{};
  for (int version = 1; version <= 40; ++version) {
    for (int level = 0; level < 4; ++level) {
      // One seed per version and level: any trial count repeats its start.
      std::mt19937 random(static_cast<unsigned>(version * 4 + level + 1));
      const vornak::test::ReferenceBlocks blocks =
          vornak::test::RandomDataBlocks(version, level, random);
      // The short block shape, and the long one where the symbol has it.
      std::vector<const TIntegers*> shapes = {&blocks.List.front()};
      if (blocks.List.back().size() != blocks.List.front().size())
        shapes.push_back(&blocks.List.back());
      for (const TIntegers* original : shapes) {
        TTrials run(*original, blocks.Check, vornak::test::MisdecodeProtection(version, level),
                    withCurve, random);
        for (int i = 0; i < trials; ++i)
          run.Run(table[static_cast<size_t>(level)], table[4], curve);
      }
    }
  }
  std::printf("errors-and-erasures decoding, %d trials per block shape and row\n", trials);
  Print(table);
  if (withCurve) PrintCurve(curve);
  return 0;
}
