// The option entry point: what each option stores, its checks and texts.
#include "media/engine/option_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <sstream>
#include <string>

#include "platform/folders.h"
#include "tests/media/engine/option_test_fixture.h"

namespace {

using enginetest::OptionTest;
using media::TOptionState;

// The settings a failed option could have touched, as one text.
std::string Fingerprint(const TOptionState& s) {
  std::ostringstream out;
  out << s.FrameWidth << "x" << s.FrameHeight << " " << s.FrameAspectRatio << " " << s.FramePixFmt
      << " " << s.FrameTopBand << s.FrameBottomBand << s.FrameLeftBand << s.FrameRightBand << " "
      << s.FrameRate.num << "/" << s.FrameRate.den << " " << s.VideoQScale << " " << s.DoPass << " "
      << s.Metadata.size() << " " << s.StreamMaps.size() << s.MetaDataMaps.size() << " "
      << s.StreamIds[0] << " " << s.InputTsScale[0] << " " << s.AudioCodecTag << s.VideoCodecTag
      << s.SubtitleCodecTag << " " << s.IntraMatrix.size() << s.InterMatrix.size() << " "
      << s.AudioBitstreamFilters.size() << " " << s.RecordingTime << " " << s.StartTime << " "
      << s.RecordingTimestamp << " " << s.FileFormat << " " << s.VideoCodecName << " "
      << s.AudioCodecName << " " << s.MaxVideoFrames << " " << s.Verbose << " " << s.LimitFilesize
      << " " << s.AudioSampleRate << " " << s.DtsDeltaThreshold << " " << s.LoopOutput << " "
      << s.FrameHooksEnabled;
  return out.str();
}

std::string Matrix(int count, const char* value = "16") {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? "," : "") + std::string(value);
  return text;
}

struct ErrorCase {
  const char* label;
  const char* name;
  std::string value;
  std::string message;
  friend void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.label; }
};

class OptionErrorTest : public OptionTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(OptionErrorTest, RaisesItsTextAndStoresNothing) {
  const std::string before = Fingerprint(state);
  EXPECT_EQ(ErrorOf(GetParam().name, GetParam().value), GetParam().message);
  EXPECT_EQ(Fingerprint(state), before);
}

const std::string kVertical =
    "Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";
const std::string kHorizontal =
    "Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";

INSTANTIATE_TEST_SUITE_P(
    Checks, OptionErrorTest,
    ::testing::Values(
        ErrorCase{"threads", "threads", "4", "TODO: option - threads"},
        ErrorCase{"padtop", "padtop", "10", "Please use vfilters=pad"},
        ErrorCase{"padcolor", "padcolor", "000000", "Please use vfilters=pad"},
        ErrorCase{"qscale_zero", "qscale", "0", "qscale must be > 0.0 and <= 255"},
        ErrorCase{"qscale_above", "qscale", "255.5", "qscale must be > 0.0 and <= 255"},
        ErrorCase{"pass_three", "pass", "3", "pass number can be only 1 or 2"},
        ErrorCase{"rate", "r", "fast", "Incorrect frame rate"},
        ErrorCase{"rate_zero", "r", "0", "Incorrect frame rate"},
        ErrorCase{"size", "s", "12x", "Incorrect frame size"},
        ErrorCase{"aspect_zero", "aspect", "0", "Incorrect aspect ratio specification."},
        ErrorCase{"aspect_zero_height", "aspect", "4:0", "Incorrect aspect ratio specification."},
        ErrorCase{"aspect_text", "aspect", "wide", "Incorrect aspect ratio specification."},
        ErrorCase{"aspect_negative", "aspect", "-4:3", "Incorrect aspect ratio specification."},
        ErrorCase{"pix_fmt", "pix_fmt", "yuv999", "Unknown pixel format requested: yuv999"},
        ErrorCase{"croptop_without_size", "croptop", "10", kVertical},
        ErrorCase{"cropbottom_without_size", "cropbottom", "1", kVertical},
        ErrorCase{"cropleft_without_size", "cropleft", "10", kHorizontal},
        ErrorCase{"metadata", "metadata", "title", "Missing ="},
        ErrorCase{"itsscale_index", "itsscale", "25:1.5", "stream index over MAX_STREAMS(20)"},
        ErrorCase{"itsscale_syntax", "itsscale", "1",
                  "Invalid value \"1\" for option \"itsscale\", required syntax is "
                  "\"stream:scale\""},
        ErrorCase{"streamid_syntax", "streamid", "3",
                  "Invalid value \"3\" for option \"streamid\", required syntax is "
                  "\"index:value\""},
        ErrorCase{"streamid_empty_value", "streamid", "3:",
                  "Invalid value \"3:\" for option \"streamid\", required syntax is "
                  "\"index:value\""},
        ErrorCase{"streamid_index", "streamid", "20:7", "stream index over MAX_STREAMS(20)"},
        ErrorCase{"vtag", "vtag", "XVI", "video tag parameter must be 4 chars"},
        ErrorCase{"atag", "atag", "mp4a+", "audio tag parameter must be 4 chars"},
        ErrorCase{"stag", "stag", "", "subtitle tag parameter must be 4 chars"},
        ErrorCase{"matrix_short", "intra_matrix", "8,16,19",
                  "Syntax error in matrix \"8,16,19\" at coeff 2"},
        ErrorCase{"matrix_63", "inter_matrix", Matrix(63),
                  "Syntax error in matrix \"" + Matrix(63) + "\" at coeff 62"},
        ErrorCase{"matrix_zero_coefficient", "intra_matrix", Matrix(64, "0"),
                  "Syntax error in matrix \"" + Matrix(64, "0") + "\" at coeff 0"},
        ErrorCase{"matrix_text", "intra_matrix", "x," + Matrix(63),
                  "Syntax error in matrix \"x," + Matrix(63) + "\" at coeff 0"},
        ErrorCase{"newvideo_without_output", "newvideo", "",
                  "At least one output file must be specified"},
        ErrorCase{"vhook_empty", "vhook", "", "Failed to add video hook function: "},
        ErrorCase{"bsf", "absf", " nosuch_bsf=1 ", "Unknown bitstream filter nosuch_bsf=1"},
        ErrorCase{"duration", "t", "soon", "Invalid duration specification for t: soon"},
        ErrorCase{"start", "ss", "", "Invalid duration specification for ss: "},
        ErrorCase{"date", "timestamp", "someday",
                  "Invalid date specification for timestamp: someday"},
        ErrorCase{"target_without_rate", "target", "vcd", "frame_rate is invalid."},
        ErrorCase{"map", "map", "0",
                  "Invalid value \"0\" for option \"map\", required syntax "
                  "is \"file:stream[:syncfile:syncstream]\""},
        ErrorCase{"map_negative", "map", "0:-1",
                  "Invalid value \"0:-1\" for option \"map\", required syntax is "
                  "\"file:stream[:syncfile:syncstream]\""},
        ErrorCase{"map_meta_data", "map_meta_data", "1:x",
                  "Invalid value \"1:x\" for option \"map_meta_data\", required syntax is "
                  "\"outfile:infile\""},
        ErrorCase{"preset", "vpre", "no-such-preset", "Preset \"no-such-preset\" not found"}),
    [](const auto& info) { return std::string(info.param.label); });

// Values the platform cannot convert: a clear text, never a crash.
INSTANTIATE_TEST_SUITE_P(
    Numbers, OptionErrorTest,
    ::testing::Values(
        ErrorCase{"int_suffix", "vframes", "12a",
                  "Invalid value \"12a\" for option \"vframes\": an integer is expected"},
        ErrorCase{"int_empty", "v", "",
                  "Invalid value \"\" for option \"v\": an integer is expected"},
        ErrorCase{"int_fraction", "ar", "44.1",
                  "Invalid value \"44.1\" for option \"ar\": an integer is expected"},
        ErrorCase{"int_overflow", "loop_output", "99999999999",
                  "Invalid value \"99999999999\" for option \"loop_output\": an integer is "
                  "expected"},
        ErrorCase{"int_two_signs", "pass", "+-1",
                  "Invalid value \"+-1\" for option \"pass\": an integer is expected"},
        ErrorCase{"int64", "fs", "1e9",
                  "Invalid value \"1e9\" for option \"fs\": an integer is expected"},
        ErrorCase{"crop_checks_number_first", "croptop", "ten",
                  "Invalid value \"ten\" for option \"croptop\": an integer is expected"},
        ErrorCase{"float", "dts_delta_threshold", "fast",
                  "Invalid value \"fast\" for option \"dts_delta_threshold\": a number is "
                  "expected"},
        ErrorCase{"float_infinite", "qscale", "inf",
                  "Invalid value \"inf\" for option \"qscale\": a number is expected"},
        ErrorCase{"float_too_large", "muxdelay", "1e300",
                  "Invalid value \"1e300\" for option \"muxdelay\": a number is expected"},
        ErrorCase{"streamid_id", "streamid", "1:x",
                  "Invalid value \"x\" for option \"streamid\": an integer is expected"},
        ErrorCase{"itsscale_scale", "itsscale", "1:fast",
                  "Invalid value \"1:fast\" for option \"itsscale\": a number is expected"},
        ErrorCase{"loglevel", "loglevel", "loud",
                  "Invalid value \"loud\" for option \"loglevel\": a level name or an integer "
                  "is expected"}),
    [](const auto& info) { return std::string(info.param.label); });

struct ValueCase {
  const char* label;
  std::vector<std::pair<const char*, std::string>> options;  // applied in order
  std::function<void(const TOptionState&)> check;
  friend void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.label; }
};

class OptionValueTest : public OptionTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(OptionValueTest, StoresTheSetting) {
  for (const auto& [name, value] : GetParam().options) Apply(name, value);
  GetParam().check(state);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, OptionValueTest,
    ::testing::Values(
        ValueCase{"flag_is_true_unless_exactly_0",
                  {{"intra", "yes"}, {"sameq", ""}, {"vn", "0"}, {"an", "00"}},
                  [](const TOptionState& s) {
                    EXPECT_TRUE(s.IntraOnly);
                    EXPECT_TRUE(s.SameQuality);
                    EXPECT_FALSE(s.VideoDisable);
                    EXPECT_TRUE(s.AudioDisable);
                  }},
        ValueCase{"copyts_and_xerror_take_any_value",
                  {{"copyts", "0"}, {"xerror", "0"}},
                  [](const TOptionState& s) {
                    EXPECT_TRUE(s.CopyTs);
                    EXPECT_TRUE(s.ExitOnError);
                  }},
        ValueCase{"integers_allow_blanks_and_sign",
                  {{"vframes", " 100 "}, {"aframes", "+5"}, {"top", "-1"}, {"fs", "5000000000"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.MaxVideoFrames, 100);
                    EXPECT_EQ(s.MaxAudioFrames, 5);
                    EXPECT_EQ(s.TopFieldFirst, -1);
                    EXPECT_EQ(s.LimitFilesize, 5000000000LL);
                  }},
        ValueCase{"frame_rate_number",
                  {{"r", "29.97"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.FrameRate.num, 2997);
                    EXPECT_EQ(s.FrameRate.den, 100);
                  }},
        ValueCase{"frame_rate_name_and_fraction",
                  {{"r", "ntsc"}, {"vframes", "1"}, {"r", "24000/1001"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.FrameRate.num, 24000);
                    EXPECT_EQ(s.FrameRate.den, 1001);
                  }},
        ValueCase{"frame_rate_empty_keeps",
                  {{"r", "pal"}, {"r", ""}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.FrameRate.num, 25);
                    EXPECT_EQ(s.FrameRate.den, 1);
                  }},
        ValueCase{"frame_size_abbreviation_and_empty",
                  {{"s", "vga"}, {"s", ""}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.FrameWidth, 640);
                    EXPECT_EQ(s.FrameHeight, 480);
                  }},
        ValueCase{"aspect_sides",
                  {{"aspect", "16:9"}},
                  [](const TOptionState& s) { EXPECT_DOUBLE_EQ(s.FrameAspectRatio, 16.0 / 9); }},
        ValueCase{"aspect_number",
                  {{"aspect", "2.35"}},
                  [](const TOptionState& s) { EXPECT_DOUBLE_EQ(s.FrameAspectRatio, 2.35); }},
        ValueCase{"crop_reduces_the_size",
                  {{"s", "320x240"}, {"croptop", "10"}, {"cropbottom", "0"}, {"cropleft", "8"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.FrameTopBand, 10);
                    EXPECT_EQ(s.FrameBottomBand, 0);
                    EXPECT_EQ(s.FrameLeftBand, 8);
                    EXPECT_EQ(s.FrameHeight, 230);
                    EXPECT_EQ(s.FrameWidth, 312);
                  }},
        ValueCase{"sample_rate_and_channels_only_above_0",
                  {{"ar", "22050"}, {"ar", "0"}, {"ac", "-1"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.AudioSampleRate, 22050);
                    EXPECT_EQ(s.AudioChannels, 2);
                  }},
        ValueCase{"codec_names_and_copy",
                  {{"vcodec", "mpeg4"}, {"vcodec", "copy"}, {"acodec", "mp2"}, {"acodec", ""}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.VideoCodecName, "");
                    EXPECT_TRUE(s.VideoStreamCopy);
                    EXPECT_EQ(s.AudioCodecName, "mp2");
                    EXPECT_FALSE(s.AudioStreamCopy);
                  }},
        ValueCase{"pixel_and_sample_formats",
                  {{"pix_fmt", "yuv422p"}, {"sample_fmt", "s16"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.FramePixFmt, AV_PIX_FMT_YUV422P);
                    EXPECT_EQ(s.AudioSampleFmt, AV_SAMPLE_FMT_S16);
                  }},
        ValueCase{"unknown_sample_format_gives_none",
                  {{"sample_fmt", "s16"}, {"sample_fmt", "s99"}},
                  [](const TOptionState& s) { EXPECT_EQ(s.AudioSampleFmt, AV_SAMPLE_FMT_NONE); }},
        ValueCase{"tags_first_character_lowest",
                  {{"vtag", "XVID"}, {"atag", "mp4a"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.VideoCodecTag, MKTAG('X', 'V', 'I', 'D'));
                    EXPECT_EQ(s.AudioCodecTag, MKTAG('m', 'p', '4', 'a'));
                  }},
        ValueCase{"maps",
                  {{"map", "0:1"}, {"map", "1.2:0.3"}, {"map_meta_data", "0:1"}},
                  [](const TOptionState& s) {
                    ASSERT_EQ(s.StreamMaps.size(), 2u);
                    EXPECT_EQ(s.StreamMaps[0], (media::TStreamMap{0, 1, 0, 1}));
                    EXPECT_EQ(s.StreamMaps[1], (media::TStreamMap{1, 2, 0, 3}));
                    ASSERT_EQ(s.MetaDataMaps.size(), 1u);
                    EXPECT_EQ(s.MetaDataMaps[0], (media::TMetaDataMap{0, 1}));
                  }},
        ValueCase{"times",
                  {{"ss", "00:00:05.5"}, {"itsoffset", "-2"}, {"t", "10"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.StartTime, 5500000);
                    EXPECT_EQ(s.InputTsOffset, -2000000);
                    EXPECT_EQ(s.RecordingTime, 10000000);
                  }},
        ValueCase{"timestamp_rounds_seconds_to_even",
                  {{"timestamp", "1970-01-01T00:00:10.5Z"}},
                  [](const TOptionState& s) { EXPECT_EQ(s.RecordingTimestamp, 10); }},
        ValueCase{"timestamp_rounds_up",
                  {{"timestamp", "1970-01-01T00:00:11.5Z"}},
                  [](const TOptionState& s) { EXPECT_EQ(s.RecordingTimestamp, 12); }},
        ValueCase{"itsscale_and_streamid",
                  {{"itsscale", "19:0.5"}, {"streamid", "2:33"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.InputTsScale[19], 0.5);
                    EXPECT_EQ(media::StreamIdFor(s, 2), 33);
                    EXPECT_EQ(media::StreamIdFor(s, 20), 0);
                  }},
        ValueCase{"metadata_splits_at_first_equals",
                  {{"metadata", "title=A=B"}, {"metadata", "comment="}},
                  [](const TOptionState& s) {
                    ASSERT_EQ(s.Metadata.size(), 2u);
                    EXPECT_EQ(s.Metadata[0], (std::pair<std::string, std::string>("title", "A=B")));
                    EXPECT_EQ(s.Metadata[1].second, "");
                  }},
        ValueCase{"pgmyuv_becomes_image2",
                  {{"f", "pgmyuv"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.FileFormat, "image2");
                    EXPECT_TRUE(s.PgmyuvCompatibility);
                  }},
        ValueCase{"matrix_of_64",
                  {{"intra_matrix", Matrix(63, "8") + ", 83"}},
                  [](const TOptionState& s) {
                    ASSERT_EQ(s.IntraMatrix.size(), 64u);
                    EXPECT_EQ(s.IntraMatrix[0], 8);
                    EXPECT_EQ(s.IntraMatrix[63], 83);
                  }},
        ValueCase{"bitstream_filters_by_first_letter",
                  {{"vbsf", "h264_mp4toannexb"},
                   {"absf", "aac_adtstoasc"},
                   {"sbsf", "null=x=1"},
                   {"absf", ""},
                   {"absf", "=noop"}},
                  [](const TOptionState& s) {
                    ASSERT_EQ(s.VideoBitstreamFilters.size(), 1u);
                    EXPECT_EQ(s.VideoBitstreamFilters[0].Name, "h264_mp4toannexb");
                    EXPECT_NE(s.VideoBitstreamFilters[0].Filter, nullptr);
                    ASSERT_EQ(s.AudioBitstreamFilters.size(), 1u);
                    ASSERT_EQ(s.SubtitleBitstreamFilters.size(), 1u);
                    EXPECT_EQ(s.SubtitleBitstreamFilters[0].Name, "null");
                    EXPECT_EQ(s.SubtitleBitstreamFilters[0].Arguments, "x=1");
                  }},
        ValueCase{"floats",
                  {{"muxdelay", "1.5"}, {"adrift_threshold", "0.25"}, {"aq", "3"}},
                  [](const TOptionState& s) {
                    EXPECT_FLOAT_EQ(s.MuxMaxDelay, 1.5f);
                    EXPECT_FLOAT_EQ(s.AudioDriftThreshold, 0.25f);
                    EXPECT_FLOAT_EQ(s.AudioQScale, 3.0f);
                  }},
        ValueCase{"texts_as_given",
                  {{"vf", "scale=320:240"}, {"alang", "ger"}, {"passlogfile", "/tmp/p"}},
                  [](const TOptionState& s) {
                    EXPECT_EQ(s.VideoFilters, "scale=320:240");
                    EXPECT_EQ(s.AudioLanguage, "ger");
                    EXPECT_EQ(s.PassLogFilename, "/tmp/p");
                  }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(OptionTest, ResetValuesAreThoseOfAFreshCommandLine) {
  state.FrameWidth = 5;
  state.ThreadCount = 3;
  state.Metadata.emplace_back("a", "b");
  media::ResetOptionState(state);
  EXPECT_EQ(state.FrameWidth, 0);
  EXPECT_EQ(state.FrameRate.den, 0);
  EXPECT_EQ(state.ThreadCount, 0);  // automatic
  EXPECT_EQ(state.AudioSampleRate, 44100);
  EXPECT_EQ(state.AudioChannels, 2);
  EXPECT_EQ(state.AudioQScale, -99999.0f);
  EXPECT_EQ(state.AudioVolume, 256);
  EXPECT_EQ(state.MaxVideoFrames, 2147483647);
  EXPECT_EQ(state.RecordingTime, INT64_MAX);
  EXPECT_EQ(state.IntraDcPrecision, 8);
  EXPECT_EQ(state.TopFieldFirst, -1);
  EXPECT_EQ(state.LoopOutput, -1);
  EXPECT_EQ(state.VideoSyncMethod, -1);
  EXPECT_FLOAT_EQ(state.MuxPreload, 0.5f);
  EXPECT_FLOAT_EQ(state.MuxMaxDelay, 0.7f);
  EXPECT_FLOAT_EQ(state.AudioDriftThreshold, 0.1f);
  EXPECT_FLOAT_EQ(state.DtsDeltaThreshold, 10.0f);
  EXPECT_EQ(state.Verbose, 1);
  EXPECT_EQ(state.SwsFlags, 4);
  EXPECT_TRUE(state.Metadata.empty());
}

TEST_F(OptionTest, UnknownNameChangesNothingAndRaisesNothing) {
  const std::string before = Fingerprint(state);
  EXPECT_EQ(ErrorOf("foo", "1"), "");
  EXPECT_EQ(ErrorOf(" vcodec", "libx264"), "");
  EXPECT_EQ(ErrorOf("", ""), "");
  EXPECT_EQ(Fingerprint(state), before);
  EXPECT_TRUE(store.StoredNames().empty());
}

TEST_F(OptionTest, UnknownNameReachesTheGenericStore) {
  Apply("g", "12");
  Apply("maxrate", "900000");
  EXPECT_EQ(VideoOptions()->gop_size, 12);
  EXPECT_EQ(VideoOptions()->rc_max_rate, 900000);
}

TEST_F(OptionTest, LowBitRateIsWarnedAbout) {
  const std::string warning =
      "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";
  Apply("b", "64000");
  EXPECT_FALSE(Logged(media::llWarning, warning));
  EXPECT_EQ(VideoOptions()->bit_rate, 64000);
  Apply("b", "64");
  EXPECT_TRUE(Logged(media::llWarning, warning));
  EXPECT_EQ(VideoOptions()->bit_rate, 64);

  logged.clear();
  Apply("ab", "128000");
  EXPECT_FALSE(Logged(media::llWarning, warning));
  Apply("ab", "96");
  EXPECT_TRUE(Logged(media::llWarning, warning));
  EXPECT_EQ(AudioOptions()->bit_rate, 96);

  logged.clear();
  Apply("vb", "not a number");  // rejected by the store: no warning
  EXPECT_FALSE(Logged(media::llWarning, warning));
}

TEST_F(OptionTest, LogOnlyOptionsLogTheirTexts) {
  Apply("benchmark", "");
  Apply("y", "1");
  Apply("timelimit", "10");
  Apply("f", "pgmyuv");
  EXPECT_TRUE(Logged(media::llInfo, "Do nothing: option - benchmark"));
  EXPECT_TRUE(Logged(media::llInfo, "Do nothing: option - y"));
  EXPECT_TRUE(Logged(media::llWarning, "Warning: -timelimit not implemented on Windows"));
  EXPECT_TRUE(Logged(media::llInfo, "pgmyuv format is deprecated, use image2"));
}

TEST_F(OptionTest, CropLogsItsDeprecation) {
  Apply("s", "320x240");
  Apply("cropright", "4");
  EXPECT_TRUE(Logged(media::llWarning, "CropXXX is deprecated in favor of the crop avfilter"));
  EXPECT_EQ(ErrorOf("cropright", "316"), kHorizontal);  // the width is 316 now
  EXPECT_EQ(state.FrameWidth, 316);
}

TEST_F(OptionTest, ListsNameEveryFormat) {
  Apply("pix_fmt", "list");
  Apply("sample_fmt", "list");
  bool yuv420p = false;
  bool s16p = false;
  for (const auto& line : logged) {
    yuv420p |= line.text.rfind("yuv420p ", 0) == 0;
    s16p |= line.text.rfind("s16p ", 0) == 0;
  }
  EXPECT_TRUE(yuv420p);
  EXPECT_TRUE(s16p);
  EXPECT_EQ(state.FramePixFmt, AV_PIX_FMT_NONE);
  EXPECT_EQ(state.AudioSampleFmt, AV_SAMPLE_FMT_NONE);
}

TEST_F(OptionTest, LogLevelSetsTheEngineLog) {
  Apply("loglevel", "debug");
  EXPECT_EQ(media::EngineLog().LogLevel(), media::llDebug);
  Apply("loglevel", "16");
  EXPECT_EQ(media::EngineLog().LogLevel(), media::llError);
}

TEST_F(OptionTest, RecordingTimeBecomesTheTotalDuration) {
  Apply("t", "00:01:00");
  EXPECT_EQ(host.totalDuration, 60000000);
}

TEST_F(OptionTest, NewStreamsGoToTheLastOutput) {
  host.outputFiles = 1;
  Apply("newaudio", "");
  Apply("newvideo", "x");
  Apply("newsubtitle", "");
  EXPECT_EQ(host.newStreams, (std::vector<AVMediaType>{AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_VIDEO,
                                                       AVMEDIA_TYPE_SUBTITLE}));
}

TEST_F(OptionTest, FrameHookArgumentsSplitAtBarsOrBlanks) {
  Apply("vhook", "/usr/lib/hook.so|-t|two words");
  Apply("vhook", "hook.so  -f   1");
  ASSERT_EQ(host.hookArguments.size(), 2u);
  EXPECT_EQ(host.hookArguments[0],
            (std::vector<std::string>{"/usr/lib/hook.so", "-t", "two words"}));
  EXPECT_EQ(host.hookArguments[1], (std::vector<std::string>{"hook.so", "-f", "1"}));
  EXPECT_TRUE(state.FrameHooksEnabled);

  host.hookResult = -2;
  state.FrameHooksEnabled = false;
  EXPECT_EQ(ErrorOf("vhook", "bad.so x"), "Failed to add video hook function: bad.so x");
  EXPECT_FALSE(state.FrameHooksEnabled);
}

TEST_F(OptionTest, VideoStatisticsFileIsNamedAfterTheClock) {
  Apply("vstats", "");
  const std::regex name(std::regex_replace(platform::ProgramFolder(),
                                           std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                        "vstats_[0-9]{6}\\.log");
  EXPECT_TRUE(std::regex_match(state.VstatsFilename, name)) << state.VstatsFilename;
  Apply("vstats_file", "/tmp/stats.log");
  EXPECT_EQ(state.VstatsFilename, "/tmp/stats.log");
}

TEST(OptionTableTest, KnowsEveryOptionName) {
  for (const char* name : {"L",
                           "h",
                           "version",
                           "formats",
                           "codecs",
                           "bsfs",
                           "protocols",
                           "filters",
                           "i",
                           "y",
                           "benchmark",
                           "loglevel",
                           "v",
                           "timelimit",
                           "threads",
                           "dump",
                           "hex",
                           "xerror",
                           "f",
                           "map",
                           "map_meta_data",
                           "t",
                           "ss",
                           "itsoffset",
                           "itsscale",
                           "timestamp",
                           "fs",
                           "metadata",
                           "re",
                           "loop_input",
                           "loop_output",
                           "programid",
                           "target",
                           "dframes",
                           "copyts",
                           "shortest",
                           "copyinkf",
                           "dts_delta_threshold",
                           "vsync",
                           "async",
                           "adrift_threshold",
                           "isync",
                           "muxdelay",
                           "muxpreload",
                           "absf",
                           "vbsf",
                           "sbsf",
                           "apre",
                           "vpre",
                           "spre",
                           "fpre",
                           "b",
                           "vb",
                           "vframes",
                           "r",
                           "s",
                           "aspect",
                           "pix_fmt",
                           "croptop",
                           "cropbottom",
                           "cropleft",
                           "cropright",
                           "padtop",
                           "padbottom",
                           "padleft",
                           "padright",
                           "padcolor",
                           "intra",
                           "vn",
                           "vdt",
                           "qscale",
                           "rc_override",
                           "vcodec",
                           "me_threshold",
                           "sameq",
                           "pass",
                           "passlogfile",
                           "deinterlace",
                           "psnr",
                           "vstats",
                           "vstats_file",
                           "vhook",
                           "vfilters",
                           "vf",
                           "intra_matrix",
                           "inter_matrix",
                           "top",
                           "dc",
                           "vtag",
                           "newvideo",
                           "vlang",
                           "qphist",
                           "force_fps",
                           "streamid",
                           "vc",
                           "tvstd",
                           "ab",
                           "aframes",
                           "aq",
                           "ar",
                           "ac",
                           "an",
                           "acodec",
                           "atag",
                           "vol",
                           "newaudio",
                           "alang",
                           "sample_fmt",
                           "sn",
                           "scodec",
                           "newsubtitle",
                           "slang",
                           "stag"}) {
    EXPECT_TRUE(media::IsEngineOption(name)) << name;
  }
  EXPECT_FALSE(media::IsEngineOption("V"));  // names are case-sensitive
  EXPECT_FALSE(media::IsEngineOption("g"));
}

}  // namespace
