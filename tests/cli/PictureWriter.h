#pragma once

// Writes test pictures as the files a user would hand to the decoder.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/Types.h"
#include "platform/QtBitmap.h"
#include "tests/support/JpegEncoder.h"

namespace vornak::test {

inline bool WriteJpeg(const TBitmap& bitmap, const std::string& path, int quality) {
  const std::vector<uint8_t> bytes = EncodeJpeg(bitmap, quality);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

inline bool WriteBmp(const TBitmap& bitmap, const std::string& path) {
  return TQtBitmap::ToQImage(bitmap).save(QString::fromStdString(path), "BMP");
}

}  // namespace vornak::test
