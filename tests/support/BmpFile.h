#pragma once

#include <filesystem>

#include "common/Types.h"

namespace vornak::test {

// Reads an uncompressed 24- or 32-bit BMP (the corpus format) into bitmap;
// false for any other file.
bool LoadBmp(const std::filesystem::path& path, TBitmap& bitmap);

}  // namespace vornak::test
