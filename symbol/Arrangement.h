#pragma once

#include <cstdint>
#include <memory>

#include "symbol/Module.h"
#include "symbol/SeedModule.h"
#include "symbol/SymbolKind.h"

namespace vornak {

// A module matrix with its function-pattern map filled for one kind and
// version.
// Function codes: 0 data module, 1 centre of a finder or alignment position,
// 2 timing pattern, 3 any other function module.
class TArrangement : public TModule {
 public:
  static constexpr uint8_t kDataCode = 0;
  static constexpr uint8_t kCentreCode = 1;
  static constexpr uint8_t kTimingCode = 2;
  static constexpr uint8_t kFunctionCode = 3;

  // Throws std::invalid_argument for a version outside 1..40.
  explicit TArrangement(int32_t version);
  // The map of a kind's version: QR Code 1..40, Micro QR 1..4 (M1..M4),
  // rMQR 1..32 (R7x43..R17x139), Model 1 1..14.
  // Throws std::invalid_argument for a version outside the kind's range.
  TArrangement(TSymbolKind kind, int32_t version);

  TSymbolKind Kind() const { return FKind; }
  int32_t Version() const { return FVersion; }
  // The alignment coordinates of a QR Code version; nullptr for the other
  // kinds.
  const TSeedModule* Alignment() const { return FAlignment.get(); }

  // True for finder patterns with separators, format and version areas, the
  // dark module, timing and alignment patterns; false outside the matrix.
  bool IsFunctionModule(int32_t x, int32_t y) const { return GetFunctionCode(x, y) != kDataCode; }

  // Data plus error-correction codewords the data region holds; the
  // remainder bits are not counted (a Micro QR half codeword is, and so is
  // Model 1's first codeword, whose high half is not placed).
  int32_t CodewordCount() const;

 private:
  void MarkModel2();
  void MarkMicro();
  void MarkRectangular();
  // Finders, format and timing as Model 2 (no alignment, no version
  // information), the extension patterns and the fixed corner.
  void MarkModel1();
  // The three finders with their separators and the format areas beside
  // them (QR Code, both models).
  void MarkThreeFinders();
  void MarkRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t code);
  void MarkSquare(int32_t x, int32_t y, int32_t radius, uint8_t code);

  TSymbolKind FKind = TSymbolKind::kModel2;
  int32_t FVersion = 0;
  std::unique_ptr<TSeedModule> FAlignment;
};

}  // namespace vornak
