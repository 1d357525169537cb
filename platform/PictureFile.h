#pragma once

#include <cstdint>
#include <string>

#include "common/Types.h"

namespace vornak {

// Loads a picture file into the engine's bitmap, chosen by the lower-cased
// extension: ".jpg" and ".jpeg" through libjpeg, ".bmp" through QImage.
class TPictureFile {
 public:
  // Largest accepted width and height; larger pictures are refused before
  // their pixels are allocated.
  static constexpr int32_t kMaxSide = 20000;

  struct TResult {
    bool Ok = false;
    TBitmap Bitmap;     // 24-bit colour, empty on failure
    std::string Error;  // UTF-8, names the file; empty on success
  };

  // Never throws for bad input: every failure comes back as an error.
  static TResult Load(const std::string& path);
  static TResult LoadJpeg(const std::string& path);
  static TResult LoadBmp(const std::string& path);

  // ".JPG" of "photo.JPG" gives ".jpg"; empty when the name has none.
  static std::string LowerExtension(const std::string& path);
};

}  // namespace vornak
