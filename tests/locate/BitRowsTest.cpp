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
  for (int32_t round = 0; round < 200; ++round) {
    // Sizes round 64 and 128 and past them, dark bytes of any non-zero value.
    const auto width = static_cast<int32_t>(random() % 200);
    const auto height = static_cast<int32_t>(random() % 150);
    TPlaneBoolean plane(width + 3, height + 2, 0);
    const uint32_t density = 2 + random() % 6;
    for (uint8_t& b : plane.Data())
      b = random() % density == 0 ? static_cast<uint8_t>(1 + random() % 255) : 0;
    TBitRows rows, columns;
    // The margin beyond the extents asked for is left out.
    rows.Pack(plane, width, height);
    columns.PackTransposed(plane, width, height);
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
  TBitRows rows;
  rows.PackTransposed(plane, 70, -3);
  EXPECT_EQ(rows.Width(), 0);
  EXPECT_EQ(rows.Height(), 5);
  rows.Pack(plane, 70, 70);
  EXPECT_EQ(rows.Width(), 5);
  EXPECT_EQ(rows.Height(), 4);
  EXPECT_EQ(rows.Row(3)[0], 0x1FU);
}

}  // namespace
}  // namespace vornak
