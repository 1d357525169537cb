#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Types.h"
#include "data/DataBlockReader.h"
#include "ecc/ReedSolomon.h"
#include "ecc/SoftCorrector.h"
#include "engine/SymbolResult.h"
#include "locate/ImageReader.h"
#include "symbol/Symbol.h"

namespace vornak {

// The pipeline driver: from a sampled module matrix (loaded through TSymbol)
// to text. It removes the data mask, reads the codewords in placement order,
// splits them into Reed-Solomon blocks, corrects each block and decodes the
// data segments; failures become an error code with a message.
class TDecorder : public TSymbol {
 public:
  // Error codes of the message table.
  static constexpr int32_t kNotFound = 1;
  static constexpr int32_t kUnsupportedVersion = 2;
  static constexpr int32_t kReadError = 3;

  TDecorder();
  ~TDecorder() override;

  // One decode from a two-level picture (Width x Height, non-zero = dark):
  // the grid sampler locates the symbol and samples its modules, then the
  // tail of DecodeMatrix runs on the matrix, without Hanzi segments. Returns the error code: 0 with
  // the text on success; kNotFound when the symbol is not located or its
  // version not fixed; the codes of DecodeMatrix otherwise. On an error text
  // keeps what the caller passed and ErrorText() holds the message.
  // Geometry faults of the location pass through as exceptions.
  int32_t DecodePlane(const TPlaneBoolean& plane, int32_t width, int32_t height, std::string& text);
  // Search radius for the fourth corner, passed to the grid sampler (the
  // component keeps it within 1..6).
  void SetWarp(int32_t value);
  // 0 or less: automatic version detection; else the version to assume.
  void SetForceVersion(int32_t value);
  // The grid sampler, with the geometry of the last location.
  const TImageReader& Reader() const { return *FReader; }

  // The tail of a decode, shared by every way of obtaining a module matrix:
  // loads the size x size matrix (indexed (x, y), non-zero = dark), reads the
  // format, unmasks, reads the codewords, splits and corrects the blocks and
  // decodes the data. The side tells the kind: 21 to 177 QR Code, 11 to 17
  // Micro QR; a QR Code side that does not read as Model 2 is tried as
  // Model 1 (Kind() tells which was read). Returns the error code: 0 with
  // the text on success; kUnsupportedVersion when size is no version's side
  // (or the plane is smaller); kReadError when the format, a block or the data stream cannot
  // be read. On an error text keeps what the caller passed and ErrorText()
  // holds the message.
  int32_t DecodeMatrix(const TPlaneBoolean& matrix, int32_t size, std::string& text);
  // The same, knowing how sure the sampler was of each module (indexed like
  // the matrix, 0 no idea .. 255 certain). Blocks are corrected as without
  // it first; a block that fails is retried with its most doubtful
  // codewords erased (TSoftCorrector). nullptr, or a plane that does not
  // cover the symbol, decodes exactly as without. The format information is
  // read as without.
  int32_t DecodeMatrix(const TPlaneBoolean& matrix, int32_t size, std::string& text,
                       const TPlaneConfidence* confidence);

  // How the photograph passes read a matrix beyond the tail of today.
  struct TMatrixOptions {
    // As for DecodeMatrix with confidence; nullptr: no retry with erasures.
    const TPlaneConfidence* Confidence = nullptr;
    // When neither copy of the format information is within reach but the
    // timing patterns read true (the grid lies on a symbol), try each level
    // and mask, nearest the copies first, and keep the first whose every
    // block corrects and whose data reads: a symbol with a damaged or
    // misprinted format is still read, and a wrong level or mask leaves
    // nearly every codeword wrong, which no block corrects.
    bool SearchFormat = false;
  };
  int32_t DecodeMatrix(const TPlaneBoolean& matrix, int32_t size, std::string& text,
                       const TMatrixOptions& options);
  // A width x height matrix: a square as above, a rectangle of one of the
  // rMQR sizes as rMQR (kUnsupportedVersion for any other).
  int32_t DecodeMatrix(const TPlaneBoolean& matrix, int32_t width, int32_t height,
                       std::string& text, const TMatrixOptions& options);

  // De-interleaves Codewords() into blocks, corrects each in ascending order
  // and concatenates their data codewords into DataCodewords(). Returns true
  // when every block is (now) a valid codeword.
  bool SplitBlocks();

  // Fills the mask layer: 1 where the data mask of Mask() inverts a module,
  // never on function modules. Does nothing before a matrix is loaded.
  void MakeMask();
  // Runs MakeMask, then writes the data layer: the sampled value, inverted
  // where the mask bit is set.
  void Unmask();
  // Reads the data layer in placement order (two-column strips from the
  // bottom-right corner, skipping function modules and the vertical timing
  // column) into Codewords(); remainder bits are dropped. Model 1 has its
  // own placement (ReadModel1Codewords). Within a decode
  // with confidence it also fills CodewordDoubt(), else empties it.
  void ReadCodewords();

  // True when data mask pattern mask (0..7) inverts module (x, y); false
  // for any other mask value.
  static bool MaskInverts(int32_t mask, int32_t x, int32_t y);

  const TIntegers& Codewords() const { return FCodewords; }
  int32_t Count() const { return FCount; }
  const TIntegers& DataCodewords() const { return FDataCodewords; }
  const std::vector<TIntegers>& Blocks() const { return FBlocks; }
  const std::vector<TIntegers>& ShortBlocks() const { return FShortBlocks; }
  const std::vector<TIntegers>& LongBlocks() const { return FLongBlocks; }
  // Codewords changed by the corrections of the last SplitBlocks, and the
  // blocks it could not correct (it stops at the first: 0 or 1).
  int32_t CorrectedCodewords() const { return FCorrectedCodewords; }
  int32_t FailedBlocks() const { return FFailedBlocks; }
  // Codewords erased by the repairs of the last SplitBlocks (0 without
  // confidence).
  int32_t ErasedCodewords() const { return FErasedCodewords; }
  // Doubt of each codeword of Codewords(), from the confidence of its eight
  // modules: the sum of their ModuleDoubt; empty without confidence.
  const TIntegers& CodewordDoubt() const { return FCodewordDoubt; }
  // Doubt of a module read with the given confidence (0..255): confidence c
  // taken as a chance of (255 - c) / 510 that the bit is wrong (0 a coin
  // toss, 255 never), the doubt is -log2 of the chance it is right, in
  // 1/1024 bit. Summed over a codeword's modules it ranks codewords by the
  // chance that all eight bits are right; 0 only when all are certain.
  static int32_t ModuleDoubt(int32_t confidence);
  // The kind, version, level, mask, ECI, Hanzi and structured-append fields
  // of the symbol last read, into symbol; its other fields are left alone.
  void Describe(TSymbolResult& symbol) const;
  // ECI, structured-append and FNC1 fields of the last decoded stream.
  const TDataBlockReader::THeaders& Headers() const { return FHeaders; }

  // Message of the last failure; empty when none.
  const std::string& ErrorText() const { return FErrorText; }
  // Message of error code 1..10 (UTF-8); empty for other codes and the
  // slots without text.
  static const char* Message(int32_t code);

  // Check codewords per block kept back from correction against
  // miscorrection in QR Code: 3 for 1-L, 2 for 1-M and 2-L, 1 for 1-Q, 1-H
  // and 3-L. (Micro QR's are in its table.)
  static int32_t MisdecodeProtection(int32_t version, int32_t level);
  // The same for a block of any length and check count: the fewest check
  // codewords kept back that leave a random block no likelier to pass
  // correction than QR Code's least safe block (used for rMQR).
  static int32_t GuardedProtection(int32_t length, int32_t check);

 private:
  // Sets the error code and its message; returns the code.
  int32_t Fail(int32_t code);
  // The tail of DecodeMatrix, with FConfidence set by the caller.
  int32_t DecodeTail(const TPlaneBoolean& matrix, int32_t width, int32_t height, std::string& text,
                     bool searchFormat = false);
  // Unmasks, reads and corrects the codewords and decodes the data of the
  // loaded matrix under the current format; 0 or kReadError.
  int32_t ReadData(std::string& text);
  // Whether the loaded matrix's timing patterns alternate but for a few
  // modules.
  bool TimingReads() const;
  // After a failed Model 2 reading: reads the matrix as Model 1 when the
  // passes may (not the classic pipeline), its side is one of versions 1..14
  // and its extension patterns and corner read true; 0 or kReadError.
  int32_t ReadModel1(const TPlaneBoolean& matrix, int32_t size, std::string& text);
  // Whether the loaded matrix shows Model 1's extension patterns and
  // bottom-right corner but for a few modules.
  bool Model1PatternsRead() const;
  // Model 1's placement (see Model1Tables.h) into Codewords().
  void ReadModel1Codewords(const TPlaneConfidence* confidence);
  // SplitBlocks for Model 1, whose blocks follow one another.
  bool SplitModel1Blocks();
  // Corrects one filled block and keeps the tally; with doubt (one per
  // codeword of the block), a failed block is retried with erasures.
  void CorrectBlock(TIntegers& block, int32_t check, int32_t protection, const TIntegers* doubt);

  static constexpr std::array<const char*, 10> kMessages = {
      "位置検出パターンがみつかりません。",
      "サポートしていない型番です。",
      "セルの読み込みでエラーが発生しました。",
      "位置検出パターンが見つかりません。",
      "",
      "",
      "",
      "",
      "",
      ""};

  int32_t FCount = 0;
  // All codewords in reading order, values 0..255.
  TIntegers FCodewords;
  // Corrected data codewords in block order, for the data reader.
  TIntegers FDataCodewords;
  // The grid sampler, reused for every decode.
  std::unique_ptr<TImageReader> FReader;
  // One decoder serves every block.
  std::unique_ptr<TReedSolomon> FReedSolomon;
  // The erasure retry of blocks that failed, in decodes with confidence.
  std::unique_ptr<TSoftCorrector> FSoftCorrector;
  // The confidence plane during a DecodeMatrix that has one, else nullptr.
  const TPlaneConfidence* FConfidence = nullptr;
  TIntegers FCodewordDoubt;
  // Blocks when all have one length; else the short and the long ones.
  std::vector<TIntegers> FBlocks;
  std::vector<TIntegers> FShortBlocks;
  std::vector<TIntegers> FLongBlocks;
  std::string FErrorText;
  int32_t FCorrectedCodewords = 0;
  int32_t FFailedBlocks = 0;
  int32_t FErasedCodewords = 0;
  TDataBlockReader::THeaders FHeaders;
  // Whether the data reader takes Hanzi segments, and whether the tail reads
  // Model 1 (neither in the classic pipeline).
  bool FHanzi = true;
  bool FModel1 = true;
};

}  // namespace vornak
