// The option and event records' reset values and the option-line syntax.
#include "media/engine/converter_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using media::ParseOptionLines;
using media::TOptionLine;

TEST(ConverterOptionsTest, ResetRestoresTheResetValuesOfEveryField) {
  media::TInputOptions input;
  input.FileName = "a.avi";
  input.FileFormat = "avi";
  input.StartTime = 5;
  input.ProgramID = 3;
  input.ExtOptions = "x=1";
  media::ResetInputOptions(input);
  EXPECT_EQ(input.FileName, "");
  EXPECT_EQ(input.FileFormat, "");
  EXPECT_EQ(input.StartTime, media::kNoTimestamp);
  EXPECT_EQ(input.ProgramID, -1);
  EXPECT_EQ(input.ExtOptions, "");

  media::TOutputOptions output;
  output.PacketSize = output.MuxRate = output.AudioVolume = output.GOPSize = 7;
  output.MuxDelay = output.MuxPreload = 2.0f;
  output.AudioSync = output.VideoSync = 4;
  output.CropTop = output.CropRight = output.VideoBufSize = output.AudioBitrate = 9;
  output.DisableAudio = output.CustomHook = output.Join = output.CopyTimestamps = true;
  output.StartTime = output.RecordingTime = 1;
  output.Target = output.TargetNorm = 2;
  output.TargetDefaultNorm = 2;
  output.VideoCodec = output.FrameSize = output.ExtOptions = "set";
  output.Info.Timestamp = 0;
  output.Info.Year = output.Info.Track = 2000;
  output.Info.Title = output.Info.Genre = "set";
  media::ResetOutputOptions(output);

  const media::TOutputOptions fresh;
  EXPECT_EQ(output.PacketSize, -1);
  EXPECT_EQ(output.MuxRate, -1);
  EXPECT_EQ(output.MuxDelay, -1.0f);
  EXPECT_EQ(output.MuxPreload, -1.0f);
  EXPECT_EQ(output.AudioVolume, -1);
  EXPECT_EQ(output.GOPSize, -1);
  EXPECT_EQ(output.CropTop, -1);
  EXPECT_EQ(output.CropRight, -1);
  EXPECT_EQ(output.VideoBufSize, -1);
  EXPECT_EQ(output.AudioBitrate, -1);
  EXPECT_EQ(output.AudioSync, 0);
  EXPECT_EQ(output.VideoSync, -1);
  EXPECT_FALSE(output.DisableAudio || output.CustomHook || output.Join || output.CopyTimestamps);
  EXPECT_EQ(output.StartTime, media::kNoTimestamp);
  EXPECT_EQ(output.RecordingTime, media::kNoTimestamp);
  EXPECT_EQ(output.Target, 0);
  EXPECT_EQ(output.TargetNorm, 0);
  EXPECT_EQ(output.TargetDefaultNorm, 1);
  EXPECT_EQ(output.VideoCodec + output.FrameSize + output.ExtOptions, "");
  EXPECT_EQ(output.Info.Timestamp, -1.0);
  EXPECT_EQ(output.Info.Year, -1);
  EXPECT_EQ(output.Info.Track, -1);
  EXPECT_EQ(output.Info.Title + output.Info.Genre, "");
  EXPECT_EQ(fresh.TargetDefaultNorm, 1);  // a new record starts reset too
}

TEST(ConverterOptionsTest, HookInfoStartsWithUpdateOnAndStopHookOff) {
  const media::THookInfo info;
  EXPECT_TRUE(info.Update);
  EXPECT_FALSE(info.StopHook);
}

struct LinesCase {
  const char* label;
  std::string text;
  std::vector<TOptionLine> lines;
  friend void PrintTo(const LinesCase& c, std::ostream* out) { *out << c.label; }
};

class OptionLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(OptionLinesTest, SplitsKeysAndValues) {
  EXPECT_EQ(ParseOptionLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionLinesTest,
    ::testing::Values(
        LinesCase{"marker_and_key_without_value",
                  "acodec=mp2<CRLF>newaudio",
                  {{"acodec", "mp2"}, {"newaudio", ""}}},
        LinesCase{"only_the_whole_text_is_trimmed",
                  "acodec=mp2<CRLF> vcodec=libx264",
                  {{"acodec", "mp2"}, {" vcodec", "libx264"}}},
        LinesCase{"every_line_break_kind",
                  "a=1\r\nb=2\rc=3\nd=4",
                  {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}},
        LinesCase{"text_trimmed_key_lower_cased_value_kept",
                  " \t VCodec=MPEG4 \r\n",
                  {{"vcodec", "MPEG4"}}},
        LinesCase{"value_keeps_blanks_and_later_equals",
                  "metadata=title= My Film=1<CRLF>x",
                  {{"metadata", "title= My Film=1"}, {"x", ""}}},
        LinesCase{"marker_is_case_sensitive", "a=1<crlf>b=2", {{"a", "1<crlf>b=2"}}},
        LinesCase{
            "empty_line_gives_empty_key", "a=1\r\n\r\nb=2", {{"a", "1"}, {"", ""}, {"b", "2"}}},
        LinesCase{"empty_key", "=v", {{"", "v"}}},
        LinesCase{"trailing_marker_adds_no_line", "s=320x240<CRLF>", {{"s", "320x240"}}},
        LinesCase{"blank_text", " \r\n\t ", {}},
        LinesCase{"non_ascii_key_bytes_kept",
                  "\xC3\x84"
                  "B=1",
                  {{"\xC3\x84"
                    "b",
                    "1"}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ConverterOptionsTest, TrimRemovesControlCharactersOnly) {
  EXPECT_EQ(media::TrimText("\x01\x1f a b \x7f\t"), "a b \x7f");
  EXPECT_EQ(media::UnifyLineBreaks("a\r\r\nb\n\rc"), "a\n\nb\n\nc");
}

}  // namespace
