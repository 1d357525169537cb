// Writes the 4000 x 3000 version-14 benchmark photograph as a JPEG, for
// measuring the command line's peak memory on a large picture; with --blank,
// an even grey picture of the same size, on which every pass runs and fails.
//   bench_make_jpeg [--blank] <file.jpg>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "bench/BenchPictures.h"

int main(int argc, char** argv) {
  const bool blank = argc == 3 && std::string(argv[1]) == "--blank";
  if (argc != 2 && !blank) {
    std::cerr << "usage: bench_make_jpeg [--blank] <file.jpg>\n";
    return 2;
  }
  const std::string path = argv[argc - 1];
  const vornak::TBitmap bitmap =
      blank ? vornak::bench::BlankPicture(4000, 3000).Bitmap : vornak::bench::LargePhoto().Bitmap;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::cerr << "bench_make_jpeg: cannot write " << path << "\n";
    return 1;
  }
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(bitmap.Width());
  info.image_height = static_cast<JDIMENSION>(bitmap.Height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(bitmap.Width()) * 3);
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const uint32_t* pixels = bitmap.Row(y);
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      row[static_cast<size_t>(x) * 3] = static_cast<JSAMPLE>(pixels[x] & 0xFF);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<JSAMPLE>((pixels[x] >> 8) & 0xFF);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<JSAMPLE>((pixels[x] >> 16) & 0xFF);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
  return 0;
}
