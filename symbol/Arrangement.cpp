#include "symbol/Arrangement.h"

#include <stdexcept>
#include <string>

#include "symbol/MicroTables.h"
#include "symbol/Model1Tables.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

// Modules per side of a kind's version; throws for a version out of range.
int32_t SideOf(TSymbolKind kind, int32_t version) {
  if (kind == TSymbolKind::kMicro) {
    if (!micro::IsValidVersion(version))
      throw std::invalid_argument("Micro QR version out of range 1..4: " + std::to_string(version));
    return micro::SymbolSide(version);
  }
  if (kind == TSymbolKind::kModel1) {
    if (!model1::IsValidVersion(version))
      throw std::invalid_argument("QR Code Model 1 version out of range 1..14: " +
                                  std::to_string(version));
    return model1::SymbolSide(version);
  }
  if (!IsValidVersion(version))
    throw std::invalid_argument("QR Code version out of range 1..40: " + std::to_string(version));
  return SymbolSide(version);
}

}  // namespace

TArrangement::TArrangement(int32_t version)
    : TModule(version), FVersion(version), FAlignment(std::make_unique<TSeedModule>(version)) {
  MarkModel2();
}

TArrangement::TArrangement(TSymbolKind kind, int32_t version)
    : TModule(SideOf(kind, version), SideOf(kind, version)), FKind(kind), FVersion(version) {
  if (kind == TSymbolKind::kMicro) {
    MarkMicro();
  } else if (kind == TSymbolKind::kModel1) {
    MarkModel1();
  } else {
    FAlignment = std::make_unique<TSeedModule>(version);
    MarkModel2();
  }
}

void TArrangement::MarkMicro() {
  // One finder with its separator, the format information beside it (row and
  // column 8), and the timing patterns along the top and left edges.
  MarkRect(0, 0, 8, 8, kFunctionCode);
  SetFunctionCode(3, 3, kCentreCode);
  for (int32_t k = 9; k < Width(); ++k) {
    SetFunctionCode(k, 0, kTimingCode);
    SetFunctionCode(0, k, kTimingCode);
  }
}

void TArrangement::MarkModel1() {
  const int32_t w = Width();
  const int32_t h = Height();
  MarkRect(0, 0, 8, 8, kFunctionCode);
  SetFunctionCode(3, 3, kCentreCode);
  MarkRect(w - 8, 0, w - 1, 8, kFunctionCode);
  SetFunctionCode(w - 4, 3, kCentreCode);
  MarkRect(0, h - 8, 8, h - 1, kFunctionCode);
  SetFunctionCode(3, h - 4, kCentreCode);
  for (int32_t k = 9; k <= w - 9; ++k) {
    SetFunctionCode(k, 6, kTimingCode);
    SetFunctionCode(6, k, kTimingCode);
  }
  for (int32_t k = 0; k < model1::ExtensionCount(FVersion); ++k) {
    const int32_t p = model1::ExtensionPosition(FVersion, k);
    MarkRect(w - 2, p, w - 1, p + 3, kFunctionCode);
    MarkRect(p, h - 2, p + 3, h - 1, kFunctionCode);
  }
  MarkRect(w - 2, h - 2, w - 1, h - 1, kFunctionCode);
}

void TArrangement::MarkModel2() {
  const int32_t version = FVersion;
  const int32_t w = Width();
  const int32_t h = Height();

  // Finder patterns with separators; the areas also take in the format
  // information, the timing modules (8, 6) and (6, 8) and the dark module.
  MarkRect(0, 0, 8, 8, kFunctionCode);
  SetFunctionCode(3, 3, kCentreCode);
  MarkRect(w - 8, 0, w - 1, 8, kFunctionCode);
  SetFunctionCode(w - 4, 3, kCentreCode);
  MarkRect(0, h - 8, 8, h - 1, kFunctionCode);
  SetFunctionCode(3, h - 4, kCentreCode);

  // Alignment patterns. A centre that falls on a finder area gets no square,
  // which drops the three positions beside the finders; version 1 has no
  // alignment pattern at all, so its (14, 14) is skipped.
  const int32_t count = FAlignment->Count();
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t j = 0; j < count; ++j) {
      const int32_t x = FAlignment->Coordinate(j);
      const int32_t y = FAlignment->Coordinate(i);
      if (version == 1 && x == 14 && y == 14) continue;
      if (GetFunctionCode(x, y) == kDataCode) MarkSquare(x, y, 2, kFunctionCode);
      SetFunctionCode(x, y, kCentreCode);
    }
  }

  // Timing patterns, where no alignment square lies already.
  for (int32_t x = 8; x <= w - 9; ++x)
    if (GetFunctionCode(x, 6) == kDataCode) SetFunctionCode(x, 6, kTimingCode);
  for (int32_t y = 8; y <= h - 9; ++y)
    if (GetFunctionCode(6, y) == kDataCode) SetFunctionCode(6, y, kTimingCode);

  // Version information blocks.
  if (version >= 7) {
    MarkRect(w - 11, 0, w - 9, 5, kFunctionCode);
    MarkRect(0, h - 11, 5, h - 9, kFunctionCode);
  }
}

void TArrangement::MarkRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t code) {
  for (int32_t x = x0; x <= x1; ++x)
    for (int32_t y = y0; y <= y1; ++y) SetFunctionCode(x, y, code);
}

void TArrangement::MarkSquare(int32_t x, int32_t y, int32_t radius, uint8_t code) {
  MarkRect(x - radius, y - radius, x + radius, y + radius, code);
}

int32_t TArrangement::CodewordCount() const {
  if (FKind == TSymbolKind::kMicro) return micro::Codewords[static_cast<size_t>(FVersion - 1)];
  if (FKind == TSymbolKind::kModel1) return model1::Codewords(FVersion);
  // Per version group: alignment centres on each timing line (k) and
  // alignment patterns drawn (a).
  struct Group {
    int32_t LastVersion, K, A;
  };
  static constexpr Group kGroups[] = {{1, 0, 0},   {6, 0, 1},   {13, 1, 6}, {20, 2, 13},
                                      {27, 3, 22}, {34, 4, 33}, {40, 5, 46}};
  int32_t k = 0;
  int32_t a = 0;
  for (const Group& group : kGroups) {
    if (FVersion <= group.LastVersion) {
      k = group.K;
      a = group.A;
      break;
    }
  }
  const int32_t timing = 2 * (SymbolSide(FVersion) - 16 - 5 * k);
  const int32_t format = FormatModules + (FVersion >= 7 ? VersionModules : 0);
  return (Width() * Height() - FinderModules - format - timing - 25 * a) / 8;
}

}  // namespace vornak
