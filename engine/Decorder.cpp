#include "engine/Decorder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <mutex>
#include <utility>

#include "symbol/MicroTables.h"
#include "symbol/Model1Tables.h"
#include "symbol/RectTables.h"

namespace vornak {

TDecorder::TDecorder()
    : FReader(std::make_unique<TImageReader>()),
      FReedSolomon(std::make_unique<TReedSolomon>()),
      FSoftCorrector(std::make_unique<TSoftCorrector>()) {}

TDecorder::~TDecorder() = default;

const char* TDecorder::Message(int32_t code) {
  if (code < 1 || code > static_cast<int32_t>(kMessages.size())) return "";
  return kMessages[static_cast<size_t>(code - 1)];
}

int32_t TDecorder::MisdecodeProtection(int32_t version, int32_t level) {
  if (version == 1) return level == 0 ? 3 : (level == 1 ? 2 : 1);
  if (version == 2 && level == 0) return 2;
  if (version == 3 && level == 0) return 1;
  return 0;
}

int32_t TDecorder::GuardedProtection(int32_t length, int32_t check) {
  // The fewest kept back that make a random block correct no more often
  // than QR Code's least safe block does (2-L with its reserve).
  for (int32_t kept = 0; kept < check; ++kept)
    if (TSoftCorrector::OddsBits(length, check, 0, (check - kept) / 2) >=
        TSoftCorrector::kGuardBits)
      return kept;
  return check;
}

int32_t TDecorder::Fail(int32_t code) {
  SetErrorCode(code);
  FErrorText = Message(code);
  return code;
}

void TDecorder::SetWarp(int32_t value) { FReader->SetWarp(value); }

void TDecorder::SetForceVersion(int32_t value) { FReader->SetForceVersion(value); }

int32_t TDecorder::DecodePlane(const TPlaneBoolean& plane, int32_t width, int32_t height,
                               std::string& text) {
  FErrorText.clear();
  SetErrorCode(FReader->Read(plane, width, height));
  if (ErrorCode() >= 1) return Fail(ErrorCode());
  // The classic pipeline reads the modes and kinds it always read, so that
  // what it gives stays as it was; the passes after it read Hanzi and
  // Model 1 too.
  FHanzi = false;
  FModel1 = false;
  const int32_t code = DecodeMatrix(FReader->Matrix(), FReader->Size(), text);
  FHanzi = true;
  FModel1 = true;
  return code;
}

int32_t TDecorder::ModuleDoubt(int32_t confidence) {
  static const std::array<int32_t, 256> kDoubt = [] {
    std::array<int32_t, 256> doubt{};
    for (int32_t c = 0; c < 256; ++c) {
      const double wrong = static_cast<double>(255 - c) / 510.0;
      doubt[static_cast<size_t>(c)] =
          static_cast<int32_t>(std::lround(-1024.0 * std::log2(1.0 - wrong)));
    }
    return doubt;
  }();
  return kDoubt[static_cast<size_t>(std::clamp(confidence, 0, 255))];
}

int32_t TDecorder::DecodeMatrix(const TPlaneBoolean& matrix, int32_t size, std::string& text) {
  return DecodeMatrix(matrix, size, text, nullptr);
}

int32_t TDecorder::DecodeMatrix(const TPlaneBoolean& matrix, int32_t size, std::string& text,
                                const TPlaneConfidence* confidence) {
  TMatrixOptions options;
  options.Confidence = confidence;
  return DecodeMatrix(matrix, size, text, options);
}

int32_t TDecorder::DecodeMatrix(const TPlaneBoolean& matrix, int32_t size, std::string& text,
                                const TMatrixOptions& options) {
  return DecodeMatrix(matrix, size, size, text, options);
}

int32_t TDecorder::DecodeMatrix(const TPlaneBoolean& matrix, int32_t width, int32_t height,
                                std::string& text, const TMatrixOptions& options) {
  // The plane is the caller's: hold it only for this decode.
  struct TRelease {
    const TPlaneConfidence*& Plane;
    ~TRelease() { Plane = nullptr; }
  } release{FConfidence};
  const TPlaneConfidence* confidence = options.Confidence;
  if (confidence != nullptr && confidence->Width() >= width && confidence->Height() >= height)
    FConfidence = confidence;
  return DecodeTail(matrix, width, height, text, options.SearchFormat);
}

int32_t TDecorder::DecodeTail(const TPlaneBoolean& matrix, int32_t width, int32_t height,
                              std::string& text, bool searchFormat) {
  FErrorText.clear();
  SetErrorCode(0);
  FDataCodewords.clear();
  FHeaders = TDataBlockReader::THeaders{};

  if (width < 1 || height < 1 || matrix.Width() < width || matrix.Height() < height)
    return Fail(kUnsupportedVersion);
  // A rectangle is rMQR (the classic pipeline samples squares only).
  if (width != height) {
    if (rmqr::VersionOf(height, width) == 0) return Fail(kUnsupportedVersion);
    LoadMatrix(matrix, height, width, TSymbolKind::kRect);
    return FormatOk() && ReadData(text) == 0 ? 0 : Fail(kReadError);
  }
  const int32_t size = width;
  // The sides of Micro QR (11 to 17) are no QR Code side.
  if (size >= micro::SymbolSide(micro::kMinVersion) &&
      size <= micro::SymbolSide(micro::kMaxVersion) && size % 2 == 1) {
    LoadMatrix(matrix, size, size, TSymbolKind::kMicro);
    return FormatOk() && ReadData(text) == 0 ? 0 : Fail(kReadError);
  }
  if (size < 21 || size > 177 || (size - 17) % 4 != 0) return Fail(kUnsupportedVersion);
  LoadMatrix(matrix, size, size);
  if (FormatOk()) {
    if (ReadData(text) == 0) return 0;
    return ReadModel1(matrix, size, text) == 0 ? 0 : Fail(kReadError);
  }
  if (ReadModel1(matrix, size, text) == 0) return 0;
  // A format word that no copy could correct gives no level or mask to
  // trust: reading on would only produce garbage, unless every level and
  // mask is tried and the blocks decide.
  if (!searchFormat) return Fail(kReadError);
  if (Kind() != TSymbolKind::kModel2) LoadMatrix(matrix, size, size);
  if (!TimingReads()) return Fail(kReadError);
  std::array<int32_t, 32> formats{};
  std::array<int32_t, 32> distance{};
  for (int32_t f = 0; f < 32; ++f) {
    formats[static_cast<size_t>(f)] = f;
    distance[static_cast<size_t>(f)] = FormatDistance(f);
  }
  std::stable_sort(formats.begin(), formats.end(), [&distance](int32_t a, int32_t b) {
    return distance[static_cast<size_t>(a)] < distance[static_cast<size_t>(b)];
  });
  // Thirty-two readings are tried: each corrects errors only, without the
  // retry with erasures, which would try a ladder of repairs for each and
  // give a random matrix that many more chances to pass for a symbol. (The
  // confidence is the caller's for this decode only: DecodeMatrix lets go
  // of it on return.)
  FConfidence = nullptr;
  for (int32_t format : formats) {
    ForceFormat(format);
    if (ReadData(text) == 0) return 0;
  }
  return Fail(kReadError);
}

void TDecorder::Describe(TSymbolResult& symbol) const {
  symbol.Kind = Kind();
  symbol.Version = Version();
  symbol.Level = Level();
  symbol.Mask = Mask();
  symbol.Eci = FHeaders.EciAssignment;
  symbol.Hanzi = FHeaders.Hanzi;
  symbol.HasStructuredAppend = FHeaders.StructuredAppend;
  symbol.AppendIndex = FHeaders.AppendPosition;
  symbol.AppendTotal = FHeaders.AppendTotal;
  symbol.AppendParity = FHeaders.AppendParity;
}

int32_t TDecorder::ReadData(std::string& text) {
  FDataCodewords.clear();
  FHeaders = TDataBlockReader::THeaders{};
  Unmask();
  ReadCodewords();
  if (!SplitBlocks()) return kReadError;
  FCount = static_cast<int32_t>(FDataCodewords.size());
  std::string work;
  TDataBlockReader reader(FDataCodewords, FCount, Kind(), Version(), FHanzi);
  if (!reader.Decode(work)) return kReadError;
  FHeaders = reader.Headers();
  text = std::move(work);
  return 0;
}

int32_t TDecorder::ReadModel1(const TPlaneBoolean& matrix, int32_t size, std::string& text) {
  // A Model 2 reading failed. Only a matrix whose extension patterns and
  // corner stand where Model 1 has them is read again as one: the others
  // would cost a second unmasking and block correction for nothing.
  if (!FModel1 || !model1::IsValidVersion((size - 17) / 4) || !Model1PatternsRead())
    return kReadError;
  LoadMatrix(matrix, size, size, TSymbolKind::kModel1);
  if (!FormatOk()) return kReadError;
  return ReadData(text);
}

bool TDecorder::Model1PatternsRead() const {
  const TArrangement* module = Module();
  if (module == nullptr) return false;
  const int32_t side = module->Width();
  const int32_t version = (side - 17) / 4;
  int32_t wrong = 0, total = 0;
  auto expect = [&](int32_t x, int32_t y, uint8_t dark) {
    wrong += module->GetRaw(x, y) != dark ? 1 : 0;
    ++total;
  };
  // Each extension pattern: the edge line dark, the inner line light.
  for (int32_t k = 0; k < model1::ExtensionCount(version); ++k) {
    const int32_t p = model1::ExtensionPosition(version, k);
    for (int32_t i = p; i < p + 4; ++i) {
      expect(side - 1, i, 1);
      expect(side - 2, i, 0);
      expect(i, side - 1, 1);
      expect(i, side - 2, 0);
    }
  }
  // The corner: only its outermost module dark.
  expect(side - 1, side - 1, 1);
  expect(side - 2, side - 1, 0);
  expect(side - 1, side - 2, 0);
  expect(side - 2, side - 2, 0);
  // A slip or two of the sampler is allowed; not half the modules wrong.
  return 10 * wrong <= total;
}

bool TDecorder::TimingReads() const {
  const TArrangement* module = Module();
  if (module == nullptr) return false;
  const int32_t side = module->Width();
  int32_t wrong = 0, total = 0;
  for (int32_t k = 8; k <= side - 9; ++k) {
    const uint8_t expected = k % 2 == 0 ? 1 : 0;
    wrong += (module->GetRaw(k, 6) != expected) + (module->GetRaw(6, k) != expected);
    total += 2;
  }
  // A grid on a symbol misreads a slip or two; one beside it about half.
  return total > 0 && 10 * wrong <= total;
}

void TDecorder::CorrectBlock(TIntegers& block, int32_t check, int32_t protection,
                             const TIntegers* doubt) {
  FReedSolomon->SetBlock(block, check, protection);
  if (FReedSolomon->Correct()) {
    FCorrectedCodewords += FReedSolomon->CorrectedCount();
    return;
  }
  // Once a block has failed the matrix cannot read: the costly retry with
  // erasures is spent only while every block so far has corrected.
  if (doubt != nullptr && FFailedBlocks == 0 &&
      FSoftCorrector->Retry(block, check, protection, *doubt)) {
    FCorrectedCodewords += FSoftCorrector->CorrectedCount();
    FErasedCodewords += FSoftCorrector->ErasedCount();
    return;
  }
  ++FFailedBlocks;
}

bool TDecorder::SplitBlocks() {
  FBlocks.clear();
  FShortBlocks.clear();
  FLongBlocks.clear();
  FDataCodewords.clear();
  FCorrectedCodewords = 0;
  FFailedBlocks = 0;
  FErasedCodewords = 0;
  if (Module() == nullptr) return false;
  if (Kind() == TSymbolKind::kModel1) return SplitModel1Blocks();

  const int32_t blockCount = BlockCount();
  const int32_t total = static_cast<int32_t>(FCodewords.size());
  if (blockCount < 1 || total != Module()->CodewordCount()) return false;
  const int32_t check = ECCodewordCount() / blockCount;
  const int32_t longCount = total % blockCount;
  const int32_t shortCount = blockCount - longCount;
  const int32_t length = total / blockCount;
  const int32_t data = length - check;
  if (check < 1 || data < 1) return false;
  int32_t protection = 0;
  if (Kind() == TSymbolKind::kMicro)
    protection = micro::SymbolNumbers[static_cast<size_t>(SymbolNumber())].Protection;
  else if (Kind() == TSymbolKind::kRect)
    protection = GuardedProtection(length, check);
  else
    protection = MisdecodeProtection(Version(), Level());
  auto at = [this](int32_t index) { return FCodewords[static_cast<size_t>(index)]; };
  // Doubts travel with their codewords when the decode has confidence.
  const bool soft = FCodewordDoubt.size() == FCodewords.size();
  TIntegers doubt;

  // Data codewords are dealt round all blocks, the long blocks' extra one
  // after the last common pass, then the check codewords round all blocks:
  // past the common data a short block's codewords lie longCount further
  // on, a long block's shortCount further back.
  auto deal = [&](TIntegers& block, int32_t i, bool isLong) {
    const int32_t shift = isLong ? -shortCount : longCount;
    if (soft) doubt.resize(block.size());
    for (size_t j = 0; j < block.size(); ++j) {
      const auto k = static_cast<int32_t>(j);
      const int32_t index = k * blockCount + i + (k < data ? 0 : shift);
      block[j] = at(index);
      if (soft) doubt[j] = FCodewordDoubt[static_cast<size_t>(index)];
    }
    CorrectBlock(block, check, protection, soft ? &doubt : nullptr);
  };
  // One block that does not correct fails the matrix: the blocks after it
  // are not corrected (most matrices a photograph's grids offer fail).
  if (longCount == 0) {
    FBlocks.assign(static_cast<size_t>(blockCount), TIntegers(static_cast<size_t>(length)));
    for (int32_t i = 0; i < blockCount && FFailedBlocks == 0; ++i)
      deal(FBlocks[static_cast<size_t>(i)], i, false);
  } else {
    FShortBlocks.assign(static_cast<size_t>(shortCount), TIntegers(static_cast<size_t>(length)));
    FLongBlocks.assign(static_cast<size_t>(longCount), TIntegers(static_cast<size_t>(length + 1)));
    for (int32_t i = 0; i < blockCount && FFailedBlocks == 0; ++i) {
      if (i < shortCount)
        deal(FShortBlocks[static_cast<size_t>(i)], i, false);
      else
        deal(FLongBlocks[static_cast<size_t>(i - shortCount)], i, true);
    }
  }
  if (FFailedBlocks > 0) return false;

  // Only the data codewords go on; the check codewords have done their work.
  FDataCodewords.reserve(static_cast<size_t>(blockCount * data + longCount));
  for (const TIntegers& block : FBlocks)
    FDataCodewords.insert(FDataCodewords.end(), block.begin(), block.begin() + data);
  for (const TIntegers& block : FShortBlocks)
    FDataCodewords.insert(FDataCodewords.end(), block.begin(), block.begin() + data);
  for (const TIntegers& block : FLongBlocks)
    FDataCodewords.insert(FDataCodewords.end(), block.begin(), block.begin() + data + 1);
  return true;
}

bool TDecorder::SplitModel1Blocks() {
  const int32_t blockCount = BlockCount();
  const int32_t total = static_cast<int32_t>(FCodewords.size());
  if (blockCount < 1 || total != Module()->CodewordCount()) return false;
  const int32_t checkTotal = ECCodewordCount();
  if (checkTotal % blockCount != 0) return false;
  const int32_t check = checkTotal / blockCount;
  const int32_t dataTotal = total - checkTotal;
  const int32_t data = dataTotal / blockCount;
  const int32_t longCount = dataTotal % blockCount;
  const int32_t shortCount = blockCount - longCount;
  if (check < 1 || data < 1) return false;
  const int32_t protection = MisdecodeProtection(Version(), Level());
  const bool soft = FCodewordDoubt.size() == FCodewords.size();
  TIntegers doubt;
  if (longCount == 0)
    FBlocks.assign(static_cast<size_t>(blockCount), TIntegers(static_cast<size_t>(data + check)));
  FShortBlocks.assign(longCount == 0 ? 0 : static_cast<size_t>(shortCount),
                      TIntegers(static_cast<size_t>(data + check)));
  FLongBlocks.assign(static_cast<size_t>(longCount),
                     TIntegers(static_cast<size_t>(data + 1 + check)));

  // Model 1 does not interleave: the data codewords of one block after the
  // other, then their check codewords the same way.
  int32_t dataAt = 0;
  for (int32_t i = 0; i < blockCount && FFailedBlocks == 0; ++i) {
    const bool isLong = i >= shortCount;
    TIntegers& block = longCount == 0 ? FBlocks[static_cast<size_t>(i)]
                       : isLong       ? FLongBlocks[static_cast<size_t>(i - shortCount)]
                                      : FShortBlocks[static_cast<size_t>(i)];
    const int32_t own = data + (isLong ? 1 : 0);
    if (soft) doubt.resize(block.size());
    for (int32_t j = 0; j < own + check; ++j) {
      const int32_t index = j < own ? dataAt + j : dataTotal + i * check + (j - own);
      block[static_cast<size_t>(j)] = FCodewords[static_cast<size_t>(index)];
      if (soft) doubt[static_cast<size_t>(j)] = FCodewordDoubt[static_cast<size_t>(index)];
    }
    const int32_t failed = FFailedBlocks;
    CorrectBlock(block, check, protection, soft ? &doubt : nullptr);
    // Most of this version's block table is unverified. A block that is a
    // codeword of two more check codewords as well says the table gives it
    // too few: its data would take in check codewords, so it is not read.
    if (FFailedBlocks == failed && FReedSolomon->IsCodeword(block, check + 2)) ++FFailedBlocks;
    dataAt += own;
    FDataCodewords.insert(FDataCodewords.end(), block.begin(), block.begin() + own);
  }
  if (FFailedBlocks > 0) {
    FDataCodewords.clear();
    return false;
  }
  return true;
}

bool TDecorder::MaskInverts(int32_t mask, int32_t x, int32_t y) {
  switch (mask) {
    case 0:
      return (x + y) % 2 == 0;
    case 1:
      return y % 2 == 0;
    case 2:
      return x % 3 == 0;
    case 3:
      return (x + y) % 3 == 0;
    case 4:
      return (x / 3 + y / 2) % 2 == 0;
    case 5:
      return (x * y) % 2 + (x * y) % 3 == 0;
    case 6:
      return ((x * y) % 2 + (x * y) % 3) % 2 == 0;
    case 7:
      return ((x * y) % 3 + (x + y) % 2) % 2 == 0;
    default:
      return false;
  }
}

void TDecorder::MakeMask() {
  TArrangement* module = MutableModule();
  if (module == nullptr) return;
  // Micro QR's four masks are four of the eight.
  const int32_t mask =
      Kind() == TSymbolKind::kMicro ? micro::MaskPatterns[static_cast<size_t>(Mask() & 3)] : Mask();
  // Every mask repeats every 6 columns and 12 rows (its conditions take x
  // and y modulo 2, 3 and 6, x / 3 modulo 2 and y / 2 modulo 2): one period
  // of each, looked up instead of worked out module by module.
  static const auto periods = [] {
    std::array<std::array<std::array<uint8_t, 6>, 12>, 8> table{};
    for (int32_t m = 0; m < 8; ++m)
      for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 6; ++x)
          table[static_cast<size_t>(m)][static_cast<size_t>(y)][static_cast<size_t>(x)] =
              MaskInverts(m, x, y) ? 1 : 0;
    return table;
  }();
  const bool known = mask >= 0 && mask < 8;
  for (int32_t x = 0; x < module->Width(); ++x)
    for (int32_t y = 0; y < module->Height(); ++y)
      module->SetMaskBit(x, y,
                         known && !module->IsFunctionModule(x, y) &&
                                 periods[static_cast<size_t>(mask)][static_cast<size_t>(y % 12)]
                                        [static_cast<size_t>(x % 6)] != 0
                             ? 1
                             : 0);
}

void TDecorder::Unmask() {
  TArrangement* module = MutableModule();
  if (module == nullptr) return;
  MakeMask();
  for (int32_t x = 0; x < module->Width(); ++x)
    for (int32_t y = 0; y < module->Height(); ++y)
      module->SetData(x, y, module->GetRaw(x, y) ^ (module->GetMaskBit(x, y) != 0 ? 1 : 0));
}

namespace {

// Packs the data modules read in placement order into codewords, most
// significant bit first, with the doubt of each when the decode has
// confidence. A codeword may start short (firstBit below 7), and the one
// numbered half end after four bits.
struct TCodewordPacker {
  TIntegers& Codewords;
  TIntegers& Doubts;
  int32_t& Count;
  const TPlaneConfidence* Confidence;
  int32_t Bit = 7;
  int32_t Half = -1;
  int32_t Acc = 0;
  int32_t Doubt = 0;

  void Add(const TArrangement& module, int32_t x, int32_t y) {
    if (module.GetData(x, y) != 0) Acc |= 1 << Bit;
    if (Confidence != nullptr) Doubt += TDecorder::ModuleDoubt((*Confidence)(x, y));
    if (--Bit < 0 || (Count == Half && Bit < 4)) {
      Codewords.push_back(Acc);
      if (Confidence != nullptr) Doubts.push_back(Doubt);
      ++Count;
      Acc = 0;
      Bit = 7;
      Doubt = 0;
    }
  }
};

}  // namespace

namespace {

// The data modules of a QR Code, Micro QR or rMQR matrix in placement
// order, each as x * 256 + y (sides are below 256).
std::vector<uint16_t> WalkPlacement(const TArrangement& module) {
  std::vector<uint16_t> order;
  // QR Code strips step over the vertical timing column; Micro QR's lies at
  // the edge, where the placement never reaches. rMQR's right column is all
  // function patterns: its strips start one column in, and its vertical
  // timing lines are stepped over module by module.
  const bool model2 = module.Kind() == TSymbolKind::kModel2;
  const bool rect = module.Kind() == TSymbolKind::kRect;
  const int32_t height = module.Height();
  int32_t x = module.Width() - (rect ? 2 : 1);
  int32_t y = height - 1;
  // 1 where strips start on an odd column: rMQR throughout, QR Code past its
  // timing column.
  int32_t parity = rect ? 1 : 0;
  bool upward = true;
  auto step = [&] {
    if ((x + parity) % 2 == 0) {
      --x;  // right-hand column of the strip: over to the left-hand one
    } else if (upward ? y > 0 : y < height - 1) {
      ++x;
      y += upward ? -1 : 1;
    } else {
      // Edge reached: turn into the next strip, stepping over column 6.
      --x;
      if (model2 && x == 6) {
        x = 5;
        parity = 1;
      }
      upward = !upward;
    }
  };
  // rMQR's first strip starts beside the finder sub-pattern.
  while (x >= 0 && module.IsFunctionModule(x, y)) step();
  while (x >= 0) {
    order.push_back(static_cast<uint16_t>(x * 256 + y));
    do step();
    while (x >= 0 && module.IsFunctionModule(x, y));
  }
  return order;
}

// The walk above depends on the kind and version alone: made once for each
// and shared by every decoder, on every thread (entries are never removed,
// so a reference stays valid).
const std::vector<uint16_t>& Placement(const TArrangement& module) {
  static std::mutex lock;
  static std::map<std::pair<TSymbolKind, int32_t>, std::vector<uint16_t>> orders;
  const std::lock_guard<std::mutex> guard(lock);
  const auto key = std::make_pair(module.Kind(), module.Version());
  auto found = orders.find(key);
  if (found == orders.end()) found = orders.emplace(key, WalkPlacement(module)).first;
  return found->second;
}

}  // namespace

void TDecorder::ReadCodewords() {
  FCodewords.clear();
  FCodewordDoubt.clear();
  FCount = 0;
  const TArrangement* module = Module();
  if (module == nullptr) return;
  FCodewords.reserve(static_cast<size_t>(module->CodewordCount()));
  const TPlaneConfidence* confidence = FConfidence;
  if (confidence != nullptr &&
      (confidence->Width() < module->Width() || confidence->Height() < module->Height()))
    confidence = nullptr;
  if (Kind() == TSymbolKind::kModel1) {
    ReadModel1Codewords(confidence);
    return;
  }
  // M1 and M3 end their data with a half codeword: four bits, read into the
  // high half.
  int32_t half = -1;
  if (Kind() != TSymbolKind::kModel2 && SymbolNumber() >= 0 && micro::HalfLastData(Version()))
    half = micro::SymbolNumbers[static_cast<size_t>(SymbolNumber())].Data - 1;
  TCodewordPacker packer{FCodewords, FCodewordDoubt, FCount, confidence};
  packer.Half = half;
  for (const uint16_t at : Placement(*module)) packer.Add(*module, at / 256, at % 256);
}

void TDecorder::ReadModel1Codewords(const TPlaneConfidence* confidence) {
  const TArrangement* module = Module();
  const int32_t side = module->Width();
  // The first codeword's high half is not placed (the fixed corner stands
  // for it): it is zero, and the stream starts at its low half.
  TCodewordPacker packer{FCodewords, FCodewordDoubt, FCount, confidence};
  packer.Bit = 3;
  auto take = [&](int32_t x, int32_t y) {
    if (!module->IsFunctionModule(x, y)) packer.Add(*module, x, y);
  };
  // Up a column of the given width whose right-hand column is right; each
  // row right to left.
  auto column = [&](int32_t right, int32_t width) {
    for (int32_t y = side - 1; y >= 0; --y)
      for (int32_t x = right; x > right - width; --x) take(x, y);
  };
  column(side - 1, 2);
  column(side - 3, 2);
  for (int32_t right = side - 5; right >= 12; right -= 4) column(right, 4);
  for (int32_t right : {8, 5, 3, 1}) column(right, 2);
}

}  // namespace vornak
