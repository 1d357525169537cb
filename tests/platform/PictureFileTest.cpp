#include "platform/PictureFile.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/QtBitmap.h"
#include "tests/support/JpegEncoder.h"

namespace vornak {
namespace {

namespace fs = std::filesystem;
using test::EncodeJpeg;

class PictureFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::path(::testing::TempDir()) /
           ("vornak_picture_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FDir, ignored);
  }
  std::string PathOf(const std::string& name) const { return (FDir / name).string(); }

  fs::path FDir;
};

// A smooth colour picture, so that JPEG keeps it close.
TBitmap Gradient(int32_t width, int32_t height) {
  TBitmap bitmap(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      bitmap.SetPixel(x, y, TBitmap::Rgb(x * 255 / width, y * 255 / height, 128));
  return bitmap;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int MaxChannelDifference(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int d =
        std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    worst = std::max(worst, d);
  }
  return worst;
}

TEST_F(PictureFileTest, JpegLoadsInFullColourAtFullScale) {
  const TBitmap original = Gradient(67, 41);
  const std::string path = PathOf("gradient.JPG");  // the extension is matched lower-cased
  WriteBytes(path, EncodeJpeg(original, 95));
  const auto result = TPictureFile::Load(path);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_TRUE(result.Error.empty());
  ASSERT_EQ(result.Bitmap.Width(), 67);
  ASSERT_EQ(result.Bitmap.Height(), 41);
  int worst = 0;
  for (int32_t y = 0; y < 41; ++y)
    for (int32_t x = 0; x < 67; ++x)
      worst =
          std::max(worst, MaxChannelDifference(result.Bitmap.Pixel(x, y), original.Pixel(x, y)));
  EXPECT_LE(worst, 12);
  for (int32_t y = 0; y < 41; ++y)
    for (int32_t x = 0; x < 67; ++x) ASSERT_EQ(result.Bitmap.Pixel(x, y) >> 24, 0u);
}

TEST_F(PictureFileTest, GreyJpegBecomesGreyColour) {
  TBitmap original(16, 16);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) original.SetPixel(x, y, TBitmap::Rgb(x * 16, x * 16, x * 16));
  const std::string path = PathOf("grey.jpeg");
  WriteBytes(path, EncodeJpeg(original, 90, true));
  const auto result = TPictureFile::Load(path);
  ASSERT_TRUE(result.Ok) << result.Error;
  for (int32_t x = 0; x < 16; ++x) {
    const uint32_t c = result.Bitmap.Pixel(x, 8);
    EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
    EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);
    EXPECT_LE(MaxChannelDifference(c, original.Pixel(x, 8)), 8);
  }
}

TEST_F(PictureFileTest, AdobeCmykJpegBecomesRgb) {
  // As photo software writes it: CMYK with an Adobe marker, stored inverted
  // (255 = no ink). Left half white, right half black ink, bottom row cyan.
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 16;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, JCS_YCCK);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(16 * 4);
  while (info.next_scanline < info.image_height) {
    const bool cyanRows = info.next_scanline >= 8;
    for (int x = 0; x < 16; ++x) {
      const JSAMPLE ink = x < 8 ? 255 : 0;  // inverted black
      row[4 * x] = cyanRows && x < 8 ? 0 : 255;
      row[4 * x + 1] = 255;
      row[4 * x + 2] = 255;
      row[4 * x + 3] = ink;
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const std::string path = PathOf("cmyk.jpg");
  WriteBytes(path, std::vector<unsigned char>(buffer, buffer + size));
  std::free(buffer);

  const auto result = TPictureFile::Load(path);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_LE(MaxChannelDifference(result.Bitmap.Pixel(2, 2), TBitmap::Rgb(255, 255, 255)), 6);
  EXPECT_LE(MaxChannelDifference(result.Bitmap.Pixel(13, 2), TBitmap::Rgb(0, 0, 0)), 6);
  EXPECT_LE(MaxChannelDifference(result.Bitmap.Pixel(2, 13), TBitmap::Rgb(0, 255, 255)), 6);
}

TEST_F(PictureFileTest, BmpFlavoursLoadExactly) {
  const TBitmap original = Gradient(31, 17);
  QImage image = TQtBitmap::ToQImage(original);
  struct Flavour {
    QImage::Format format;
    const char* name;
  };
  for (const Flavour f :
       {Flavour{QImage::Format_RGB32, "rgb32.bmp"}, Flavour{QImage::Format_RGB888, "rgb24.BMP"},
        Flavour{QImage::Format_Indexed8, "indexed.bmp"},
        Flavour{QImage::Format_Mono, "mono.bmp"}}) {
    const QImage converted = image.convertToFormat(f.format);
    const std::string path = PathOf(f.name);
    ASSERT_TRUE(converted.save(QString::fromStdString(path), "BMP")) << f.name;
    const auto result = TPictureFile::Load(path);
    ASSERT_TRUE(result.Ok) << f.name << ": " << result.Error;
    // Whatever Qt wrote, the load must give back the same colours it holds.
    EXPECT_EQ(result.Bitmap, TQtBitmap::FromQImage(converted)) << f.name;
  }
  const auto exact = TPictureFile::Load(PathOf("rgb32.bmp"));
  EXPECT_EQ(exact.Bitmap, original);
}

TEST_F(PictureFileTest, MissingFilesAreRefusedWhateverTheirNames) {
  for (const std::string name : {"picture.png", "picture", "dir.jpg/picture", "picture.jpg.txt"}) {
    const std::string path = PathOf(name);
    const auto result = TPictureFile::Load(path);
    EXPECT_FALSE(result.Ok) << name;
    EXPECT_NE(result.Error.find(path), std::string::npos) << result.Error;
    EXPECT_EQ(result.Bitmap.Width(), 0);
  }
  EXPECT_EQ(TPictureFile::LowerExtension("/a.b/c.JpEg"), ".jpeg");
  EXPECT_EQ(TPictureFile::LowerExtension("/a.b/c"), "");
}

TEST_F(PictureFileTest, MissingEmptyTruncatedAndCorruptFilesGiveErrors) {
  const std::vector<uint8_t> jpeg = EncodeJpeg(Gradient(64, 64), 80);
  const std::vector<unsigned char> garbage = {'h', 'e', 'l', 'l', 'o', 0, 1, 2, 3, 0xFF, 0xD8};
  struct Case {
    std::string name;
    std::vector<unsigned char> bytes;
    bool write;
  };
  std::vector<Case> cases = {
      {"missing.jpg", {}, false},
      {"missing.bmp", {}, false},
      {"empty.jpg", {}, true},
      {"empty.bmp", {}, true},
      {"garbage.jpg", garbage, true},
      {"garbage.bmp", garbage, true},
      {"truncated.jpg", std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2),
       true},
      {"header-only.jpg", std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + 200), true},
  };
  // A BMP cut short in its pixel data.
  const std::string whole = PathOf("whole.bmp");
  ASSERT_TRUE(TQtBitmap::ToQImage(Gradient(40, 40)).save(QString::fromStdString(whole), "BMP"));
  const std::vector<unsigned char> bmp = ReadBytes(whole);
  cases.push_back(
      {"truncated.bmp", std::vector<unsigned char>(bmp.begin(), bmp.begin() + 60), true});
  // A JPEG whose entropy-coded data is overwritten with noise.
  std::vector<unsigned char> noisy = jpeg;
  for (size_t i = noisy.size() / 3; i + 2 < noisy.size(); i += 7) noisy[i] = 0xFF;
  cases.push_back({"noisy.jpg", noisy, true});

  for (const Case& c : cases) {
    const std::string path = PathOf(c.name);
    if (c.write) WriteBytes(path, c.bytes);
    const auto result = TPictureFile::Load(path);
    EXPECT_FALSE(result.Ok) << c.name;
    EXPECT_NE(result.Error.find(path), std::string::npos) << c.name << ": " << result.Error;
    EXPECT_EQ(result.Bitmap.Width(), 0) << c.name;
  }
}

TEST_F(PictureFileTest, OversizedHeadersAreRefusedBeforeDecoding) {
  // JPEG: patch the frame header of a small picture to claim 20001 x 8.
  std::vector<uint8_t> jpeg = EncodeJpeg(Gradient(8, 8), 80);
  size_t sof = 0;
  for (size_t i = 0; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  ASSERT_NE(sof, 0u);
  const auto patch = [&](uint32_t width, uint32_t height) {
    std::vector<unsigned char> bytes = jpeg;
    bytes[sof + 5] = static_cast<unsigned char>(height >> 8);
    bytes[sof + 6] = static_cast<unsigned char>(height & 0xFF);
    bytes[sof + 7] = static_cast<unsigned char>(width >> 8);
    bytes[sof + 8] = static_cast<unsigned char>(width & 0xFF);
    return bytes;
  };
  for (const auto& [w, h] : {std::pair{20001u, 8u}, std::pair{8u, 65000u}}) {
    const std::string path = PathOf("huge.jpg");
    WriteBytes(path, patch(w, h));
    const auto result = TPictureFile::Load(path);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error.find("20000"), std::string::npos) << result.Error;
  }

  // A header within the limits that a file of a few hundred bytes cannot
  // hold (14000 x 14000 needs three million blocks) is refused before the
  // gigabyte is allocated; 16000 x 16000 is beyond 200 megapixels.
  {
    const std::string path = PathOf("short.jpg");
    WriteBytes(path, patch(14000, 14000));
    auto result = TPictureFile::Load(path);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error.find("too short for a 14000 x 14000 picture"), std::string::npos)
        << result.Error;
    WriteBytes(path, patch(16000, 16000));
    result = TPictureFile::Load(path);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error.find("16000 x 16000 pixels (256 megapixels); the limit is 200"),
              std::string::npos)
        << result.Error;
  }
  // A flat picture, the most compressible there is, still holds more than
  // that floor and loads.
  {
    const std::string path = PathOf("flat.jpg");
    WriteBytes(path, EncodeJpeg(TBitmap(1600, 1200, 0x808080), 50));
    const auto result = TPictureFile::Load(path);
    EXPECT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(result.Bitmap.Width(), 1600);
  }

  // BMP: a bare header claiming 30000 x 30000 at 24 bits, and a negative
  // (top-down) height beyond the limit.
  for (const int32_t height : {30000, -30000}) {
    std::vector<unsigned char> header(54, 0);
    header[0] = 'B';
    header[1] = 'M';
    const auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 30000);
    put32(22, static_cast<uint32_t>(height));
    header[26] = 1;
    header[28] = 24;
    const std::string path = PathOf("huge.bmp");
    WriteBytes(path, header);
    const auto result = TPictureFile::Load(path);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Error.find("30000 x 30000"), std::string::npos) << result.Error;
  }
}

}  // namespace
}  // namespace vornak

namespace vornak {
namespace {

// A GIF of a grey picture (256 grey levels as the palette), written without
// compression: every LZW code a literal, the table cleared before it grows
// past nine-bit codes. Qt reads GIF but does not write it.
std::vector<unsigned char> GreyGif(const TBitmap& bitmap) {
  std::vector<unsigned char> out = {'G', 'I', 'F', '8', '9', 'a'};
  const auto put16 = [&out](int v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
  };
  put16(bitmap.Width());
  put16(bitmap.Height());
  out.insert(out.end(), {0xF7, 0, 0});  // global palette of 256 entries
  for (int i = 0; i < 256; ++i) out.insert(out.end(), 3, static_cast<unsigned char>(i));
  out.push_back(0x2C);
  put16(0);
  put16(0);
  put16(bitmap.Width());
  put16(bitmap.Height());
  out.push_back(0);
  out.push_back(8);  // LZW minimum code size
  std::vector<unsigned char> data;
  uint32_t buffer = 0;
  int bits = 0;
  const auto code = [&](int c) {
    buffer |= static_cast<uint32_t>(c) << bits;
    for (bits += 9; bits >= 8; bits -= 8, buffer >>= 8)
      data.push_back(static_cast<unsigned char>(buffer & 0xFF));
  };
  int sinceClear = 0;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      if (sinceClear++ % 254 == 0) code(256);
      code(static_cast<int>(bitmap.Pixel(x, y) & 0xFF));
    }
  code(257);
  if (bits > 0) data.push_back(static_cast<unsigned char>(buffer & 0xFF));
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    out.push_back(static_cast<unsigned char>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}

// CRC-32 of a PNG chunk's type and data.
uint32_t PngCrc(const unsigned char* bytes, size_t length) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < length; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

// Every format QImage writes here, read back by content whatever the name.
TEST_F(PictureFileTest, OtherFormatsLoadByContentWhateverTheName) {
  const TBitmap original = Gradient(37, 23);
  const QImage image = TQtBitmap::ToQImage(original);
  struct TFormat {
    const char* Writer;
    const char* Name;
    QImage::Format Pixels;
    bool Exact;
  };
  for (const TFormat f : {TFormat{"PNG", "a.png", QImage::Format_RGB32, true},
                          TFormat{"PNG", "png-named.jpg", QImage::Format_RGB32, true},
                          TFormat{"TIFF", "a.tif", QImage::Format_RGB32, true},
                          TFormat{"PPM", "a.ppm", QImage::Format_RGB32, true},
                          TFormat{"PGM", "grey.pgm", QImage::Format_Grayscale8, true},
                          TFormat{"PBM", "mono.pbm", QImage::Format_Mono, true},
                          TFormat{"WEBP", "a.webp", QImage::Format_RGB32, false}}) {
    const QImage converted = image.convertToFormat(f.Pixels);
    const std::string path = PathOf(f.Name);
    QImageWriter writer(QString::fromStdString(path), f.Writer);
    writer.setQuality(100);
    ASSERT_TRUE(writer.write(converted)) << f.Name << ": " << writer.errorString().toStdString();
    const auto result = TPictureFile::Load(path);
    ASSERT_TRUE(result.Ok) << f.Name << ": " << result.Error;
    ASSERT_EQ(result.Bitmap.Width(), 37) << f.Name;
    ASSERT_EQ(result.Bitmap.Height(), 23) << f.Name;
    const TBitmap expected = TQtBitmap::FromQImage(converted);
    int worst = 0;
    for (int32_t y = 0; y < 23; ++y)
      for (int32_t x = 0; x < 37; ++x)
        worst =
            std::max(worst, MaxChannelDifference(result.Bitmap.Pixel(x, y), expected.Pixel(x, y)));
    EXPECT_LE(worst, f.Exact ? 0 : 8) << f.Name;
  }
  // GIF, written by hand.
  TBitmap grey(29, 13);
  for (int32_t y = 0; y < 13; ++y)
    for (int32_t x = 0; x < 29; ++x) {
      const uint32_t level = static_cast<uint32_t>((x * 9 + y * 17) % 256);
      grey.SetPixel(x, y, TBitmap::Rgb(level, level, level));
    }
  const std::string gif = PathOf("grey.gif");
  WriteBytes(gif, GreyGif(grey));
  const auto gifResult = TPictureFile::Load(gif);
  ASSERT_TRUE(gifResult.Ok) << gifResult.Error;
  EXPECT_EQ(gifResult.Bitmap, grey);
  // A JPEG named .png goes to the JPEG reader.
  const std::string jpeg = PathOf("jpeg-named.png");
  WriteBytes(jpeg, EncodeJpeg(original, 90));
  const auto result = TPictureFile::Load(jpeg);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(TPictureFile::Sniff(jpeg), "jpeg");
}

TEST_F(PictureFileTest, TransparentPixelsAreLaidOnWhite) {
  QImage image(4, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(0, 0, 0, 255));   // opaque black
  image.setPixel(1, 0, qRgba(0, 0, 0, 0));     // transparent
  image.setPixel(2, 0, qRgba(0, 0, 0, 128));   // half black
  image.setPixel(3, 0, qRgba(255, 0, 0, 51));  // faint red
  const std::string path = PathOf("alpha.png");
  ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
  const auto result = TPictureFile::Load(path);
  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(result.Bitmap.Pixel(0, 0), TBitmap::Rgb(0, 0, 0));
  EXPECT_EQ(result.Bitmap.Pixel(1, 0), TBitmap::Rgb(255, 255, 255));
  EXPECT_EQ(result.Bitmap.Pixel(2, 0), TBitmap::Rgb(127, 127, 127));
  EXPECT_EQ(result.Bitmap.Pixel(3, 0), TBitmap::Rgb(255, 204, 204));
}

TEST_F(PictureFileTest, NoPictureTruncatedPictureAndHugeHeaderAreRefused) {
  // Text named as a picture.
  const std::string text = PathOf("notes.png");
  WriteBytes(text, {'h', 'e', 'l', 'l', 'o', '\n'});
  auto result = TPictureFile::Load(text);
  EXPECT_FALSE(result.Ok);
  EXPECT_NE(result.Error.find(text), std::string::npos) << result.Error;
  EXPECT_NE(result.Error.find("not a picture"), std::string::npos) << result.Error;

  // A PNG cut short in its pixel data.
  const std::string whole = PathOf("whole.png");
  ASSERT_TRUE(TQtBitmap::ToQImage(Gradient(64, 64)).save(QString::fromStdString(whole), "PNG"));
  const std::vector<unsigned char> png = ReadBytes(whole);
  const std::string cut = PathOf("cut.png");
  WriteBytes(cut, std::vector<unsigned char>(png.begin(), png.begin() + png.size() / 2));
  result = TPictureFile::Load(cut);
  EXPECT_FALSE(result.Ok);
  EXPECT_NE(result.Error.find(cut), std::string::npos) << result.Error;

  // A PNG header claiming 15000 x 15000 (225 megapixels, within the side
  // limit) is refused with its size and the limit, before its pixels exist.
  std::vector<unsigned char> huge = png;
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) huge[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
  };
  put32(16, 15000);
  put32(20, 15000);
  put32(29, PngCrc(huge.data() + 12, 17));
  const std::string big = PathOf("huge.png");
  WriteBytes(big, huge);
  result = TPictureFile::Load(big);
  EXPECT_FALSE(result.Ok);
  EXPECT_NE(result.Error.find("15000 x 15000"), std::string::npos) << result.Error;
  EXPECT_NE(result.Error.find("200 megapixels"), std::string::npos) << result.Error;
}

}  // namespace
}  // namespace vornak
