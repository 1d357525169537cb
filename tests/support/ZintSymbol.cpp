#include "tests/support/ZintSymbol.h"

#include <memory>

#include <qrencode.h>
#include <zint.h>

namespace vornak::test {

namespace {

struct TDeleteSymbol {
  void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

ZintSymbol Encode(int symbology, const std::string& text, int option1, int option2, int inputMode) {
  ZintSymbol result;
  std::unique_ptr<zint_symbol, TDeleteSymbol> symbol(ZBarcode_Create());
  symbol->symbology = symbology;
  symbol->option_1 = option1;
  symbol->option_2 = option2;
  symbol->input_mode = inputMode;
  const int code =
      ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
  if (code >= ZINT_ERROR) {
    result.Error = symbol->errtxt;
    return result;
  }
  result.Columns = symbol->width;
  result.Rows = symbol->rows;
  result.Matrix.Resize(result.Columns, result.Rows);
  // Rows are packed eight modules a byte, the first in the lowest bit.
  for (int y = 0; y < result.Rows; ++y)
    for (int x = 0; x < result.Columns; ++x)
      result.Matrix(x, y) = (symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1;
  return result;
}

}  // namespace

ZintSymbol MakeMicroQr(const std::string& text, int version, int level, bool kanji) {
  // Shift JIS input goes through as bytes unless Kanji mode is wanted, for
  // which libzint takes the text as UTF-8 and converts it.
  return Encode(BARCODE_MICROQR, text, level, version, kanji ? UNICODE_MODE : DATA_MODE);
}

ZintSymbol MakeRmqr(const std::string& text, int version, int level, bool kanji) {
  // libzint numbers the levels 2 M and 4 H.
  return Encode(BARCODE_RMQR, text, level == 3 ? 4 : 2, version, kanji ? UNICODE_MODE : DATA_MODE);
}

ZintSymbol MakeQrencodeMicro(const std::string& text, int version, int level) {
  ZintSymbol result;
  QRcode* code =
      QRcode_encodeStringMQR(text.c_str(), version, static_cast<QRecLevel>(level), QR_MODE_8, 1);
  if (code == nullptr) {
    result.Error = "libqrencode refused the text";
    return result;
  }
  result.Columns = result.Rows = code->width;
  result.Matrix.Resize(code->width, code->width);
  // One byte a module, its lowest bit dark.
  for (int y = 0; y < code->width; ++y)
    for (int x = 0; x < code->width; ++x)
      result.Matrix(x, y) = code->data[static_cast<size_t>(y) * static_cast<size_t>(code->width) +
                                       static_cast<size_t>(x)] &
                            1;
  QRcode_free(code);
  return result;
}

}  // namespace vornak::test
