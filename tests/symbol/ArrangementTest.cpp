#include "symbol/Arrangement.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "symbol/StandardTables.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

// Total codewords per version (ISO/IEC 18004 Table 1).
constexpr int kTotalCodewords[40] = {26,   44,   70,   100,  134,  172,  196,  242,  292,  346,
                                     404,  466,  532,  581,  655,  733,  815,  901,  991,  1085,
                                     1156, 1258, 1364, 1474, 1588, 1706, 1828, 1921, 2051, 2185,
                                     2323, 2465, 2611, 2761, 2876, 3034, 3196, 3362, 3532, 3706};

int RemainderBits(int version) {
  if (version == 1) return 0;
  if (version <= 6) return 7;
  if (version <= 13) return 0;
  if (version <= 20) return 3;
  if (version <= 27) return 4;
  if (version <= 34) return 3;
  return 0;
}

int DataModules(const TArrangement& a) {
  int count = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (!a.IsFunctionModule(x, y)) ++count;
  return count;
}

TEST(Arrangement, CodewordCountAndDataModulesForEveryVersion) {
  for (int version = 1; version <= 40; ++version) {
    SCOPED_TRACE(version);
    const TArrangement a(version);
    EXPECT_EQ(a.Width(), 4 * version + 17);
    EXPECT_EQ(a.Height(), a.Width());
    EXPECT_EQ(a.Version(), version);
    EXPECT_EQ(a.CodewordCount(), kTotalCodewords[version - 1]);
    EXPECT_EQ(DataModules(a), 8 * a.CodewordCount() + RemainderBits(version));
  }
}

TEST(Arrangement, Version1HasNoAlignmentPattern) {
  const TArrangement a(1);
  EXPECT_EQ(a.Width() * a.Height() - DataModules(a), 233);
  EXPECT_EQ(DataModules(a), 208);
  EXPECT_EQ(a.GetFunctionCode(6, 6), TArrangement::kCentreCode);
  EXPECT_EQ(a.GetFunctionCode(6, 14), TArrangement::kCentreCode);
  EXPECT_EQ(a.GetFunctionCode(14, 6), TArrangement::kCentreCode);
  EXPECT_FALSE(a.IsFunctionModule(14, 14));
  EXPECT_FALSE(a.IsFunctionModule(12, 12));
  EXPECT_EQ(a.GetFunctionCode(3, 3), TArrangement::kCentreCode);
  EXPECT_EQ(a.GetFunctionCode(17, 3), TArrangement::kCentreCode);
  EXPECT_EQ(a.GetFunctionCode(3, 17), TArrangement::kCentreCode);
  EXPECT_EQ(a.GetFunctionCode(10, 6), TArrangement::kTimingCode);
  EXPECT_EQ(a.GetFunctionCode(6, 12), TArrangement::kTimingCode);
  EXPECT_TRUE(a.IsFunctionModule(8, 13));  // dark module
}

TEST(Arrangement, Version2And7AlignmentAndVersionAreas) {
  const TArrangement two(2);
  EXPECT_EQ(two.GetFunctionCode(18, 18), TArrangement::kCentreCode);
  for (int d = -2; d <= 2; ++d) {
    EXPECT_TRUE(two.IsFunctionModule(18 + d, 16));
    EXPECT_TRUE(two.IsFunctionModule(20, 18 + d));
  }
  EXPECT_FALSE(two.IsFunctionModule(15, 18));
  EXPECT_FALSE(two.IsFunctionModule(18, 21));

  const TArrangement seven(7);
  EXPECT_EQ(seven.GetFunctionCode(6, 22), TArrangement::kCentreCode);
  EXPECT_EQ(seven.GetFunctionCode(22, 6), TArrangement::kCentreCode);
  // The squares on the timing lines keep the code of the square.
  EXPECT_EQ(seven.GetFunctionCode(6, 20), TArrangement::kFunctionCode);
  EXPECT_EQ(seven.GetFunctionCode(24, 6), TArrangement::kFunctionCode);
  EXPECT_EQ(seven.GetFunctionCode(6, 19), TArrangement::kTimingCode);
  EXPECT_TRUE(seven.IsFunctionModule(22, 22));
  EXPECT_TRUE(seven.IsFunctionModule(38, 38));
  const int n = seven.Width();
  for (int i = 0; i < 18; ++i) {
    EXPECT_TRUE(seven.IsFunctionModule(i / 3, n - 11 + i % 3));
    EXPECT_TRUE(seven.IsFunctionModule(n - 11 + i % 3, i / 3));
  }
  EXPECT_FALSE(seven.IsFunctionModule(n - 12, 0));
  EXPECT_FALSE(seven.IsFunctionModule(0, n - 12));
  EXPECT_EQ(seven.CodewordCount(), 196);
}

TEST(Arrangement, OutsideTheMatrixIsNotFunctionAndIgnoresWrites) {
  TArrangement a(3);
  const int n = a.Width();
  EXPECT_FALSE(a.IsFunctionModule(-1, 3));
  EXPECT_FALSE(a.IsFunctionModule(3, n));
  EXPECT_FALSE(a.IsFunctionModule(n, 0));
  a.SetRaw(-1, 0, 1);
  a.SetData(n, n, 1);
  a.SetMaskBit(0, -5, 1);
  EXPECT_EQ(a.GetRaw(-1, 0), 0);
  EXPECT_EQ(a.GetData(n, n), 0);
  EXPECT_EQ(a.GetMaskBit(0, -5), 0);
  // The four layers of one module are independent.
  a.SetRaw(10, 11, 1);
  a.SetMaskBit(10, 11, 1);
  EXPECT_EQ(a.GetData(10, 11), 0);
  EXPECT_EQ(a.GetRaw(11, 10), 0);
  a.SetData(10, 11, 1);
  a.SetRaw(10, 11, 0);
  EXPECT_EQ(a.GetData(10, 11), 1);
  EXPECT_EQ(a.GetMaskBit(10, 11), 1);
}

TEST(Arrangement, VersionOutOfRangeIsRefused) {
  EXPECT_THROW(TArrangement(0), std::invalid_argument);
  EXPECT_THROW(TArrangement(41), std::invalid_argument);
  EXPECT_THROW(TModule(-3), std::invalid_argument);
  EXPECT_THROW(TSeedModule(0), std::invalid_argument);
}

TEST(SeedModule, CountsAndCoordinates) {
  const TSeedModule seven(7);
  EXPECT_EQ(seven.Count(), 3);
  EXPECT_EQ(seven.Coordinate(0), 6);
  EXPECT_EQ(seven.Coordinate(1), 22);
  EXPECT_EQ(seven.Coordinate(2), 38);
  EXPECT_EQ(seven.Coordinates(), (std::vector<int32_t>{6, 22, 38}));
  const TSeedModule forty(40);
  EXPECT_EQ(forty.Count(), 7);
  EXPECT_EQ(forty.Coordinate(6), 170);
  EXPECT_EQ(forty.Coordinates().size(), 7u);
  EXPECT_EQ(forty.Coordinates().back(), SymbolSide(40) - 7);
  const TSeedModule one(1);
  EXPECT_EQ(one.Count(), 2);
  EXPECT_EQ(one.Coordinate(1), 14);
  EXPECT_THROW(one.Coordinate(2), std::out_of_range);
  EXPECT_THROW(one.Coordinate(-1), std::out_of_range);
}

// A module that keeps its value in symbols of random data (same level and
// mask) belongs to a function pattern, or is one of the remainder bits the
// encoder leaves light. The map must agree with the encoder on every version.
TEST(ArrangementSweep, FunctionMapMatchesTheEncodersFixedModules) {
  std::mt19937 random(99);
  constexpr int kSymbols = 24;
  for (int version = 1; version <= 40; ++version) {
    SCOPED_TRACE(version);
    const int level = version % 4;
    const int mask = (version * 3) % 8;
    const int dataCount = test::DataCodewordCount(version, level);
    std::vector<test::ReferenceSymbol> symbols;
    for (int s = 0; s < kSymbols; ++s) {
      std::vector<uint8_t> data(static_cast<size_t>(dataCount));
      for (uint8_t& b : data) b = static_cast<uint8_t>(random() & 0xFF);
      symbols.push_back(test::MakeFromDataCodewords(data, version, level, mask));
    }
    const TArrangement a(version);
    int fixedDataModules = 0;
    for (int y = 0; y < a.Height(); ++y) {
      for (int x = 0; x < a.Width(); ++x) {
        bool fixed = true;
        for (const auto& symbol : symbols)
          fixed = fixed && symbol.Matrix(x, y) == symbols[0].Matrix(x, y);
        if (a.IsFunctionModule(x, y))
          EXPECT_TRUE(fixed) << "function module " << x << "," << y << " varies";
        else if (fixed)
          ++fixedDataModules;
      }
    }
    EXPECT_EQ(fixedDataModules, RemainderBits(version));
  }
}

}  // namespace
}  // namespace vornak

namespace vornak {
namespace {

// The Micro QR map leaves as many data modules as its codewords fill: eight
// each, four for the half codeword of M1 and M3; the finder, separator and
// format block (9 x 9) and the two timing edges are function modules.
TEST(MicroArrangement, DataModulesFillTheCodewords) {
  for (int version = 1; version <= 4; ++version) {
    const TArrangement map(TSymbolKind::kMicro, version);
    const int side = 2 * version + 9;
    ASSERT_EQ(map.Width(), side);
    ASSERT_EQ(map.Height(), side);
    EXPECT_EQ(map.Kind(), TSymbolKind::kMicro);
    EXPECT_EQ(map.Alignment(), nullptr);
    int data = 0;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) data += map.IsFunctionModule(x, y) ? 0 : 1;
    const int half = version == 1 || version == 3 ? 4 : 0;
    EXPECT_EQ(data, 8 * map.CodewordCount() - half) << "M" << version;
    for (int k = 9; k < side; ++k) {
      EXPECT_EQ(map.GetFunctionCode(k, 0), TArrangement::kTimingCode);
      EXPECT_EQ(map.GetFunctionCode(0, k), TArrangement::kTimingCode);
    }
    EXPECT_TRUE(map.IsFunctionModule(8, 8));
    EXPECT_FALSE(map.IsFunctionModule(9, 9));
  }
  EXPECT_THROW(TArrangement(TSymbolKind::kMicro, 0), std::invalid_argument);
  EXPECT_THROW(TArrangement(TSymbolKind::kMicro, 5), std::invalid_argument);
  // The QR Code map of a kind is the map of the version.
  EXPECT_EQ(TArrangement(TSymbolKind::kModel2, 7).CodewordCount(), TArrangement(7).CodewordCount());
}

// The Model 1 map leaves eight data modules to each codeword but the
// first, whose high half the corner stands for; its extension patterns lie
// on the right and bottom edges, the corner is a function block, and there
// is no alignment pattern or version information.
TEST(Model1Arrangement, DataModulesFillTheCodewords) {
  // Total codewords of versions 1 to 11 as remembered from the standard
  // (2 and 5 confirmed on real symbols).
  constexpr int kRemembered[11] = {26, 46, 72, 100, 134, 170, 212, 256, 306, 358, 416};
  for (int version = 1; version <= 14; ++version) {
    SCOPED_TRACE(version);
    const TArrangement map(TSymbolKind::kModel1, version);
    const int side = 4 * version + 17;
    ASSERT_EQ(map.Width(), side);
    EXPECT_EQ(map.Kind(), TSymbolKind::kModel1);
    EXPECT_EQ(map.Alignment(), nullptr);
    EXPECT_EQ(DataModules(map), 8 * map.CodewordCount() - 4);
    if (version <= 11) {
      EXPECT_EQ(map.CodewordCount(), kRemembered[version - 1]);
    }
    for (int x = side - 2; x < side; ++x)
      for (int y = side - 2; y < side; ++y) EXPECT_TRUE(map.IsFunctionModule(x, y));
    // Patterns every eight modules from side - 12 towards the finders.
    int patterns = 0;
    for (int p = 9; p < side - 2; ++p) {
      const bool right = map.IsFunctionModule(side - 1, p) && map.IsFunctionModule(side - 2, p);
      const bool bottom = map.IsFunctionModule(p, side - 1) && map.IsFunctionModule(p, side - 2);
      EXPECT_EQ(right, bottom) << p;
      EXPECT_EQ(right, p >= 13 && (p - (side - 12) + 8 * 8) % 8 < 4 && p <= side - 9) << p;
      EXPECT_FALSE(map.IsFunctionModule(side - 3, p)) << p;
      patterns += right ? 1 : 0;
    }
    EXPECT_EQ(patterns % 4, 0);
    EXPECT_EQ(patterns / 4, version <= 1 ? 0 : version / 2);
    // Timing, no version information.
    EXPECT_EQ(map.GetFunctionCode(10, 6), TArrangement::kTimingCode);
    EXPECT_EQ(map.GetFunctionCode(6, 10), TArrangement::kTimingCode);
    if (version >= 7) {
      EXPECT_FALSE(map.IsFunctionModule(side - 11, 0));
    }
  }
  EXPECT_THROW(TArrangement(TSymbolKind::kModel1, 0), std::invalid_argument);
  EXPECT_THROW(TArrangement(TSymbolKind::kModel1, 15), std::invalid_argument);
}

}  // namespace
}  // namespace vornak
