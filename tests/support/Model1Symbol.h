#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <qrcodegen/qrcodegen.hpp>

#include "common/Types.h"

// Reference QR Code Model 1 symbols. No encoder at hand makes Model 1, so
// this one is built here from the rules two real symbols confirmed (see
// symbol/Model1Tables.h): it reproduces both corpus pictures module for
// module. Segments come from libqrcodegen (Model 1 writes them as Model 2
// does); Reed-Solomon, placement, patterns and format are computed here,
// independently of the decoder.

namespace vornak::test {

struct Model1Symbol {
  // N x N modules, N = 4 * Version + 17, indexed (x, y), 1 = dark.
  TPlaneBoolean Matrix;
  int Version = 0;
  int Level = 0;  // 0 = L, 1 = M, 2 = Q, 3 = H
  int Mask = 0;   // 0..7, as Model 2's
  // Every codeword in placement order (data of each block, then check of
  // each block); the first one's high half is the four zero bits the
  // symbol does not place.
  std::vector<uint8_t> Codewords;
  // The modules of each codeword's bits (8 per codeword, most significant
  // first; the first codeword has 4).
  std::vector<std::vector<TPoint>> Modules;
};

// Throws std::invalid_argument when the segments do not fit, the entry of
// version and level has no block count, or a parameter is out of range.
Model1Symbol MakeModel1(const std::vector<qrcodegen::QrSegment>& segments, int version, int level,
                        int mask);
// Text split into segments by libqrcodegen.
Model1Symbol MakeModel1(const std::string& text, int version, int level, int mask);
// Data codewords given directly (as many as the version and level hold).
Model1Symbol MakeModel1FromData(const std::vector<uint8_t>& data, int version, int level, int mask);

// Rewrites the level bits of both format copies (mask kept).
void SetModel1FormatLevel(Model1Symbol& symbol, int level);

}  // namespace vornak::test
