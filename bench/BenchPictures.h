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
  // True when the picture holds no symbol at all, so every pass runs.
  bool NoSymbol() const { return Expected.empty(); }
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

// A photograph of a rough surface without a symbol: grey blotches of a few
// sizes plus pixel noise, so that dark and light runs of every length (and
// chance 1:1:3:1:1 patterns) turn up everywhere.
TBenchPicture TexturePicture(int32_t width, int32_t height, uint32_t seed);
// Independent grey noise in every pixel, no symbol.
TBenchPicture NoisePicture(int32_t width, int32_t height, uint32_t seed);
// Black and white squares of block pixels, each black with chance dark
// (0..1): specks that pass the finder run test across and down turn up by
// the dozen, as in a halftone or a printed pattern.
TBenchPicture BlockNoisePicture(int32_t width, int32_t height, int32_t block, double dark,
                                uint32_t seed);

// The benchmark set: 640 x 480 (version 2), 1600 x 1200 (version 7),
// 4000 x 3000 (version 14), and without a symbol a blank 4000 x 3000, a
// tiled 4000 x 3000, a textured 4000 x 3000, a 64 x 64 of noise and two of
// black and white blocks (256 x 256 of 2 pixels, 400 x 400 of 3).
std::vector<TBenchPicture> StandardPictures();
// Just the 4000 x 3000 version-14 photograph.
TBenchPicture LargePhoto();

}  // namespace vornak::bench
