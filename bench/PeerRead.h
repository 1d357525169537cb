#pragma once

// zxing-cpp as the decode-rate benchmarks' peer, read the way its reading
// applications read photographs: trying harder, every rotation and a
// downscaled copy of large pictures. Only with VORNAK_HAVE_ZXING.
#ifdef VORNAK_HAVE_ZXING
#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>

#include "common/Types.h"

namespace vornak::bench {

inline ZXing::DecodeHints PeerHints() {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  hints.setTryDownscale(true);
  return hints;
}

inline ZXing::Result PeerRead(const TBitmap& bitmap, const ZXing::DecodeHints& hints) {
  const ZXing::ImageView view(reinterpret_cast<const uint8_t*>(bitmap.Row(0)), bitmap.Width(),
                              bitmap.Height(), ZXing::ImageFormat::RGBX, bitmap.Width() * 4);
  return ZXing::ReadBarcode(view, hints);
}

}  // namespace vornak::bench
#endif
