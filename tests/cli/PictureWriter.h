#pragma once

// Writes test pictures as the files a user would hand to the decoder.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "common/Types.h"
#include "platform/QtBitmap.h"

namespace vornak::test {

inline bool WriteJpeg(const TBitmap& bitmap, const std::string& path, int quality) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(bitmap.Width());
  info.image_height = static_cast<JDIMENSION>(bitmap.Height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(bitmap.Width()) * 3);
  while (info.next_scanline < info.image_height) {
    const uint32_t* in = bitmap.Row(static_cast<int32_t>(info.next_scanline));
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      row[3 * x] = static_cast<JSAMPLE>(in[x] & 0xFF);
      row[3 * x + 1] = static_cast<JSAMPLE>((in[x] >> 8) & 0xFF);
      row[3 * x + 2] = static_cast<JSAMPLE>((in[x] >> 16) & 0xFF);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(size));
  std::free(buffer);
  return static_cast<bool>(out);
}

inline bool WriteBmp(const TBitmap& bitmap, const std::string& path) {
  return TQtBitmap::ToQImage(bitmap).save(QString::fromStdString(path), "BMP");
}

}  // namespace vornak::test
