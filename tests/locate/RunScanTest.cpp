// The eight-bytes-at-a-time run helpers against byte-by-byte walks, on rows
// whose dark bytes take any non-zero value.

#include "locate/RunScan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vornak {
namespace {

TEST(RunScanTest, RunEndsAndColourChangesMatchAByteWalk) {
  std::mt19937 random(3);
  for (int32_t round = 0; round < 300; ++round) {
    const auto width = static_cast<int32_t>(random() % 70);
    std::vector<uint8_t> row(static_cast<size_t>(width) + 8, 0);
    const uint32_t longest = 1 + random() % 20;
    bool dark = random() % 2 == 0;
    for (int32_t x = 0; x < width;) {
      const auto length = static_cast<int32_t>(1 + random() % longest);
      for (int32_t k = 0; k < length && x < width; ++k, ++x)
        row[static_cast<size_t>(x)] = dark ? static_cast<uint8_t>(1 + random() % 255) : 0;
      dark = !dark;
    }
    // Bytes past the row's end must not count.
    for (int32_t x = width; x < width + 8; ++x) row[static_cast<size_t>(x)] = random() % 2 ? 0 : 9;
    for (int32_t x = 0; x <= width; ++x)
      for (bool colour : {false, true}) {
        int32_t expected = x;
        while (expected < width && (row[static_cast<size_t>(expected)] != 0) == colour) ++expected;
        ASSERT_EQ(RunEnd(row.data(), x, width, colour), expected) << round << " " << x;
      }
    for (int32_t x = 1; x + 8 <= width; ++x) {
      std::vector<int32_t> expected, found;
      for (int32_t k = 0; k < 8; ++k)
        if ((row[static_cast<size_t>(x + k)] != 0) != (row[static_cast<size_t>(x + k - 1)] != 0))
          expected.push_back(k);
      EachColourChange(row.data() + x, row.data() + x - 1, [&](int32_t k) { found.push_back(k); });
      ASSERT_EQ(found, expected) << round << " " << x;
    }
  }
}

}  // namespace
}  // namespace vornak
