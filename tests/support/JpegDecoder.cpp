#include "tests/support/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

namespace vornak::test {

namespace {

// libjpeg's fatal errors must not return to it: they jump back to Read.
struct TJumpError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TJumpError*>(info->err)->Jump, 1);
}

// Only plain data lives between setjmp and a jump.
bool Read(const std::vector<uint8_t>& bytes, TBitmap& bitmap, std::vector<JSAMPLE>& row) {
  jpeg_decompress_struct info{};
  TJumpError error{};
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JumpBack;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const auto width = static_cast<int32_t>(info.output_width);
  bitmap.Resize(width, static_cast<int32_t>(info.output_height));
  row.resize(static_cast<size_t>(width) * 3);
  while (info.output_scanline < info.output_height) {
    const auto y = static_cast<int32_t>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(x) * 3;
      bitmap.SetPixel(x, y, TBitmap::Rgb(row[at], row[at + 1], row[at + 2]));
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

TBitmap DecodeJpeg(const std::vector<uint8_t>& bytes) {
  TBitmap bitmap;
  std::vector<JSAMPLE> row;
  if (bytes.empty() || !Read(bytes, bitmap, row))
    throw std::runtime_error("DecodeJpeg: libjpeg refused the bytes");
  return bitmap;
}

}  // namespace vornak::test
