// Target presets: the settings of each target, the norm decision and its
// default, and the errors.
#include "media/engine/target_presets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/media/engine/option_test_fixture.h"

namespace {

using enginetest::OptionTest;

bool SameRate(AVRational a, AVRational b) {
  return a.num == b.num && a.den == b.den;
}

TEST_F(OptionTest, PalDvdTarget) {
  Apply("target", "pal-dvd");
  EXPECT_EQ(state.FrameWidth, 720);
  EXPECT_EQ(state.FrameHeight, 576);
  EXPECT_TRUE(SameRate(state.FrameRate, {25, 1}));
  EXPECT_EQ(state.VideoCodecName, "mpeg2video");
  EXPECT_EQ(state.AudioCodecName, "ac3");
  EXPECT_EQ(state.FileFormat, "dvd");
  EXPECT_EQ(VideoOptions()->gop_size, 15);
  EXPECT_EQ(VideoOptions()->bit_rate, 6000000);
  EXPECT_EQ(VideoOptions()->rc_max_rate, 9000000);
  EXPECT_EQ(VideoOptions()->rc_min_rate, 0);
  EXPECT_EQ(VideoOptions()->rc_buffer_size, 1835008);
  EXPECT_EQ(AudioOptions()->bit_rate, 448000);
  EXPECT_EQ(store.FormatOptions()->packet_size, 2048u);
  EXPECT_EQ(state.AudioSampleRate, 48000);
  EXPECT_EQ(state.AudioChannels, 2);
  EXPECT_DOUBLE_EQ(state.FrameAspectRatio, 16.0 / 9.0);
  EXPECT_TRUE(Logged(media::llInfo, "Assuming 16:9 for aspect ratio"));
  EXPECT_FLOAT_EQ(state.MuxPreload, 0.5f);  // unchanged by dvd
}

TEST_F(OptionTest, TargetKeepsAGivenAspect) {
  Apply("aspect", "4:3");
  Apply("target", " pal-dvd ");
  EXPECT_DOUBLE_EQ(state.FrameAspectRatio, 4.0 / 3.0);
  EXPECT_FALSE(Logged(media::llInfo, "Assuming 16:9 for aspect ratio"));
}

TEST_F(OptionTest, VcdTargetWithNtscInput) {
  state.FrameRate = AVRational{30000, 1001};  // as opening a 29.97 fps input sets it
  Apply("ac", "6");
  Apply("target", "vcd");
  EXPECT_EQ(state.FrameWidth, 352);
  EXPECT_EQ(state.FrameHeight, 240);
  EXPECT_TRUE(SameRate(state.FrameRate, {30000, 1001}));
  EXPECT_EQ(state.VideoCodecName, "mpeg1video");
  EXPECT_EQ(state.AudioCodecName, "mp2");
  EXPECT_EQ(state.FileFormat, "vcd");
  EXPECT_EQ(VideoOptions()->gop_size, 18);
  EXPECT_EQ(VideoOptions()->bit_rate, 1150000);
  EXPECT_EQ(VideoOptions()->rc_min_rate, 1150000);
  EXPECT_EQ(VideoOptions()->rc_buffer_size, 327680);
  EXPECT_EQ(AudioOptions()->bit_rate, 224000);
  EXPECT_EQ(store.FormatOptions()->packet_size, 2324u);
  EXPECT_EQ(state.AudioSampleRate, 44100);
  EXPECT_EQ(state.AudioChannels, 2);
  EXPECT_FLOAT_EQ(state.MuxPreload, 0.44f);
  EXPECT_DOUBLE_EQ(state.FrameAspectRatio, 4.0 / 3.0);
  EXPECT_TRUE(Logged(media::llVerbose, "Assuming NTSC for target."));
  EXPECT_TRUE(Logged(media::llInfo, "Assuming 4:3 for aspect ratio"));
}

TEST_F(OptionTest, SvcdAndDvdMakeOnlyMonoStereo) {
  Apply("r", "25");
  Apply("ac", "1");
  Apply("target", "svcd");
  EXPECT_EQ(state.AudioChannels, 2);
  EXPECT_EQ(state.FrameWidth, 480);
  EXPECT_EQ(state.FrameHeight, 576);
  EXPECT_EQ(VideoOptions()->rc_max_rate, 2516000);
  Apply("ac", "6");
  Apply("target", "dvd");
  EXPECT_EQ(state.AudioChannels, 6);
}

TEST_F(OptionTest, TheAssumedNormIsLoggedAboveVerbosityZero) {
  Apply("r", "25");
  Apply("v", "0");
  Apply("target", "vcd");
  EXPECT_FALSE(Logged(media::llVerbose, "Assuming PAL for target."));
  Apply("v", "1");
  Apply("target", "vcd");
  EXPECT_TRUE(Logged(media::llVerbose, "Assuming PAL for target."));
  logged.clear();
  Apply("target", "ntsc-vcd");  // an explicit norm is not assumed
  EXPECT_FALSE(Logged(media::llVerbose, "Assuming NTSC for target."));
}

struct DvCase {
  const char* label;
  const char* target;
  AVPixelFormat pixelFormat;
  int height;
  friend void PrintTo(const DvCase& c, std::ostream* out) { *out << c.label; }
};

class DvTargetTest : public OptionTest, public ::testing::WithParamInterface<DvCase> {};

TEST_P(DvTargetTest, KeepsCodecsAndSetsThePictureFormat) {
  Apply("vcodec", "dvvideo");
  Apply("ac", "1");
  Apply("target", GetParam().target);
  EXPECT_EQ(state.FramePixFmt, GetParam().pixelFormat);
  EXPECT_EQ(state.FrameWidth, 720);
  EXPECT_EQ(state.FrameHeight, GetParam().height);
  EXPECT_EQ(state.VideoCodecName, "dvvideo");
  EXPECT_EQ(state.AudioCodecName, "");
  EXPECT_EQ(state.FileFormat, "dv");
  EXPECT_EQ(state.AudioSampleRate, 48000);
  EXPECT_EQ(state.AudioChannels, 2);
  EXPECT_EQ(state.FrameAspectRatio, 0.0);
  EXPECT_TRUE(store.StoredNames().empty());
}

INSTANTIATE_TEST_SUITE_P(Norms, DvTargetTest,
                         ::testing::Values(DvCase{"pal_dv", "pal-dv", AV_PIX_FMT_YUV420P, 576},
                                           DvCase{"ntsc_dv", "ntsc-dv", AV_PIX_FMT_YUV411P, 480},
                                           DvCase{"film_dv", "film-dv", AV_PIX_FMT_YUV411P, 480},
                                           DvCase{"pal_dv50", "pal-dv50", AV_PIX_FMT_YUV422P, 576},
                                           DvCase{"ntsc_dv50", "ntsc-dv50", AV_PIX_FMT_YUV422P,
                                                  480}),
                         [](const auto& info) { return std::string(info.param.label); });

// How the norm is decided: explicit, from the frame rate, from the input
// video streams, else the default.
struct NormCase {
  const char* label;
  AVRational frameRate;
  std::vector<AVRational> inputTimeBases;
  const char* norm;
  const char* defaultNorm;
  AVRational expectedRate;
  friend void PrintTo(const NormCase& c, std::ostream* out) { *out << c.label; }
};

class TargetNormTest : public OptionTest, public ::testing::WithParamInterface<NormCase> {};

TEST_P(TargetNormTest, DecidesTheStandard) {
  state.FrameRate = GetParam().frameRate;
  host.timeBases = GetParam().inputTimeBases;
  media::ApplyTarget(context, "dvd", GetParam().norm, GetParam().defaultNorm);
  const AVRational expected = GetParam().expectedRate;
  EXPECT_TRUE(SameRate(state.FrameRate, expected))
      << state.FrameRate.num << "/" << state.FrameRate.den;
  EXPECT_EQ(state.FrameHeight, expected.num == 25 ? 576 : 480);
  EXPECT_EQ(VideoOptions()->gop_size, expected.num == 25 ? 15 : 18);
}

constexpr AVRational kPal{25, 1};
constexpr AVRational kNtsc{30000, 1001};
constexpr AVRational kFilm{24000, 1001};

INSTANTIATE_TEST_SUITE_P(
    Rules, TargetNormTest,
    ::testing::Values(NormCase{"explicit_pal_beats_the_rate", kNtsc, {}, "pal", "ntsc", kPal},
                      NormCase{"explicit_ntsc", kPal, {}, "ntsc", "pal", kNtsc},
                      NormCase{"explicit_film", kPal, {}, "film", "pal", kFilm},
                      NormCase{"rate_25", {25, 1}, {}, "auto", "ntsc", kPal},
                      NormCase{"rate_29_97", {30000, 1001}, {}, "auto", "pal", kNtsc},
                      NormCase{"rate_23_976", {24000, 1001}, {}, "auto", "pal", kNtsc},
                      NormCase{"undecided_default_ntsc", {12, 1}, {}, "auto", "ntsc", kNtsc},
                      NormCase{"undecided_default_pal", {12, 1}, {}, "auto", "pal", kPal},
                      NormCase{"undecided_default_film", {12, 1}, {}, "", "film", kFilm},
                      NormCase{
                          "undecided_other_default_is_pal", {12, 1}, {}, "auto", "secam", kPal},
                      NormCase{"input_stream_pal", {12, 1}, {{1, 25}}, "auto", "ntsc", kPal},
                      NormCase{"first_deciding_stream_wins",
                               {12, 1},
                               {{1, 15}, {0, 1}, {1001, 30000}, {1, 25}},
                               "auto",
                               "pal",
                               kNtsc}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(OptionTest, RecordFieldsChooseTargetAndNorms) {
  // 12 fps and no deciding stream: the option falls back to NTSC, the
  // record's default norm 1 to PAL.
  Apply("r", "12");
  Apply("target", "vcd");
  EXPECT_EQ(state.FrameHeight, 240);

  Apply("r", "12");
  media::ApplyTargetFields(context, 1, 0, 1);
  EXPECT_EQ(state.FrameHeight, 288);
  EXPECT_EQ(state.FileFormat, "vcd");

  Apply("r", "12");
  media::ApplyTargetFields(context, 2, 0, 2);
  EXPECT_EQ(state.FileFormat, "svcd");
  EXPECT_EQ(state.FrameHeight, 480);

  media::ApplyTargetFields(context, 3, 1, 2);
  EXPECT_EQ(state.FileFormat, "dvd");
  EXPECT_EQ(state.FrameHeight, 576);

  media::ApplyTargetFields(context, 3, 2, 1);
  EXPECT_EQ(state.FrameHeight, 480);

  Apply("f", "avi");
  media::ApplyTargetFields(context, 0, 1, 1);
  media::ApplyTargetFields(context, 4, 1, 1);
  EXPECT_EQ(state.FileFormat, "avi");
}

TEST_F(OptionTest, TargetErrors) {
  EXPECT_EQ(ErrorOf("target", "dvd"), "frame_rate is invalid.");
  EXPECT_EQ(ErrorOf("target", "pal-vhs"), "Unknown target type");
  Apply("r", "25");
  EXPECT_EQ(ErrorOf("target", "PAL-dvd"), "Unknown target type");  // prefixes are lower case
  EXPECT_EQ(ErrorOf("target", "DVD"), "Unknown target type");
  EXPECT_EQ(state.FrameWidth, 0);
  EXPECT_EQ(state.FileFormat, "");
  EXPECT_TRUE(store.StoredNames().empty());
}

}  // namespace
