#include "tests/support/JpegEncoder.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace vornak::test {

std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality, bool grey, bool progressive) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(bitmap.Width());
  info.image_height = static_cast<JDIMENSION>(bitmap.Height());
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(bitmap.Width()) * 3);
  while (info.next_scanline < info.image_height) {
    const uint32_t* in = bitmap.Row(static_cast<int32_t>(info.next_scanline));
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      const auto at = static_cast<size_t>(x);
      if (grey) {
        row[at] = static_cast<JSAMPLE>(in[x] & 0xFF);
      } else {
        row[3 * at] = static_cast<JSAMPLE>(in[x] & 0xFF);
        row[3 * at + 1] = static_cast<JSAMPLE>((in[x] >> 8) & 0xFF);
        row[3 * at + 2] = static_cast<JSAMPLE>((in[x] >> 16) & 0xFF);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

}  // namespace vornak::test
