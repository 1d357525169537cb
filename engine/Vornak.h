#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Types.h"
#include "engine/SymbolResult.h"
#include "symbol/SymbolKind.h"

namespace vornak {

class TFrontImage;
class TDecorder;
class TPassChain;
class TDecodeTrace;
class TSymbolSearch;

// The decoder component: one bitmap in, the symbol's text out. It binarizes
// the picture, runs the pipeline driver on the result and reports the outcome
// as a Boolean, a result text, an error text and one of two events.
//
// One instance serves one decode at a time; separate instances may run on
// separate threads.
class TVornak {
 public:
  // Error codes reported by ErrorCode().
  static constexpr int32_t kNoError = 0;
  static constexpr int32_t kNotLocated = 1;   // no symbol found, or no version
  static constexpr int32_t kReadFailure = 3;  // the pipeline raised an exception

  using TNotifyEvent = std::function<void(TVornak&)>;

  TVornak();
  ~TVornak();
  TVornak(const TVornak&) = delete;
  TVornak& operator=(const TVornak&) = delete;

  // Decodes one picture. True when a symbol was read; ResultText() then holds
  // its bytes (byte-mode data unchanged, Kanji as Shift JIS pairs, Hanzi as
  // GB 2312 pairs). On failure ResultText() is empty and ErrorText() holds the message. Fires
  // OnDecoded after a success and OnError after a failure, when assigned.
  bool Decode(const TBitmap& bitmap);

  // Every symbol of the picture, in reading order (top to bottom, left to
  // right), each once; empty when none was read. Runs Decode first, whose
  // symbol is among them and whose findings the getters below keep; then
  // the passes look for more where it left finders (TSymbolSearch). With
  // Classic() set, the classic pipeline's one symbol at most.
  std::vector<TSymbolResult> DecodeAll(const TBitmap& bitmap);
  // The last Decode's symbol as one result; empty text and version 0 after
  // a failure.
  TSymbolResult Result() const;

  const std::string& ResultText() const { return FResultText; }
  // UTF-8 message of the last failure; empty after a success.
  const std::string& ErrorText() const { return FErrorText; }

  // Search radius for the fourth corner, clamped to 1..6; takes effect at once.
  void SetWarp(int32_t value);
  int32_t Warp() const { return FWarp; }
  // Binarization offset, clamped to 1..255; takes effect at once.
  void SetResolver(int32_t value);
  int32_t Resolver() const { return FResolver; }
  // 0 or less: automatic version detection; 1..40 forces that version (above
  // 40 counts as 40). Read at the start of each Decode.
  void SetForceVersion(int32_t value);
  int32_t ForceVersion() const { return FForceVersion; }

  // True: the classic pipeline alone. False (the default): when it fails
  // (not located, unreadable, or an exception), the passes of TPassChain run
  // after it, cheapest first. Read at the start of each Decode.
  void SetClassic(bool value) { FClassic = value; }
  bool Classic() const { return FClassic; }
  // Name of the pass that decoded the last picture ("classic" for the
  // classic pipeline, else "<binarizer>+<locator>"); empty after a failure.
  const std::string& Pass() const { return FPass; }
  // True when the last picture decoded as a mirrored symbol.
  bool Mirrored() const { return FMirrored; }

  // Events, called with the component itself, each only when assigned.
  TNotifyEvent OnDecoded;
  TNotifyEvent OnError;
  void SetOnDecoded(TNotifyEvent handler) { OnDecoded = std::move(handler); }
  void SetOnError(TNotifyEvent handler) { OnError = std::move(handler); }

  // What the last Decode learnt. All of it is reset at the start of Decode.
  // 0 after a success, kNotLocated or kReadFailure after a failure.
  int32_t ErrorCode() const { return FErrorCode; }
  // Message of the exception that ended the last decode ("Base Angle Error",
  // "Program Error", ...); empty when none was raised.
  const std::string& ExceptionText() const { return FExceptionText; }
  // The kind of the symbol read (QR Code, Micro QR Code, QR Code Model 1,
  // which only the passes after the classic pipeline read); QR Code after a
  // failure.
  TSymbolKind Kind() const { return FRead.Kind; }
  // Symbol version 1..40 (Micro QR: 1..4 for M1..M4); 0 when the symbol was
  // not located.
  int32_t Version() const { return FRead.Version; }
  // Error-correction level 0 = L, 1 = M, 2 = Q, 3 = H; -1 when not read.
  int32_t Level() const { return FRead.Level; }
  // Data mask 0..7; -1 when not read.
  int32_t Mask() const { return FRead.Mask; }
  // ECI assignment number the symbol named first; -1 when none.
  int32_t Eci() const { return FRead.Eci; }
  // True when a Hanzi segment put GB 2312 pairs into the text, which then
  // reads as GB 2312 unless an ECI names another charset.
  bool Hanzi() const { return FRead.Hanzi; }
  // Structured append header: present, position (0-based) and total count of
  // the symbol in its sequence, and the parity byte of the whole message.
  bool HasStructuredAppend() const { return FRead.HasStructuredAppend; }
  int32_t AppendIndex() const { return FRead.AppendIndex; }
  int32_t AppendTotal() const { return FRead.AppendTotal; }
  int32_t AppendParity() const { return FRead.AppendParity; }

  // Where the symbol was found, in pixels of the decoded bitmap: the centres of
  // the corner finder, the finder ending axis A and the one ending axis B, and
  // the four symbol corners (corner finder, axis A end, axis B end, fourth).
  // Valid when HasGeometry() is true, i.e. the symbol was located.
  bool HasGeometry() const { return FHasGeometry; }
  const std::array<TPoint, 3>& FinderCentres() const { return FFinderCentres; }
  const std::array<TPoint, 4>& Corners() const { return FCorners; }

  // The two-level plane of the last Decode (non-zero = dark).
  const TPlaneBoolean& Plane() const { return FPlane; }

  // What each stage of the last Decode found (the pass that decoded, or the
  // one that got furthest): plane, finders, version, corners, module
  // centres. Kept as a by-product of decoding; valid until the next Decode.
  const TDecodeTrace& Trace() const { return *FTrace; }

 private:
  void ResetFindings();
  void TakeGeometry();
  // Runs the passes after a failed classic decode; true when one decoded.
  bool RunPasses();
  bool Fail(int32_t code);

  TPlaneBoolean FPlane;
  std::unique_ptr<TFrontImage> FFrontImage;
  std::unique_ptr<TDecorder> FDecorder;
  std::unique_ptr<TPassChain> FPasses;
  std::unique_ptr<TDecodeTrace> FTrace;
  std::unique_ptr<TSymbolSearch> FSearch;
  bool FClassic = false;
  std::string FPass;
  bool FMirrored = false;
  std::string FResultText;
  std::string FErrorText;
  std::string FExceptionText;
  int32_t FWarp = 1;
  int32_t FResolver = 7;
  int32_t FForceVersion = 0;
  int32_t FErrorCode = 0;
  // Kind, version, level, mask and stream headers of the symbol read
  // (its other fields unused).
  TSymbolResult FRead;
  bool FHasGeometry = false;
  std::array<TPoint, 3> FFinderCentres{};
  std::array<TPoint, 4> FCorners{};
};

}  // namespace vornak
