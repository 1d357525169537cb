#include "platform/QtBitmap.h"

namespace vornak {

QImage TQtBitmap::ToQImage(const TBitmap& bitmap) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return QImage();
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  if (image.isNull()) return image;  // Qt could not allocate it
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const uint32_t* in = bitmap.Row(y);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const uint32_t colour = in[x];
      out[x] = qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                    static_cast<int>((colour >> 16) & 0xFF));
    }
  }
  return image;
}

TBitmap TQtBitmap::FromQImage(const QImage& image) {
  if (image.isNull()) return TBitmap();
  if (image.hasAlphaChannel()) {
    // Laid on white: a transparent background must not turn as dark as the
    // modules drawn on it.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) return TBitmap();
    TBitmap bitmap(argb.width(), argb.height());
    const auto over = [](int colour, int alpha) {
      return static_cast<uint32_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
    };
    for (int32_t y = 0; y < argb.height(); ++y) {
      const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      uint32_t* out = bitmap.Row(y);
      for (int32_t x = 0; x < argb.width(); ++x) {
        const int a = qAlpha(in[x]);
        out[x] = TBitmap::Rgb(over(qRed(in[x]), a), over(qGreen(in[x]), a), over(qBlue(in[x]), a));
      }
    }
    return bitmap;
  }
  const QImage rgb =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  if (rgb.isNull()) return TBitmap();
  TBitmap bitmap(rgb.width(), rgb.height());
  for (int32_t y = 0; y < rgb.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uint32_t* out = bitmap.Row(y);
    for (int32_t x = 0; x < rgb.width(); ++x)
      out[x] =
          TBitmap::Rgb(static_cast<uint32_t>(qRed(in[x])), static_cast<uint32_t>(qGreen(in[x])),
                       static_cast<uint32_t>(qBlue(in[x])));
  }
  return bitmap;
}

}  // namespace vornak
