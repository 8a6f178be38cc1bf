#include "platform/bitmap24.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {
using platform::Bitmap24;

TEST(Bitmap24, RowsArePaddedToMultiplesOfFour) {
  struct Case {
    int width, height, stride;
  };
  for (const Case& c : {Case{0, 5, 0}, Case{1, 1, 4}, Case{2, 3, 8}, Case{3, 2, 12}, Case{4, 1, 12},
                        Case{5, 2, 16}, Case{640, 480, 1920}, Case{-3, 4, 0}}) {
    Bitmap24 bitmap(c.width, c.height);
    EXPECT_EQ(bitmap.Stride(), c.stride) << c.width;
    EXPECT_EQ(Bitmap24::StrideFor(std::max(c.width, 0)), c.stride);
    EXPECT_EQ(bitmap.Width(), std::max(c.width, 0));
    EXPECT_EQ(bitmap.ByteSize(), static_cast<size_t>(c.stride) * std::max(c.height, 0));
    EXPECT_EQ(bitmap.Empty(), c.width <= 0 || c.height <= 0);
    if (!bitmap.Empty()) {
      EXPECT_EQ(bitmap.ScanLine(1 % c.height) - bitmap.ScanLine(0), (1 % c.height) * c.stride);
    }
  }
}

TEST(Bitmap24, FillWritesBlueGreenRedAndLeavesPaddingBlack) {
  Bitmap24 bitmap(3, 2);  // 9 bytes of pixels + 3 padding per row
  bitmap.Fill(10, 20, 30);
  for (int y = 0; y < 2; ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(row[3 * x], 10);
      EXPECT_EQ(row[3 * x + 1], 20);
      EXPECT_EQ(row[3 * x + 2], 30);
    }
    for (int p = 9; p < 12; ++p) EXPECT_EQ(row[p], 0) << "padding byte " << p;
  }
}

TEST(Bitmap24, ResizingBlacksTheContentOnlyWhenTheSizeChanges) {
  Bitmap24 bitmap(4, 4);
  bitmap.Fill(1, 2, 3);
  bitmap.SetSize(4, 4);
  EXPECT_EQ(bitmap.ScanLine(3)[11], 3) << "same size keeps the picture";
  bitmap.SetSize(5, 4);
  for (size_t i = 0; i < bitmap.ByteSize(); ++i) ASSERT_EQ(bitmap.Bits()[i], 0) << i;
  EXPECT_EQ(bitmap.Stride(), 16);
  EXPECT_THROW(bitmap.SetSize(1 << 30, 1), std::length_error);
}

TEST(Bitmap24, CopiesAreIndependent) {
  Bitmap24 original(2, 2);
  original.Fill(9, 9, 9);
  Bitmap24 copy(original);
  Bitmap24 assigned;
  assigned = original;
  original.ScanLine(0)[0] = 1;
  EXPECT_EQ(copy.ScanLine(0)[0], 9);
  EXPECT_EQ(assigned.ScanLine(0)[0], 9);
  EXPECT_EQ(assigned.Width(), 2);
  EXPECT_EQ(assigned.Stride(), 8);
  assigned = assigned;
  EXPECT_EQ(assigned.ScanLine(1)[5], 9);
}

}  // namespace
