// The packed rows, upright and transposed, and their colour changes against
// the plane read pixel by pixel.

#include "locate/BitRows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vornak {
namespace {

TEST(BitRowsTest, PackedBitsAndChangesMatchThePlane) {
  std::mt19937 random(5);
  // Kept from round to round: nothing of an earlier plane may show through.
  TBitRows rows, columns;
  for (int32_t round = 0; round < 200; ++round) {
    // Sizes round 64 and 128 and past them, dark bytes of any non-zero value;
    // every third plane mostly light, with whole 64 x 64 blocks light.
    const auto width = static_cast<int32_t>(random() % 200);
    const auto height = static_cast<int32_t>(random() % 150);
    TPlaneBoolean plane(width + 3, height + 2, 0);
    const uint32_t density = round % 3 == 2 ? 3000 : 2 + random() % 6;
    for (uint8_t& b : plane.Data())
      b = random() % density == 0 ? static_cast<uint8_t>(1 + random() % 255) : 0;
    // The margin beyond the extents asked for is left out.
    rows.Pack(plane, width, height);
    columns.Transpose(rows);
    ASSERT_EQ(rows.Width(), width);
    ASSERT_EQ(rows.Height(), height);
    ASSERT_EQ(columns.Width(), height);
    ASSERT_EQ(columns.Height(), width);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        ASSERT_EQ(rows.Dark(x, y), plane(x, y) != 0) << round << ": " << x << "," << y;
        ASSERT_EQ(columns.Dark(y, x), plane(x, y) != 0) << round << ": " << x << "," << y;
      }
    // Padding past a row's end stays clear.
    for (const TBitRows* bits : {&rows, &columns})
      for (int32_t y = 0; y < bits->Height(); ++y)
        for (int32_t x = bits->Width(); x < 64 * bits->Words(); ++x)
          ASSERT_FALSE(bits->Dark(x, y)) << round;
    for (int32_t y = 0; y < height; ++y)
      for (bool before : {false, true}) {
        std::vector<int32_t> expected, found;
        bool colour = before;
        for (int32_t x = 0; x < width; ++x) {
          if ((plane(x, y) != 0) != colour) expected.push_back(x);
          colour = plane(x, y) != 0;
        }
        EachColourChange(rows.Row(y), rows.Width(), before, [&](int32_t x) { found.push_back(x); });
        ASSERT_EQ(found, expected) << round << ": row " << y;
      }
  }
}

TEST(BitRowsTest, ClippedToThePlane) {
  TPlaneBoolean plane(5, 4, 1);
  TBitRows rows, columns;
  rows.Pack(plane, 70, -3);
  columns.Transpose(rows);
  EXPECT_EQ(columns.Width(), 0);
  EXPECT_EQ(columns.Height(), 5);
  rows.Pack(plane, 70, 70);
  EXPECT_EQ(rows.Width(), 5);
  EXPECT_EQ(rows.Height(), 4);
  EXPECT_EQ(rows.Row(3)[0], 0x1FU);
}

// Spans filled dark or light change those pixels only, whatever words they
// start and end in, clipped to the rows; the padding stays clear.
TEST(BitRowsTest, FilledSpansChangeThosePixelsOnly) {
  std::mt19937 random(9);
  for (int32_t round = 0; round < 300; ++round) {
    const auto width = static_cast<int32_t>(1 + random() % 200);
    const auto height = static_cast<int32_t>(1 + random() % 6);
    TPlaneBoolean plane(width, height, 0);
    for (uint8_t& b : plane.Data()) b = static_cast<uint8_t>(random() % 2);
    TBitRows rows;
    rows.Pack(plane, width, height);
    const auto y = static_cast<int32_t>(random() % static_cast<uint32_t>(height + 2)) - 1;
    const auto x0 = static_cast<int32_t>(random() % static_cast<uint32_t>(width + 20)) - 10;
    const auto x1 = x0 + static_cast<int32_t>(random() % 150) - 5;
    const bool dark = random() % 2 == 0;
    rows.Fill(y, x0, x1, dark);
    for (int32_t py = 0; py < height; ++py) {
      for (int32_t x = 0; x < width; ++x) {
        const bool filled = py == y && x >= x0 && x <= x1;
        ASSERT_EQ(rows.Dark(x, py), filled ? dark : plane(x, py) != 0)
            << round << ": " << x << "," << py << " fill " << x0 << ".." << x1;
      }
      for (int32_t x = width; x < 64 * rows.Words(); ++x) ASSERT_FALSE(rows.Dark(x, py)) << round;
    }
  }
}

}  // namespace
}  // namespace vornak
