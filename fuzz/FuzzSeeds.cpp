// Writes the seed corpora for the fuzz targets: symbols from an independent
// encoder, as data codewords, as module matrices, as small bitmaps and as BMP
// and JPEG files, each in its target's input format.
//
//   fuzz_seeds <folder>    writes <folder>/<target>/seed-*
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.

#include "fuzz/FuzzInput.h"
#include "tests/support/JpegEncoder.h"
#include "tests/support/Model1Symbol.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"
#include "tests/support/ZintSymbol.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;
using vornak::TBitmap;
using vornak::TPlaneBoolean;
using vornak::test::EncodeJpeg;
using vornak::test::ReferenceSymbol;

void Write(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + (folder / name).string());
}

// A few symbols covering every segment mode, several versions, levels and masks.
std::vector<ReferenceSymbol> Symbols() {
  using qrcodegen::QrSegment;
  std::vector<ReferenceSymbol> symbols;
  symbols.push_back(vornak::test::Make("HELLO WORLD", 1, 1, 0));
  symbols.push_back(vornak::test::Make("0123456789012345", 1, 3, 5));
  symbols.push_back(vornak::test::Make("https://example.com/a?b=c", 2, 0, 2));
  symbols.push_back(vornak::test::MakeSegments(
      {QrSegment::makeEci(26), QrSegment::makeBytes({0xE3, 0x81, 0x82, 0x41})}, 3, 2, 6));
  symbols.push_back(vornak::test::MakeSegments(
      {vornak::test::MakeKanjiSegment("\x93\xfa\x96\x7b"), QrSegment::makeNumeric("42")}, 4, 1, 3));
  symbols.push_back(vornak::test::Make(std::string(120, 'x') + "7 mixed 123456", 7, 0, 4));
  symbols.push_back(vornak::test::Make(std::string(300, 'Q'), 14, 2, 1));
  symbols.push_back(vornak::test::Make("versions 27 and up use the widest counts", 27, 0, 7));
  symbols.push_back(vornak::test::Make("largest", 40, 3, 0));
  return symbols;
}

Bytes ReaderSeed(const ReferenceSymbol& symbol) {
  Bytes seed{static_cast<uint8_t>(symbol.Version), 0};
  seed.insert(seed.end(), symbol.DataCodewords.begin(), symbol.DataCodewords.end());
  return seed;
}

// The decode tail gets no seeds of the largest symbols. A valid version 27 or
// 40 symbol takes about 20 or 35 times as long to decode as a version 1 one,
// and their many blocks give mutants new block-count features, so their
// offspring took up to three quarters of a run. Every version stays one
// selector byte away, and their codewords still seed the data block reader.
constexpr int32_t kLargestMatrixSeed = 14;

// Row by row, one bit per module, behind the two selector bytes.
Bytes PackMatrix(Bytes seed, const TPlaneBoolean& matrix) {
  uint8_t byte = 0;
  int32_t filled = 0;
  for (int32_t y = 0; y < matrix.Height(); ++y)
    for (int32_t x = 0; x < matrix.Width(); ++x) {
      byte = static_cast<uint8_t>((byte << 1) | (matrix(x, y) != 0 ? 1 : 0));
      if (++filled == 8) {
        seed.push_back(byte);
        byte = 0;
        filled = 0;
      }
    }
  if (filled > 0) seed.push_back(static_cast<uint8_t>(byte << (8 - filled)));
  return seed;
}

Bytes MatrixSeed(const ReferenceSymbol& symbol) {
  return PackMatrix({vornak::fuzz::MatrixVersionSelector(symbol.Version),
                     static_cast<uint8_t>(vornak::fuzz::TMatrixShape::Exact)},
                    symbol.Matrix);
}

// A Micro QR symbol of M1..M4 (libzint), for the tail's other kind.
Bytes MicroMatrixSeed(const vornak::test::ZintSymbol& symbol) {
  const auto version = static_cast<uint8_t>((symbol.Columns - 9) / 2 - 1);
  return PackMatrix({version, static_cast<uint8_t>(0x80)}, symbol.Matrix);
}

// An rMQR symbol (libzint), the shape selector's rMQR bit set.
Bytes RectMatrixSeed(const vornak::test::ZintSymbol& symbol, int32_t version) {
  return PackMatrix({static_cast<uint8_t>(version - 1), static_cast<uint8_t>(0x40)}, symbol.Matrix);
}

TBitmap Render(const ReferenceSymbol& symbol, double moduleSize, double rotation, double noise) {
  vornak::test::TRenderOptions options;
  options.ModuleSize = moduleSize;
  options.QuietZone = 2;
  options.RotationDegrees = rotation;
  options.NoiseSigma = noise;
  options.BlurSigma = noise > 0 ? 0.6 : 0.0;
  return vornak::test::RenderBitmap(symbol.Matrix, options);
}

// Warp 6 and Resolver 7, the component's usual settings.
constexpr uint8_t kUsualTuning = 29;

Bytes BitmapSeed(const TBitmap& bitmap, bool colour) {
  if (bitmap.Width() > vornak::fuzz::kMaxSide || bitmap.Height() > vornak::fuzz::kMaxSide)
    throw std::runtime_error("seed bitmap larger than the fuzz target accepts");
  Bytes seed{static_cast<uint8_t>(bitmap.Width() - 1), static_cast<uint8_t>(bitmap.Height() - 1),
             static_cast<uint8_t>(colour ? 1 : 0), kUsualTuning, 0};
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const uint32_t c = bitmap.Pixel(x, y);
      if (colour) {
        seed.push_back(static_cast<uint8_t>(c & 0xFF));
        seed.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
        seed.push_back(static_cast<uint8_t>((c >> 16) & 0xFF));
      } else {
        seed.push_back(static_cast<uint8_t>(
            (77 * (c & 0xFF) + 150 * ((c >> 8) & 0xFF) + 29 * ((c >> 16) & 0xFF)) >> 8));
      }
    }
  return seed;
}

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// Uncompressed BMP, 8 (grey palette), 24 or 32 bits per pixel, bottom-up or
// top-down.
Bytes BmpFile(const TBitmap& bitmap, int bits, bool topDown) {
  const uint32_t width = static_cast<uint32_t>(bitmap.Width());
  const uint32_t height = static_cast<uint32_t>(bitmap.Height());
  const uint32_t stride = (width * static_cast<uint32_t>(bits) / 8 + 3) & ~3U;
  const uint32_t palette = bits == 8 ? 256 * 4 : 0;
  const uint32_t offset = 14 + 40 + palette;
  Bytes b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, offset + stride * height);
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, width);
  Put32(b, topDown ? static_cast<uint32_t>(-static_cast<int32_t>(height)) : height);
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(bits));
  Put32(b, 0);  // no compression
  Put32(b, stride * height);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, bits == 8 ? 256 : 0);
  Put32(b, 0);
  for (uint32_t i = 0; i < palette / 4; ++i) {
    for (int k = 0; k < 3; ++k) b.push_back(static_cast<uint8_t>(i));
    b.push_back(0);
  }
  for (uint32_t r = 0; r < height; ++r) {
    const int32_t y = static_cast<int32_t>(topDown ? r : height - 1 - r);
    const size_t start = b.size();
    for (int32_t x = 0; x < static_cast<int32_t>(width); ++x) {
      const uint32_t c = bitmap.Pixel(x, y);
      const uint8_t red = c & 0xFF, green = (c >> 8) & 0xFF, blue = (c >> 16) & 0xFF;
      if (bits == 8) {
        b.push_back(green);
      } else {
        b.push_back(blue);
        b.push_back(green);
        b.push_back(red);
        if (bits == 32) b.push_back(0xFF);
      }
    }
    b.resize(start + stride, 0);
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds <folder>\n";
    return 2;
  }
  try {
    const fs::path root = argv[1];
    const std::vector<ReferenceSymbol> symbols = Symbols();
    int n = 0;
    for (const ReferenceSymbol& symbol : symbols) {
      const std::string name =
          "seed-v" + std::to_string(symbol.Version) + "-" + std::to_string(n++);
      Write(root / "data_block_reader", name, ReaderSeed(symbol));
      if (symbol.Version <= kLargestMatrixSeed)
        Write(root / "decode_matrix", name, MatrixSeed(symbol));
    }
    const char* const microTexts[] = {"12345", "HELLO12", "micro qr", "0123456789ABCDEFabc"};
    for (int version = 1; version <= 4; ++version) {
      const vornak::test::ZintSymbol micro =
          vornak::test::MakeMicroQr(microTexts[version - 1], version, 0);
      if (micro.Error.empty())
        Write(root / "decode_matrix", "seed-micro-m" + std::to_string(version),
              MicroMatrixSeed(micro));
    }

    for (const int32_t version : {1, 6, 11, 17, 23, 28}) {
      const vornak::test::ZintSymbol rect =
          vornak::test::MakeRmqr("rMQR " + std::to_string(version), version, 1);
      if (rect.Error.empty())
        Write(root / "decode_matrix", "seed-rmqr-" + std::to_string(version),
              RectMatrixSeed(rect, version));
    }
    // Model 1 at the entries real symbols confirmed (2-M, 5-H) and one more.
    for (const auto& [version, level] : {std::pair{1, 1}, {2, 1}, {5, 3}}) {
      const vornak::test::Model1Symbol model1 =
          vornak::test::MakeModel1("MODEL 1 " + std::to_string(version), version, level, version);
      Write(root / "decode_matrix", "seed-model1-v" + std::to_string(version),
            PackMatrix({vornak::fuzz::MatrixVersionSelector(version),
                        static_cast<uint8_t>(vornak::fuzz::TMatrixShape::Exact)},
                       model1.Matrix));
    }

    // Small pictures: the first symbols fit the bitmap target's size limit.
    const TBitmap plain = Render(symbols[0], 2.0, 0.0, 0.0);
    const TBitmap turned = Render(symbols[1], 2.0, 12.0, 6.0);
    const TBitmap larger = Render(symbols[2], 3.0, 0.0, 4.0);
    const TBitmap tilted = Render(symbols[3], 3.0, -20.0, 0.0);
    Write(root / "vornak_decode", "seed-plain", BitmapSeed(plain, false));
    Write(root / "vornak_decode", "seed-turned", BitmapSeed(turned, false));
    Write(root / "vornak_decode", "seed-larger", BitmapSeed(larger, true));
    Write(root / "vornak_decode", "seed-tilted", BitmapSeed(tilted, false));

    Write(root / "bmp_loader", "seed-24.bmp", BmpFile(plain, 24, false));
    Write(root / "bmp_loader", "seed-32-topdown.bmp", BmpFile(turned, 32, true));
    Write(root / "bmp_loader", "seed-8.bmp", BmpFile(larger, 8, false));

    Write(root / "jpeg_loader", "seed-colour.jpg", EncodeJpeg(turned, 85));
    Write(root / "jpeg_loader", "seed-grey.jpg", EncodeJpeg(plain, 75, true));
    Write(root / "jpeg_loader", "seed-progressive.jpg", EncodeJpeg(larger, 60, false, true));
  } catch (const std::exception& e) {
    std::cerr << "fuzz_seeds: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
