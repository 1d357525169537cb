#include "symbol/Symbol.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "symbol/BCH15_5.h"
#include "symbol/MicroTables.h"
#include "symbol/Model1Tables.h"
#include "symbol/RectTables.h"
#include "symbol/StandardTables.h"

namespace vornak {

void TSymbol::LoadMatrix(const TPlaneBoolean& matrix, int32_t height, int32_t width,
                         TSymbolKind kind) {
  if (kind == TSymbolKind::kModel2) {
    LoadMatrix(matrix, height, width);
    return;
  }
  if (kind == TSymbolKind::kModel1) {
    LoadModel1(matrix, height, width);
    return;
  }
  FModule.reset();
  FFormatOk = false;
  FFormatCopy = 0;
  FSymbolNumber = -1;
  FKind = kind;
  FHeight = height;
  FWidth = width;
  if (kind == TSymbolKind::kRect) {
    FVersion = rmqr::VersionOf(height, width);
    if (FVersion == 0 || matrix.Width() < width || matrix.Height() < height)
      throw std::invalid_argument("module matrix " + std::to_string(width) + " x " +
                                  std::to_string(height) + " is not an rMQR symbol");
    FModule = std::make_unique<TArrangement>(kind, FVersion);
    for (int32_t x = 0; x < width; ++x)
      for (int32_t y = 0; y < height; ++y) FModule->SetRaw(x, y, matrix(x, y) != 0 ? 1 : 0);
    ReadRectFormat();
    return;
  }
  FVersion = (height - 9) / 2;
  if (height != width || (height - 9) % 2 != 0 || !micro::IsValidVersion(FVersion) ||
      matrix.Width() < width || matrix.Height() < height) {
    FVersion = 0;
    throw std::invalid_argument("module matrix " + std::to_string(width) + " x " +
                                std::to_string(height) + " is not a Micro QR symbol");
  }
  FModule = std::make_unique<TArrangement>(kind, FVersion);
  for (int32_t x = 0; x < width; ++x)
    for (int32_t y = 0; y < height; ++y) FModule->SetRaw(x, y, matrix(x, y) != 0 ? 1 : 0);
  ReadMicroFormat();
}

void TSymbol::LoadModel1(const TPlaneBoolean& matrix, int32_t height, int32_t width) {
  FModule.reset();
  FFormatOk = false;
  FFormatCopy = 0;
  FSymbolNumber = -1;
  FKind = TSymbolKind::kModel1;
  FHeight = height;
  FWidth = width;
  FVersion = (height - 17) / 4;
  if (height != width || (height - 17) % 4 != 0 || !model1::IsValidVersion(FVersion) ||
      matrix.Width() < width || matrix.Height() < height) {
    FVersion = 0;
    throw std::invalid_argument("module matrix " + std::to_string(width) + " x " +
                                std::to_string(height) + " is not a QR Code Model 1 symbol");
  }
  FModule = std::make_unique<TArrangement>(TSymbolKind::kModel1, FVersion);
  for (int32_t x = 0; x < width; ++x)
    for (int32_t y = 0; y < height; ++y) FModule->SetRaw(x, y, matrix(x, y) != 0 ? 1 : 0);
  ReadFormat();
}

TPoint TSymbol::MicroFormatPosition(int32_t i) {
  // Down column 8 below the finder, then leftward along row 8.
  if (i <= 7) return {8, i + 1};
  return {15 - i, 8};
}

void TSymbol::ReadMicroFormat() {
  FFormatOk = false;
  FFormatCopy = 0;
  FSymbolNumber = -1;
  FLevel = 0;
  FMask = 0;
  if (!FModule) return;
  TBooleans bits(15, false);
  for (int32_t i = 0; i < 15; ++i) {
    const TPoint p = MicroFormatPosition(i);
    const bool maskBit = ((micro::FormatMask >> i) & 1) != 0;
    bits[static_cast<size_t>(i)] = (FModule->GetRaw(p.X, p.Y) != 0) != maskBit;
  }
  TBooleans corrected;
  TBCH15_5 decoder(bits);
  decoder.Decode(corrected);
  if (decoder.Failed()) return;
  for (size_t k = 0; k < 5; ++k) FFormatBits[k] = corrected[10 + k];
  const int32_t number =
      (corrected[14] ? 4 : 0) + (corrected[13] ? 2 : 0) + (corrected[12] ? 1 : 0);
  // A format naming another size is no reading of this one.
  if (micro::SymbolNumbers[static_cast<size_t>(number)].Version != FVersion) return;
  FSymbolNumber = number;
  FLevel = micro::SymbolNumbers[static_cast<size_t>(number)].Level;
  FMask = (corrected[11] ? 2 : 0) + (corrected[10] ? 1 : 0);
  FFormatOk = true;
  FFormatCopy = 1;
}

TPoint TSymbol::RectFormatPosition(int32_t copy, int32_t i, int32_t width, int32_t height) {
  // Fifteen bits down three columns, then three along a row.
  if (copy == 1) return i < 15 ? TPoint{8 + i / 5, 1 + i % 5} : TPoint{11, i - 14};
  return i < 15 ? TPoint{width - 8 + i / 5, height - 6 + i % 5}
                : TPoint{width - 20 + i, height - 6};
}

void TSymbol::ReadRectFormat() {
  FFormatOk = false;
  FFormatCopy = 0;
  FLevel = 0;
  FMask = rmqr::DataMask;
  if (!FModule) return;
  // A copy counts when the codeword it lies within three bits of names the
  // matrix's size; the nearer such copy decides (the first on a tie).
  int32_t best = 4;
  int32_t bestData = -1;
  for (int32_t copy = 1; copy <= 2; ++copy) {
    const int32_t mask = copy == 1 ? rmqr::FormatMaskFinder : rmqr::FormatMaskSubFinder;
    int32_t word = 0;
    for (int32_t i = 0; i < 18; ++i) {
      const TPoint p = RectFormatPosition(copy, i, FWidth, FHeight);
      if (FModule->GetRaw(p.X, p.Y) != 0) word |= 1 << i;
    }
    word ^= mask;
    const int32_t d = rmqr::FormatData(word);
    if (d < 0 || (d & 31) + 1 != FVersion || rmqr::FormatDistance(word, d) >= best) continue;
    best = rmqr::FormatDistance(word, d);
    bestData = d;
    FFormatCopy = copy;
  }
  if (bestData < 0) return;
  FLevel = (bestData & 32) != 0 ? rmqr::kLevelH : rmqr::kLevelM;
  FFormatOk = true;
}

void TSymbol::LoadMatrix(const TPlaneBoolean& matrix, int32_t height, int32_t width) {
  FModule.reset();
  FKind = TSymbolKind::kModel2;
  FSymbolNumber = -1;
  FFormatOk = false;
  FFormatCopy = 0;
  FHeight = height;
  FWidth = width;
  FVersion = (height - 17) / 4;
  if (height != width || (height - 17) % 4 != 0 || !IsValidVersion(FVersion)) {
    FVersion = 0;
    throw std::invalid_argument("module matrix " + std::to_string(width) + " x " +
                                std::to_string(height) + " is not a QR Code symbol");
  }
  if (matrix.Width() < width || matrix.Height() < height) {
    FVersion = 0;
    throw std::invalid_argument("module matrix plane smaller than " + std::to_string(width) +
                                " x " + std::to_string(height));
  }
  FModule = std::make_unique<TArrangement>(FVersion);
  for (int32_t x = 0; x < width; ++x)
    for (int32_t y = 0; y < height; ++y) FModule->SetRaw(x, y, matrix(x, y) != 0 ? 1 : 0);
  ReadFormat();
}

TPoint TSymbol::FormatPosition(int32_t copy, int32_t i, int32_t side) {
  if (copy == 1) {
    if (i <= 5) return {8, i};
    if (i == 6) return {8, 7};
    if (i == 7) return {8, 8};
    if (i == 8) return {7, 8};
    return {14 - i, 8};
  }
  if (i <= 7) return {side - 1 - i, 8};
  return {8, side - 15 + i};
}

TBooleans TSymbol::ReadFormatCopy(int32_t copy) const {
  // The two models differ only in the mask of their format information.
  const int32_t mask = FKind == TSymbolKind::kModel1 ? model1::FormatMask : FormatMask;
  TBooleans bits(15, false);
  for (int32_t i = 0; i < 15; ++i) {
    const TPoint p = FormatPosition(copy, i, FWidth);
    const bool maskBit = ((mask >> i) & 1) != 0;
    bits[static_cast<size_t>(i)] = (FModule->GetRaw(p.X, p.Y) != 0) != maskBit;
  }
  return bits;
}

void TSymbol::ForceFormat(int32_t format) {
  FFormatOk = FModule != nullptr;
  FFormatCopy = 0;
  const int32_t word = FormatInfoCodes[static_cast<size_t>(format & 31)];
  for (size_t k = 0; k < 5; ++k) FFormatBits[k] = ((word >> (10 + k)) & 1) != 0;
  // Level bits 14, 13: 00 M, 01 L, 11 Q, 10 H.
  static constexpr int32_t kLevelOfBits[4] = {1, 0, 3, 2};
  FLevel = kLevelOfBits[(word >> 13) & 3];
  FMask = (word >> 10) & 7;
}

int32_t TSymbol::FormatDistance(int32_t format) const {
  if (!FModule) return 15;
  const int32_t word = FormatInfoCodes[static_cast<size_t>(format & 31)];
  int32_t nearest = 15;
  for (int32_t copy = 1; copy <= 2; ++copy) {
    const TBooleans bits = ReadFormatCopy(copy);
    int32_t distance = 0;
    for (int32_t i = 0; i < 15; ++i)
      distance += bits[static_cast<size_t>(i)] != (((word >> i) & 1) != 0) ? 1 : 0;
    nearest = std::min(nearest, distance);
  }
  return nearest;
}

void TSymbol::ReadFormat() {
  if (FKind == TSymbolKind::kMicro) {
    ReadMicroFormat();
    return;
  }
  if (FKind == TSymbolKind::kRect) {
    ReadRectFormat();
    return;
  }
  FFormatOk = false;
  FFormatCopy = 0;
  if (!FModule) return;

  TBooleans first;
  TBCH15_5 firstDecoder(ReadFormatCopy(1));
  firstDecoder.Decode(first);
  TBooleans second;
  TBCH15_5 secondDecoder(ReadFormatCopy(2));
  secondDecoder.Decode(second);

  // The nearer copy decides; a clean or equally near first copy always wins.
  const TBooleans* chosen = &first;
  if (!firstDecoder.Failed()) {
    FFormatCopy = 1;
    if (!secondDecoder.Failed() && secondDecoder.Distance() < firstDecoder.Distance()) {
      chosen = &second;
      FFormatCopy = 2;
    }
  } else if (!secondDecoder.Failed()) {
    chosen = &second;
    FFormatCopy = 2;
  }
  FFormatOk = FFormatCopy != 0;

  const TBooleans& c = *chosen;
  for (size_t k = 0; k < 5; ++k) FFormatBits[k] = c[10 + k];
  // Level bits 14, 13: 00 M, 01 L, 11 Q, 10 H.
  static constexpr int32_t kLevelOfBits[4] = {1, 0, 3, 2};
  FLevel = kLevelOfBits[(c[14] ? 2 : 0) + (c[13] ? 1 : 0)];
  FMask = (c[12] ? 4 : 0) + (c[11] ? 2 : 0) + (c[10] ? 1 : 0);
}

namespace {

const rmqr::TBlocks* RectBlocks(int32_t version, int32_t level) {
  if (!rmqr::IsValidVersion(version)) return nullptr;
  if (level != rmqr::kLevelM && level != rmqr::kLevelH) return nullptr;
  return &rmqr::SizeOf(version).Blocks[level == rmqr::kLevelM ? 0 : 1];
}

}  // namespace

int32_t TSymbol::ECCodewordCount() const {
  if (FKind == TSymbolKind::kRect) {
    const rmqr::TBlocks* blocks = RectBlocks(FVersion, FLevel);
    return blocks == nullptr ? 0 : blocks->Count * blocks->Check;
  }
  if (FKind == TSymbolKind::kMicro)
    return FSymbolNumber < 0 ? 0 : micro::SymbolNumbers[static_cast<size_t>(FSymbolNumber)].Check;
  if (FKind == TSymbolKind::kModel1) {
    if (!model1::IsValidVersion(FVersion) || !IsValidLevel(FLevel)) return 0;
    return model1::Codewords(FVersion) - model1::Level(FVersion, FLevel).Data;
  }
  if (!IsValidVersion(FVersion) || !IsValidLevel(FLevel)) return 0;
  return ECCodewords[static_cast<size_t>(FVersion - 1)][static_cast<size_t>(FLevel)];
}

int32_t TSymbol::BlockCount() const {
  if (FKind == TSymbolKind::kRect) {
    const rmqr::TBlocks* blocks = RectBlocks(FVersion, FLevel);
    return blocks == nullptr ? 0 : blocks->Count;
  }
  if (FKind == TSymbolKind::kMicro) return FSymbolNumber < 0 ? 0 : 1;
  if (FKind == TSymbolKind::kModel1)
    return model1::IsValidVersion(FVersion) && IsValidLevel(FLevel)
               ? model1::Level(FVersion, FLevel).Blocks
               : 0;
  if (!IsValidVersion(FVersion) || !IsValidLevel(FLevel)) return 0;
  return ECBlocks[static_cast<size_t>(FVersion - 1)][static_cast<size_t>(FLevel)];
}

}  // namespace vornak
