// Picture output without a file: the display rectangle, subtitle palette and
// blending, the waveform, and the memory surface.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "media/player/display_rect.h"
#include "media/player/memory_surface.h"
#include "media/player/subtitle_blend.h"
#include "media/player/waveform.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;

struct RectCase {
  const char* name;
  float setting;
  int areaWidth, areaHeight;
  int sarNum, sarDen, pictureWidth, pictureHeight;
  TSurfaceRect expected;
};
void PrintTo(const RectCase& c, std::ostream* os) {
  *os << c.name;
}
class DisplayRectTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(DisplayRectTest, FitsTheAspectIntoTheArea) {
  const RectCase& c = GetParam();
  const double aspect = DisplayAspect(c.setting, c.areaWidth, c.areaHeight, c.sarNum, c.sarDen,
                                      c.pictureWidth, c.pictureHeight);
  const TSurfaceRect r = DisplayRect(aspect, c.areaWidth, c.areaHeight);
  EXPECT_EQ(r, c.expected) << c.name << ": " << r.X << "," << r.Y << " " << r.Width << "x"
                           << r.Height;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayRectTest,
    ::testing::Values(
        RectCase{"forced 16:9 in 400x300", 16.0f / 9, 400, 300, 0, 1, 320, 240, {0, 38, 400, 224}},
        RectCase{"PAL 16:15 pixels", 0, 720, 576, 16, 15, 720, 576, {0, 18, 720, 540}},
        RectCase{"fill the window", -1, 400, 300, 1, 1, 320, 320, {0, 0, 400, 300}},
        RectCase{"own 4:3 in a wide area", 0, 500, 300, 0, 1, 320, 240, {50, 0, 400, 300}},
        RectCase{"unknown pixel aspect counts as 1", 0, 640, 480, 0, 0, 320, 240, {0, 0, 640, 480}},
        RectCase{"forced square, odd area", 1.0f, 401, 300, 0, 1, 320, 240, {50, 0, 300, 300}},
        RectCase{
            "negative pixel aspect counts as 1", 0, 640, 480, -4, 3, 640, 480, {0, 0, 640, 480}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(DisplayAspectTest, FillWithoutAnAreaFallsBackToThePicture) {
  EXPECT_NEAR(DisplayAspect(-1, 0, 0, 0, 1, 320, 240), 4.0 / 3, 1e-9);
  EXPECT_NEAR(DisplayAspect(0, 100, 100, 16, 15, 720, 576), 16.0 / 15 * 720 / 576, 1e-9);
}

TEST(SubtitlePaletteTest, FixedPointConversion) {
  EXPECT_EQ(RgbaToYuva(0xFF000000u), 0xFF108080u);
  EXPECT_EQ(RgbaToYuva(0x80FFFFFFu), 0x80EB8080u);
  EXPECT_EQ(RgbaToYuva(0xFFFF0000u), 0xFF515AF0u);
  EXPECT_EQ(RgbaToYuva(0x010000FFu), 0x0129F06Eu);
  uint32_t palette[2] = {0xFF000000u, 0xFFFF0000u};
  ConvertPaletteToYuva(palette, 2);
  EXPECT_EQ(palette[1], 0xFF515AF0u);
}

// A 4x4 picture, every sample 100.
struct SmallPicture {
  uint8_t y[16], u[4], v[4];
  TYuvPlanes planes;
  SmallPicture() {
    std::fill(std::begin(y), std::end(y), 100);
    std::fill(std::begin(u), std::end(u), 100);
    std::fill(std::begin(v), std::end(v), 100);
    planes.Planes[0] = y;
    planes.Planes[1] = u;
    planes.Planes[2] = v;
    planes.Pitches[0] = 4;
    planes.Pitches[1] = planes.Pitches[2] = 2;
    planes.Width = planes.Height = 4;
  }
};

TSubtitleBitmap Rect(const uint8_t* indexes, const uint32_t* palette, int x, int y, int w, int h,
                     int pitch) {
  TSubtitleBitmap r;
  r.Indexes = indexes;
  r.Pitch = pitch;
  r.Palette = palette;
  r.PaletteSize = 1;
  r.X = x;
  r.Y = y;
  r.Width = w;
  r.Height = h;
  return r;
}

TEST(SubtitleBlendTest, FullBlocksTakeTheColourEdgesAQuarter) {
  const uint32_t palette[1] = {0xFFC83296u};  // alpha 255, Y 200, U 50, V 150
  const uint8_t indexes[16] = {};
  {
    SmallPicture p;
    BlendSubtitle(p.planes, Rect(indexes, palette, 0, 0, 2, 2, 4));
    EXPECT_EQ(p.y[0], 200);
    EXPECT_EQ(p.y[5], 200);
    EXPECT_EQ(p.y[2], 100);
    EXPECT_EQ(p.u[0], 50) << "four pixels of full alpha";
    EXPECT_EQ(p.v[0], 150);
    EXPECT_EQ(p.u[1], 100);
  }
  {
    SmallPicture p;  // one pixel of each 2x2 block: alpha 255 >> 2 = 63
    BlendSubtitle(p.planes, Rect(indexes, palette, 1, 1, 2, 2, 4));
    EXPECT_EQ(p.y[5], 200);
    EXPECT_EQ(p.y[0], 100);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(p.u[i], (100 * (255 - 63) + 50 * 63) / 255);
      EXPECT_EQ(p.v[i], (100 * (255 - 63) + 150 * 63) / 255);
    }
  }
  {
    SmallPicture p;  // two pixels per block (a 4x1 rectangle): s = 1
    BlendSubtitle(p.planes, Rect(indexes, palette, 0, 0, 4, 1, 4));
    EXPECT_EQ(p.u[0], ((100 << 1) * (255 - 127) + 100 * 127) / (255 << 1));
  }
}

TEST(SubtitleBlendTest, RectanglesAreFittedInsideAndTransparentLeavesThePicture) {
  const uint32_t opaque[1] = {0xFFC83296u};
  const uint8_t indexes[40] = {};
  SmallPicture p;
  BlendSubtitle(p.planes, Rect(indexes, opaque, 3, 3, 2, 2, 2));  // moved to 2,2
  EXPECT_EQ(p.y[2 * 4 + 2], 200);
  EXPECT_EQ(p.y[3 * 4 + 3], 200);
  EXPECT_EQ(p.y[1 * 4 + 1], 100);
  SmallPicture wide;
  BlendSubtitle(wide.planes, Rect(indexes, opaque, 2, 0, 10, 1, 10));  // 4 wide at x 0
  EXPECT_EQ(wide.y[0], 200);
  EXPECT_EQ(wide.y[3], 200);
  EXPECT_EQ(wide.y[4], 100);

  const uint32_t clear[1] = {0x00FFFFFFu};
  SmallPicture q;
  BlendSubtitle(q.planes, Rect(indexes, clear, 0, 0, 4, 4, 4));
  EXPECT_EQ(q.y[7], 100);
  EXPECT_EQ(q.u[3], 100);
}

TEST(WaveformRingTest, StartsAtTheStrongestZeroCrossing) {
  TWaveformRing ring;
  std::vector<int16_t> samples(1000, 100);
  samples[500] = 1000;  // a - d = 900
  samples[504] = -50;   // b and c differ in sign for the candidates 500 and 499
  samples[505] = 50;
  ring.Write(samples.data(), 1000);
  EXPECT_EQ(ring.FindStart(200, 1), 500);
  EXPECT_EQ(ring.LastStart(), 500);

  TWaveformRing flat;
  std::vector<int16_t> positive(100, 7);
  flat.Write(positive.data(), 100);
  EXPECT_EQ(flat.FindStart(200, 1), TWaveformRing::kSize - 100) << "none qualifies: wraps back";
  EXPECT_EQ(flat.Channel(TWaveformRing::kSize - 2, 1, 2, 2), (std::vector<int16_t>{0, 7}));
}

TEST(WaveformDrawTest, OneBandPerChannelWithSeparators) {
  TMemorySurface surface;
  int width = 20, height = 40;
  ASSERT_TRUE(surface.Open(width, height));
  const std::vector<std::vector<int16_t>> bands = {std::vector<int16_t>(20, 32767),
                                                   std::vector<int16_t>(20, -32768)};
  DrawWaveform(surface, bands, width, height);
  const platform::Bitmap24 screen = surface.Screen();
  auto white = [&](int x, int y) { return screen.ScanLine(y)[3 * x] == 255; };
  // Band height 20, half-height 9: channel 0 draws 8 rows down from row 10,
  // channel 1 draws 9 rows up from row 30; row 20 separates them.
  for (int x : {0, 7, 19}) {
    EXPECT_FALSE(white(x, 9));
    EXPECT_TRUE(white(x, 10));
    EXPECT_TRUE(white(x, 17));
    EXPECT_FALSE(white(x, 18));
    EXPECT_TRUE(white(x, 20));
    EXPECT_TRUE(white(x, 21));
    EXPECT_TRUE(white(x, 29));
    EXPECT_FALSE(white(x, 30));
    EXPECT_FALSE(white(x, 0));
  }
  EXPECT_EQ(surface.UpdateCount(), 1);
}

TEST(MemorySurfaceTest, ShowsScaledPicturesAfterUpdateOnly) {
  testsupport::LoadRealLibraries();
  TMemorySurface surface;
  int width = 64, height = 48;
  ASSERT_TRUE(surface.Open(width, height));
  std::vector<uint8_t> y(16 * 16, 235), u(8 * 8, 128), v(8 * 8, 128);  // white
  TYuvPicture picture;
  picture.Planes[0] = y.data();
  picture.Planes[1] = u.data();
  picture.Planes[2] = v.data();
  picture.Pitches[0] = 16;
  picture.Pitches[1] = picture.Pitches[2] = 8;
  picture.Width = picture.Height = 16;
  const TSurfaceRect rect{8, 4, 32, 40};
  surface.ShowPicture(picture, rect);
  EXPECT_EQ(surface.Screen().ScanLine(10)[3 * 20], 0) << "nothing visible before Update";
  surface.Update();
  const platform::Bitmap24 screen = surface.Screen();
  EXPECT_GT(screen.ScanLine(4)[3 * 8 + 1], 240);
  EXPECT_GT(screen.ScanLine(43)[3 * 39 + 2], 240);
  EXPECT_EQ(screen.ScanLine(3)[3 * 8], 0);
  EXPECT_EQ(screen.ScanLine(20)[3 * 40], 0);
  EXPECT_EQ(surface.LastPictureRect(), rect);
  EXPECT_EQ(surface.PictureCount(), 1);

  surface.FillRect({-5, -5, 10, 10}, 10, 20, 30);  // clipped to 5 x 5
  surface.Update();
  const platform::Bitmap24 filled = surface.Screen();
  EXPECT_EQ(filled.ScanLine(4)[3 * 4 + 2], 10);
  EXPECT_EQ(filled.ScanLine(4)[3 * 4 + 1], 20);
  EXPECT_EQ(filled.ScanLine(4)[3 * 4], 30);
  EXPECT_EQ(filled.ScanLine(5)[3 * 5], 0);
}

}  // namespace
