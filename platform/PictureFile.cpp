#include "platform/PictureFile.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/QtBitmap.h"

namespace vornak {

namespace {

std::string Failure(const std::string& path, const std::string& reason) {
  return "Cannot read \"" + path + "\": " + reason;
}

TPictureFile::TResult Failed(const std::string& path, const std::string& reason) {
  TPictureFile::TResult result;
  result.Error = Failure(path, reason);
  return result;
}

std::string SizeReason(int64_t width, int64_t height) {
  if (width < 1 || height < 1)
    return "the picture has no pixels (" + std::to_string(width) + " x " + std::to_string(height) +
           ")";
  const int64_t megapixels = (width * height + 500000) / 1000000;
  return "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels (" +
         std::to_string(megapixels) + " megapixels); the limit is " +
         std::to_string(TPictureFile::kMaxPixels / 1000000) + " megapixels and " +
         std::to_string(TPictureFile::kMaxSide) + " pixels a side";
}

bool SizeAccepted(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= TPictureFile::kMaxSide &&
         height <= TPictureFile::kMaxSide && width * height <= TPictureFile::kMaxPixels;
}

// The formats QImage reads besides BMP and JPEG, as its readers name them.
constexpr const char* kNotAPicture =
    "not a picture in a known format (BMP, JPEG, PNG, GIF, TIFF, WebP, PBM, PGM or PPM)";

// libjpeg reports fatal errors through error_exit, which must not return:
// jump back to the loader, which turns the message into an error.
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, error->Message);
  std::longjmp(error->Jump, 1);
}

// Corrupt-data warnings (level -1) mean the picture would be partly invented,
// e.g. a truncated file padded with grey: refuse it. Bytes of padding after
// the data do not harm the picture and are let through.
void JpegEmitMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  if (info->err->msg_code == JWRN_EXTRANEOUS_DATA) return;
  JpegErrorExit(info);
}

// A progressive file can hold an absurd number of scans; stop there.
void JpegProgress(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > 1000) {
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    std::snprintf(error->Message, sizeof(error->Message), "too many scans");
    std::longjmp(error->Jump, 1);
  }
}

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The part of the JPEG load that runs between setjmp and the jump; it holds
// no objects with destructors, so a jump out of libjpeg leaks nothing.
// Returns false with the reason in error->Message.
bool DecodeJpeg(jpeg_decompress_struct& info, TJpegError& error, std::FILE* file, int64_t fileSize,
                TBitmap& bitmap, std::vector<JSAMPLE>& row, std::string& sizeReason) {
  if (setjmp(error.Jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_progress_mgr progress{};
  progress.progress_monitor = JpegProgress;
  info.progress = &progress;
  jpeg_read_header(&info, TRUE);

  // Validate the header before anything of the picture's size is allocated.
  if (!SizeAccepted(info.image_width, info.image_height)) {
    sizeReason = SizeReason(info.image_width, info.image_height);
    return false;
  }
  // A small file must not claim gigabytes: Huffman coding spends at least
  // a bit on each 8 x 8 block of the full-size component, so a shorter
  // file cannot hold the picture and would only be padded (and refused)
  // after the allocation. Arithmetic coding can go far below a bit; it is
  // held to a byte per 512 blocks.
  const int64_t blocks = (static_cast<int64_t>(info.image_width) + 7) / 8 *
                         ((static_cast<int64_t>(info.image_height) + 7) / 8);
  const int64_t least = info.arith_code ? blocks / 512 : blocks / 8;
  if (fileSize < least) {
    sizeReason = "the file is too short for a " + std::to_string(info.image_width) + " x " +
                 std::to_string(info.image_height) + " picture (" + std::to_string(fileSize) +
                 " bytes; it needs at least " + std::to_string(least) + ")";
    return false;
  }
  info.scale_num = 1;
  info.scale_denom = 1;
  info.do_block_smoothing = TRUE;
  info.dct_method = JDCT_ISLOW;
  info.quantize_colors = FALSE;
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&info);

  const int32_t width = static_cast<int32_t>(info.output_width);
  const int32_t height = static_cast<int32_t>(info.output_height);
  const int channels = info.output_components;
  if (!SizeAccepted(width, height) || (channels != 3 && channels != 4)) {
    sizeReason = "unexpected decoder output";
    return false;
  }
  row.resize(static_cast<size_t>(width) * static_cast<size_t>(channels));
  bitmap.Resize(width, height);
  // Adobe writes CMYK inverted; plain CMYK is stored as ink amounts.
  const bool inverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    const int32_t y = static_cast<int32_t>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) {
      std::snprintf(error.Message, sizeof(error.Message), "no picture data");
      return false;
    }
    uint32_t* out = bitmap.Row(y);
    const JSAMPLE* in = row.data();
    if (!cmyk) {
      for (int32_t x = 0; x < width; ++x, in += 3) out[x] = TBitmap::Rgb(in[0], in[1], in[2]);
    } else {
      for (int32_t x = 0; x < width; ++x, in += 4) {
        uint32_t c = in[0], m = in[1], yel = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, yel = 255 - yel, k = 255 - k;
        out[x] = TBitmap::Rgb(c * k / 255, m * k / 255, yel * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&info);
  return true;
}

// The BMP header holds the size at fixed places: read it before QImage
// allocates anything, and check that an uncompressed file really holds all
// the rows it claims (Qt would pad a short file silently). Returns an empty
// string when the file may be decoded.
std::string CheckBmpHeader(const std::string& path) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::strerror(errno);
  unsigned char header[34] = {};
  const size_t got = std::fread(header, 1, sizeof(header), file.get());
  if (got < 18 || header[0] != 'B' || header[1] != 'M') return "not a BMP file";
  auto u16 = [&](int at) { return static_cast<uint32_t>(header[at] | (header[at + 1] << 8)); };
  auto u32 = [&](int at) { return u16(at) | (u16(at + 2) << 16); };
  const uint32_t infoSize = u32(14);
  int64_t width = 0, height = 0, bits = 0, compression = 0;
  if (infoSize == 12) {
    if (got < 26) return "truncated header";
    width = u16(18);
    height = u16(20);
    bits = u16(24);
  } else {
    if (got < 34) return "truncated header";
    width = static_cast<int32_t>(u32(18));
    height = static_cast<int32_t>(u32(22));
    if (height < 0) height = -height;  // top-down rows
    bits = u16(28);
    compression = u32(30);
  }
  if (!SizeAccepted(width, height)) return SizeReason(width, height);
  // 0 = plain rows, 3 = rows with bit-field masks; the run-length and
  // embedded formats have no fixed size and are left to the decoder.
  if ((compression == 0 || compression == 3) && bits >= 1 && bits <= 32) {
    const int64_t stride = (width * bits + 31) / 32 * 4;
    const int64_t needed = static_cast<int64_t>(u32(10)) + stride * height;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return std::strerror(errno);
    const long size = std::ftell(file.get());
    if (size < 0) return std::strerror(errno);
    if (size < needed)
      return "the file is truncated (" + std::to_string(size) + " of " + std::to_string(needed) +
             " bytes)";
  }
  return {};
}

void RaiseQtAllocationLimit() {
  // Qt refuses pictures above 256 MB by default. Our size checks bound the
  // pictures whose headers tell their size; this bounds the rest at the
  // largest accepted picture (200 megapixels of 4 bytes, 763 MB).
  static std::once_flag once;
  std::call_once(once, [] { QImageReader::setAllocationLimit(800); });
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

std::string TPictureFile::LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

std::string TPictureFile::Sniff(const std::string& path) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return {};
  unsigned char head[12] = {};
  const size_t got = std::fread(head, 1, sizeof(head), file.get());
  const auto starts = [&](std::initializer_list<int> bytes, size_t at = 0) {
    if (got < at + bytes.size()) return false;
    for (const int b : bytes)
      if (head[at++] != b) return false;
    return true;
  };
  if (starts({0xFF, 0xD8, 0xFF})) return "jpeg";
  if (starts({'B', 'M'})) return "bmp";
  if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return "png";
  if (starts({'G', 'I', 'F', '8'})) return "gif";
  if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42})) return "tiff";
  if (starts({'R', 'I', 'F', 'F'}) && starts({'W', 'E', 'B', 'P'}, 8)) return "webp";
  // Netpbm: "P1".."P6" and white space.
  if (got >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
      (head[2] == ' ' || head[2] == '\t' || head[2] == '\n' || head[2] == '\r')) {
    static constexpr const char* kNetpbm[] = {"pbm", "pgm", "ppm"};
    return kNetpbm[(head[1] - '1') % 3];
  }
  return {};
}

TPictureFile::TResult TPictureFile::Load(const std::string& path) {
  const std::string format = Sniff(path);
  if (format == "jpeg") return LoadJpeg(path);
  if (format == "bmp") return LoadBmp(path);
  if (!format.empty()) return LoadOther(path);
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return Failed(path, std::strerror(errno));
  return Failed(path, kNotAPicture);
}

TPictureFile::TResult TPictureFile::LoadJpeg(const std::string& path) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return Failed(path, std::strerror(errno));
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return Failed(path, std::strerror(errno));
  const long fileSize = std::ftell(file.get());
  if (fileSize < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
    return Failed(path, std::strerror(errno));

  jpeg_decompress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegErrorExit;
  error.Manager.emit_message = JpegEmitMessage;
  TResult result;
  std::vector<JSAMPLE> row;
  std::string sizeReason;
  const bool ok = DecodeJpeg(info, error, file.get(), fileSize, result.Bitmap, row, sizeReason);
  jpeg_destroy_decompress(&info);
  if (!ok) {
    result.Bitmap = TBitmap();
    result.Error = Failure(path, !sizeReason.empty() ? sizeReason
                                                     : "not a readable JPEG file (" +
                                                           std::string(error.Message) + ")");
    return result;
  }
  result.Ok = true;
  return result;
}

TPictureFile::TResult TPictureFile::LoadBmp(const std::string& path) {
  const std::string headerProblem = CheckBmpHeader(path);
  if (!headerProblem.empty()) return Failed(path, headerProblem);
  RaiseQtAllocationLimit();
  QImageReader reader(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())), "bmp");
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();
  if (size.isValid() && !SizeAccepted(size.width(), size.height()))
    return Failed(path, SizeReason(size.width(), size.height()));
  QImage image;
  if (!reader.read(&image) || image.isNull())
    return Failed(path, "not a readable BMP file (" + reader.errorString().toStdString() + ")");
  if (!SizeAccepted(image.width(), image.height()))
    return Failed(path, SizeReason(image.width(), image.height()));
  TResult result;
  result.Bitmap = TQtBitmap::FromQImage(image);
  result.Ok = true;
  return result;
}

TPictureFile::TResult TPictureFile::LoadOther(const std::string& path) {
  const std::string format = Sniff(path);
  if (format.empty() || format == "jpeg" || format == "bmp") return Load(path);
  RaiseQtAllocationLimit();
  QImageReader reader(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())),
                      QByteArray::fromStdString(format));
  reader.setAutoDetectImageFormat(false);
  const std::string kind = Upper(format);
  if (!reader.canRead())
    return Failed(path,
                  "not a readable " + kind + " file (" + reader.errorString().toStdString() + ")");
  const QSize size = reader.size();
  if (size.isValid() && !SizeAccepted(size.width(), size.height()))
    return Failed(path, SizeReason(size.width(), size.height()));
  QImage image;
  if (!reader.read(&image) || image.isNull())
    return Failed(path,
                  "not a readable " + kind + " file (" + reader.errorString().toStdString() + ")");
  if (!SizeAccepted(image.width(), image.height()))
    return Failed(path, SizeReason(image.width(), image.height()));
  TResult result;
  result.Bitmap = TQtBitmap::FromQImage(image);
  result.Ok = true;
  return result;
}

}  // namespace vornak
