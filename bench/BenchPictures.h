#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Types.h"

// The pictures the speed benchmarks decode, built once in memory.
namespace vornak::bench {

struct TBenchPicture {
  std::string Name;      // "640x480-v2", "blank", ...
  std::string Expected;  // the symbol's text; empty when there is none
  TBitmap Bitmap;
};

// A photograph-like picture of one symbol: turned a little, blurred, noisy,
// unevenly lit, dark ink on off-white paper.
TBenchPicture PhotoPicture(int32_t width, int32_t height, int32_t version, double moduleSize,
                           double rotationDegrees, uint32_t seed);
// An even light-grey picture without a symbol.
TBenchPicture BlankPicture(int32_t width, int32_t height);
// A page covered with finder-like marks (7 x 7 modules of 2 pixels, 2 pixels
// apart): every row and column is full of 1:1:3:1:1 runs.
TBenchPicture TiledPicture(int32_t width, int32_t height);

// The benchmark set: 640 x 480 (version 2), 1600 x 1200 (version 7),
// 4000 x 3000 (version 14), a blank 4000 x 3000 and a tiled 4000 x 3000.
std::vector<TBenchPicture> StandardPictures();
// Just the 4000 x 3000 version-14 photograph.
TBenchPicture LargePhoto();

}  // namespace vornak::bench
