#pragma once

#include <string>

#include "common/Types.h"

// Symbols of the kinds other than QR Code (Micro QR, rMQR) from libzint and
// libqrencode, as module matrices: independent sources of test symbols.

namespace vornak::test {

struct ZintSymbol {
  // Columns x rows modules, indexed (x, y), 1 = dark; no quiet zone.
  TPlaneBoolean Matrix;
  int Columns = 0;
  int Rows = 0;
  // Empty when encoded; else libzint's message (the data do not fit, ...).
  std::string Error;
};

// Micro QR Code of the bytes of text. version 1..4 (M1..M4), 0 the
// smallest that fits; level 1 L, 2 M, 3 Q, 0 the encoder's choice.
// kanji: text is Shift JIS and may go into Kanji mode.
ZintSymbol MakeMicroQr(const std::string& text, int version, int level, bool kanji = false);

// rMQR of the bytes of text (UTF-8 when kanji, so that Kanji mode may be
// chosen). version 1..32 (R7x43..R17x139); level 1 M, 3 H (QR Code's
// numbers of the two levels rMQR has).
ZintSymbol MakeRmqr(const std::string& text, int version, int level, bool kanji = false);

// The same from libqrencode: version 1..4 (M1..M4, no automatic choice),
// level 0 L, 1 M, 2 Q; text in byte mode or as the encoder splits it.
ZintSymbol MakeQrencodeMicro(const std::string& text, int version, int level);

}  // namespace vornak::test
