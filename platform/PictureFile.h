#pragma once

#include <cstdint>
#include <string>

#include "common/Types.h"

namespace vornak {

// Loads a picture file into the engine's bitmap. The content decides the
// format, not the name: JPEG through libjpeg, BMP through QImage with its
// header checked first, PNG, GIF, TIFF, WebP and PBM/PGM/PPM through
// QImage's readers. Transparent pixels are laid on white, as a picture
// viewer shows them and as the symbol was meant to be seen.
class TPictureFile {
 public:
  // Largest accepted width and height, and largest number of pixels; larger
  // pictures are refused before their pixels are allocated.
  static constexpr int32_t kMaxSide = 20000;
  static constexpr int64_t kMaxPixels = 200000000;

  struct TResult {
    bool Ok = false;
    TBitmap Bitmap;     // 24-bit colour, empty on failure
    std::string Error;  // UTF-8, names the file; empty on success
  };

  // Never throws for bad input: every failure comes back as an error.
  static TResult Load(const std::string& path);
  static TResult LoadJpeg(const std::string& path);
  static TResult LoadBmp(const std::string& path);
  // PNG, GIF (its first frame), TIFF (its first page), WebP, PBM/PGM/PPM.
  static TResult LoadOther(const std::string& path);

  // The format the first bytes of a file name ("jpeg", "bmp", "png", "gif",
  // "tiff", "webp", "pbm", "pgm", "ppm"); empty when they name none of
  // these, or the file cannot be read.
  static std::string Sniff(const std::string& path);

  // ".JPG" of "photo.JPG" gives ".jpg"; empty when the name has none.
  static std::string LowerExtension(const std::string& path);
};

}  // namespace vornak
