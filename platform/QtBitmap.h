#pragma once

#include <QImage>

#include "common/Types.h"

namespace vornak {

// Copies between Qt's pictures and the engine's bitmap, a row at a time.
class TQtBitmap {
 public:
  // A 32-bit RGB picture of the same size and colours.
  static QImage ToQImage(const TBitmap& bitmap);
  // Any QImage format; transparent pixels are laid on white. A null picture
  // gives an empty bitmap.
  static TBitmap FromQImage(const QImage& image);
};

}  // namespace vornak
