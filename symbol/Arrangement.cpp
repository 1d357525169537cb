#include "symbol/Arrangement.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "symbol/MicroTables.h"
#include "symbol/Model1Tables.h"
#include "symbol/RectTables.h"
#include "symbol/StandardTables.h"

namespace vornak {

namespace {

// Modules across (or down) a kind's version; throws for a version out of
// range.
int32_t SideOf(TSymbolKind kind, int32_t version, bool height = false) {
  if (kind == TSymbolKind::kRect) {
    if (!rmqr::IsValidVersion(version))
      throw std::invalid_argument("rMQR version out of range 1..32: " + std::to_string(version));
    return height ? rmqr::SizeOf(version).Height : rmqr::SizeOf(version).Width;
  }
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
    : TModule(SideOf(kind, version), SideOf(kind, version, true)), FKind(kind), FVersion(version) {
  if (kind == TSymbolKind::kMicro) {
    MarkMicro();
  } else if (kind == TSymbolKind::kRect) {
    MarkRectangular();
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

void TArrangement::MarkRectangular() {
  const int32_t w = Width();
  const int32_t h = Height();
  // The finder with its separator (a column, and a row where the symbol is
  // taller than the finder), the finder sub-pattern in the opposite corner,
  // and the format information beside each.
  MarkRect(0, 0, 7, std::min(7, h - 1), kFunctionCode);
  SetFunctionCode(3, 3, kCentreCode);
  MarkRect(w - 5, h - 5, w - 1, h - 1, kFunctionCode);
  SetFunctionCode(w - 3, h - 3, kCentreCode);
  MarkRect(8, 1, 10, 5, kFunctionCode);
  MarkRect(11, 1, 11, 3, kFunctionCode);
  MarkRect(w - 8, h - 6, w - 6, h - 2, kFunctionCode);
  MarkRect(w - 5, h - 6, w - 3, h - 6, kFunctionCode);
  // The corner patterns: three dark modules along each free corner's edges
  // and a light one inside (the bottom-left one only below the separator).
  MarkRect(w - 3, 0, w - 1, 0, kFunctionCode);
  MarkRect(w - 1, 1, w - 1, 2, kFunctionCode);
  SetFunctionCode(w - 2, 1, kFunctionCode);
  MarkRect(0, h - 1, 2, h - 1, kFunctionCode);
  if (h >= 11) {
    MarkRect(0, h - 3, 0, h - 2, kFunctionCode);
    SetFunctionCode(1, h - 2, kFunctionCode);
  }
  // Alignment patterns on the top and bottom edges, a vertical timing line
  // between each pair.
  for (int32_t xc : rmqr::AlignmentColumns(w)) {
    if (xc == 0) break;
    MarkRect(xc - 1, 0, xc + 1, 2, kFunctionCode);
    MarkRect(xc - 1, h - 3, xc + 1, h - 1, kFunctionCode);
    SetFunctionCode(xc, 1, kCentreCode);
    SetFunctionCode(xc, h - 2, kCentreCode);
    for (int32_t y = 3; y <= h - 4; ++y) SetFunctionCode(xc, y, kTimingCode);
  }
  // Timing along the top and bottom edges and down the free sides.
  for (int32_t x = 0; x < w; ++x) {
    if (GetFunctionCode(x, 0) == kDataCode) SetFunctionCode(x, 0, kTimingCode);
    if (GetFunctionCode(x, h - 1) == kDataCode) SetFunctionCode(x, h - 1, kTimingCode);
  }
  for (int32_t y = 0; y < h; ++y) {
    if (GetFunctionCode(w - 1, y) == kDataCode) SetFunctionCode(w - 1, y, kTimingCode);
    if (GetFunctionCode(0, y) == kDataCode) SetFunctionCode(0, y, kTimingCode);
  }
}

void TArrangement::MarkThreeFinders() {
  const int32_t w = Width();
  const int32_t h = Height();
  MarkRect(0, 0, 8, 8, kFunctionCode);
  SetFunctionCode(3, 3, kCentreCode);
  MarkRect(w - 8, 0, w - 1, 8, kFunctionCode);
  SetFunctionCode(w - 4, 3, kCentreCode);
  MarkRect(0, h - 8, 8, h - 1, kFunctionCode);
  SetFunctionCode(3, h - 4, kCentreCode);
}

void TArrangement::MarkModel1() {
  const int32_t w = Width();
  const int32_t h = Height();
  MarkThreeFinders();
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
  MarkThreeFinders();

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
  if (FKind == TSymbolKind::kRect) return rmqr::SizeOf(FVersion).Codewords;
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
