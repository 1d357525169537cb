// Arbitrary file contents through the picture loader chosen by the extension
// this target is built with (".bmp" or ".jpg"). The loader reads files only,
// so each input goes through a temporary file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/PictureFile.h"

#ifndef VORNAK_FUZZ_EXTENSION
#error "VORNAK_FUZZ_EXTENSION must name the file extension to fuzz"
#endif

namespace {

// One file per process, in memory when /dev/shm is there.
const std::string& TempPath() {
  static const std::string path = [] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string name = std::string(dir) + "/vornak-fuzz-XXXXXX" + VORNAK_FUZZ_EXTENSION;
    const int fd = mkstemps(name.data(), static_cast<int>(sizeof(VORNAK_FUZZ_EXTENSION) - 1));
    if (fd < 0) std::abort();
    close(fd);
    std::atexit([] { std::remove(TempPath().c_str()); });
    return name;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = TempPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);

  const vornak::TPictureFile::TResult result = vornak::TPictureFile::Load(path);
  if (result.Ok) {
    if (!result.Error.empty() || result.Bitmap.Width() < 1 || result.Bitmap.Height() < 1)
      __builtin_trap();
  } else {
    if (result.Error.empty() || result.Bitmap.Width() != 0) __builtin_trap();
  }
  return 0;
}
