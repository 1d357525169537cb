#pragma once

#include <cstdint>
#include <memory>

#include "common/Base.h"
#include "common/Types.h"
#include "symbol/Arrangement.h"
#include "symbol/SymbolKind.h"

namespace vornak {

// The description of one sampled symbol: its kind, module matrix, version,
// error-correction level and data mask, read from the format information.
class TSymbol : public TBase {
 public:
  TSymbol() = default;
  ~TSymbol() override = default;

  // Copies the sampled matrix (indexed (x, y), non-zero = dark) into a fresh
  // module matrix for version (height - 17) / 4 and reads the format
  // information. Throws std::invalid_argument when width and height are not
  // one side 4V + 17 of a version 1..40 or the plane is smaller than that;
  // the previous matrix is dropped either way.
  void LoadMatrix(const TPlaneBoolean& matrix, int32_t height, int32_t width);
  // The same for a kind: a Micro QR side is 2V + 9 of M1..M4 (V 1..4), whose
  // one format copy names the version and level together (FormatOk() is
  // false when it names another version than the side's); a Model 1 side is
  // 4V + 17 of a version 1..14, its format read as Model 2's under its own
  // mask.
  void LoadMatrix(const TPlaneBoolean& matrix, int32_t height, int32_t width, TSymbolKind kind);
  // rMQR: height and width are one of the 32 sizes; either of the two format
  // copies (eighteen bits, up to three wrong) names the level and the size,
  // which must be the matrix's.

  // Reads both format-information copies and takes the codeword nearest to
  // either (at most three bit errors; on a tie the first copy wins). Sets
  // FormatOk() false when neither copy is within reach.
  void ReadFormat();

  int32_t ECCodewordCount() const;
  int32_t BlockCount() const;

  const TArrangement* Module() const { return FModule.get(); }
  TSymbolKind Kind() const { return FKind; }
  // Micro QR: the symbol number of the format (0 M1, 1 M2-L .. 7 M4-Q);
  // -1 for the other kinds or an unread format.
  int32_t SymbolNumber() const { return FSymbolNumber; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  int32_t Version() const { return FVersion; }
  int32_t Mask() const { return FMask; }
  int32_t Level() const { return FLevel; }
  // Data bits 10 to 14 of the corrected format codeword (element 0 = bit 10).
  const TBooleans& FormatBits() const { return FFormatBits; }
  // False when no format codeword lay within three bits of either copy (or
  // no matrix is loaded); level and mask are then not to be trusted.
  bool FormatOk() const { return FFormatOk; }
  // The copy that decided the format: 1 beside the top-left finder, 2 split
  // beside the other two finders, 0 when none did.
  int32_t FormatCopy() const { return FFormatCopy; }

  // Takes format codeword index format (0..31: level and mask bits, as
  // FormatInfoCodes lists them) as read, whatever the copies say.
  void ForceFormat(int32_t format);
  // The bits between format codeword index format and the nearer of the two
  // copies as sampled (0..15).
  int32_t FormatDistance(int32_t format) const;

  // Module of bit i (0..14, bit 14 most significant) of format copy 1 or 2
  // in a symbol of the given side.
  static TPoint FormatPosition(int32_t copy, int32_t i, int32_t side);
  // Module of bit i (0..14) of the one Micro QR format copy.
  static TPoint MicroFormatPosition(int32_t i);
  // Module of bit i (0..17, bit 0 least significant) of rMQR format copy 1
  // (beside the finder) or 2 (beside the finder sub-pattern).
  static TPoint RectFormatPosition(int32_t copy, int32_t i, int32_t width, int32_t height);

 protected:
  TArrangement* MutableModule() { return FModule.get(); }

 private:
  // Bits of one copy with the format mask removed.
  TBooleans ReadFormatCopy(int32_t copy) const;
  void ReadMicroFormat();
  void ReadRectFormat();
  void LoadModel1(const TPlaneBoolean& matrix, int32_t height, int32_t width);

  std::unique_ptr<TArrangement> FModule;
  TSymbolKind FKind = TSymbolKind::kModel2;
  int32_t FSymbolNumber = -1;
  int32_t FHeight = 0;
  int32_t FWidth = 0;
  int32_t FVersion = 0;
  int32_t FMask = 0;
  int32_t FLevel = 0;
  TBooleans FFormatBits = TBooleans(5, false);
  bool FFormatOk = false;
  int32_t FFormatCopy = 0;
};

}  // namespace vornak
