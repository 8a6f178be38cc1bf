// Decoded pictures into 24-bit bitmaps: the direct row copy, conversion
// through the buffer, colours from YUV, and the failure without a scaler.
#include "media/binding/bitmap_converter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "media/binding/entry_table.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;

class BitmapConverterTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::LoadRealLibraries(); }
};

uint8_t PatternByte(int x, int y, int channel) {
  return static_cast<uint8_t>(x * 37 + y * 11 + channel * 5 + 1);
}

TEST_F(BitmapConverterTest, CopiesBgr24PicturesDirectlyOnlyWhenRowsMatch) {
  const struct {
    int width, height, linesize;
    bool throughBuffer;
  } cases[] = {
      {4, 2, 12, false},  // even size, rows exactly as the bitmap's
      {3, 2, 9, true},    // odd width
      {4, 3, 12, true},   // odd height
      {2, 2, 6, true},    // bitmap rows are padded to 8 bytes
      {4, 2, 16, true},   // padded source rows
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " linesize " << c.linesize);
    std::vector<uint8_t> picture(static_cast<size_t>(c.linesize) * c.height, 0xEE);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        for (int ch = 0; ch < 3; ++ch) picture[y * c.linesize + x * 3 + ch] = PatternByte(x, y, ch);
    const uint8_t* data[4] = {picture.data(), nullptr, nullptr, nullptr};
    const int linesize[4] = {c.linesize, 0, 0, 0};

    BitmapConverter converter;
    ASSERT_TRUE(converter.PictureToBitmap(data, linesize, AV_PIX_FMT_BGR24, c.height, c.width));
    EXPECT_EQ(converter.BufferSize() > 0, c.throughBuffer);
    const platform::Bitmap24* bitmap = converter.Bitmap();
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->Width(), c.width);
    ASSERT_EQ(bitmap->Height(), c.height);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        for (int ch = 0; ch < 3; ++ch)
          ASSERT_EQ(bitmap->ScanLine(y)[x * 3 + ch], PatternByte(x, y, ch))
              << "x " << x << " y " << y << " channel " << ch;
  }
}

// A YUV420P frame in limited range with one colour in the top and another in
// the bottom half.
AVFrame* TwoColourFrame(int width, int height, const uint8_t top[3], const uint8_t bottom[3]) {
  AVFrame* frame = lib::av_frame_alloc();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = width;
  frame->height = height;
  if (lib::av_frame_get_buffer(frame, 0) < 0) return nullptr;
  for (int plane = 0; plane < 3; ++plane) {
    const int h = plane == 0 ? height : height / 2, w = plane == 0 ? width : width / 2;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        frame->data[plane][y * frame->linesize[plane] + x] = y < h / 2 ? top[plane] : bottom[plane];
  }
  return frame;
}

TEST_F(BitmapConverterTest, ConvertsYuv420pToTheRightColours) {
  // Y, U, V of BT.601 limited-range red, blue, green and white, and their BGR.
  const uint8_t red[3] = {81, 90, 240}, blue[3] = {41, 240, 110}, green[3] = {145, 54, 34},
                white[3] = {235, 128, 128};
  const uint8_t redBgr[3] = {0, 0, 255}, blueBgr[3] = {255, 0, 0}, greenBgr[3] = {0, 255, 0},
                whiteBgr[3] = {255, 255, 255};
  const struct {
    int width, height;
    const uint8_t *top, *bottom, *topBgr, *bottomBgr;
  } cases[] = {
      {16, 16, red, blue, redBgr, blueBgr},
      {48, 32, green, white, greenBgr, whiteBgr},  // larger: the buffer grows
      {16, 8, blue, red, blueBgr, redBgr},         // smaller: the buffer is kept
  };
  BitmapConverter converter;  // one converter for all: its caches must follow
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    AVFrame* frame = TwoColourFrame(c.width, c.height, c.top, c.bottom);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(converter.PictureToBitmap(frame, AV_PIX_FMT_YUV420P, c.height, c.width));
    EXPECT_GE(converter.BufferSize(), c.width * c.height * 3);
    const platform::Bitmap24* bitmap = converter.Bitmap();
    ASSERT_EQ(bitmap->Width(), c.width);
    ASSERT_EQ(bitmap->Height(), c.height);
    // Rows next to the border between the colours may blend.
    for (int y = 0; y < c.height; ++y) {
      if (std::abs(2 * y + 1 - c.height) <= 4) continue;
      const uint8_t* expected = y < c.height / 2 ? c.topBgr : c.bottomBgr;
      for (int x = 0; x < c.width; ++x)
        for (int ch = 0; ch < 3; ++ch)
          ASSERT_NEAR(bitmap->ScanLine(y)[x * 3 + ch], expected[ch], 6)
              << "x " << x << " y " << y << " channel " << ch;
    }
    lib::av_frame_free(&frame);
  }
}

TEST_F(BitmapConverterTest, FailsWithoutAScalerOrAPictureSize) {
  uint8_t pixels[64 * 3] = {};
  const uint8_t* data[4] = {pixels, nullptr, nullptr, nullptr};
  const int linesize[4] = {24, 0, 0, 0};
  BitmapConverter converter;
  EXPECT_FALSE(converter.PictureToBitmap(data, linesize, AV_PIX_FMT_VAAPI, 8, 8));
  EXPECT_FALSE(converter.PictureToBitmap(data, linesize, AV_PIX_FMT_BGR24, 0, 8));
  EXPECT_FALSE(converter.PictureToBitmap(data, linesize, AV_PIX_FMT_BGR24, 8, -2));
  EXPECT_FALSE(
      converter.PictureToBitmap(static_cast<const AVFrame*>(nullptr), AV_PIX_FMT_BGR24, 8, 8));
  // The converter still works afterwards.
  EXPECT_TRUE(converter.PictureToBitmap(data, linesize, AV_PIX_FMT_BGR24, 8, 8));
}

TEST_F(BitmapConverterTest, ResetFreesEverything) {
  uint8_t pixels[3 * 3 * 3] = {};
  const uint8_t* data[4] = {pixels, nullptr, nullptr, nullptr};
  const int linesize[4] = {9, 0, 0, 0};
  BitmapConverter converter;
  ASSERT_TRUE(converter.PictureToBitmap(data, linesize, AV_PIX_FMT_BGR24, 3, 3));
  ASSERT_NE(converter.Bitmap(), nullptr);
  converter.ResetConverter();
  EXPECT_EQ(converter.Bitmap(), nullptr);
  EXPECT_EQ(converter.BufferSize(), 0);
  EXPECT_TRUE(converter.PictureToBitmap(data, linesize, AV_PIX_FMT_BGR24, 3, 3));
}

}  // namespace
