// The probe on generated clips, checked against what ffprobe reports for the
// same files, and on broken input.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <regex>
#include <stdexcept>
#include <string>

#include "media/binding/entry_table.h"
#include "media/probe/av_probe.h"
#include "tests/support/fixtures.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;
using testsupport::FfprobeEntries;

// One "key=value" line of ffprobe's output.
std::string Entry(const std::string& output, const std::string& key, int occurrence = 0) {
  std::regex re("(^|\n)" + key + "=([^\n]*)");
  auto it = std::sregex_iterator(output.begin(), output.end(), re);
  for (int i = 0; it != std::sregex_iterator(); ++it, ++i)
    if (i == occurrence) return (*it)[2];
  return "";
}

// ffprobe's seconds as microseconds; "N/A" is -1, as in our records.
int64_t SecondsToMicro(const std::string& seconds) {
  if (seconds == "N/A" || seconds.empty()) return -1;
  return std::llround(std::stod(seconds) * 1e6);
}

// ffprobe's own stream lines ("Stream #0:0...: Video: ..."), from its dump.
std::vector<std::string> FfprobeStreamLines(const std::string& file) {
  std::string out, err;
  testsupport::RunProgram({"ffprobe", "-hide_banner", file}, &out, &err);
  std::vector<std::string> lines;
  std::regex re("Stream #0:[0-9]+[^\n]*");
  for (auto it = std::sregex_iterator(err.begin(), err.end(), re); it != std::sregex_iterator();
       ++it)
    lines.push_back(it->str());
  return lines;
}

// "25 fps, 25 tbr, 12800 tbn" from a stream line.
std::string RatesPart(const std::string& line) {
  std::smatch m;
  std::regex re("[0-9.]+k? fps, [0-9.]+k? tbr, [0-9.]+k? tbn");
  return std::regex_search(line, m, re) ? m.str() : "";
}

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::LoadRealLibraries(); }
  TAVProbe probe;
};

struct ClipCase {
  const char* label;
  std::string (*make)();
  int videoStreams;
  int audioStreams;
  int subtitleStreams;
};

void PrintTo(const ClipCase& c, std::ostream* os) {
  *os << c.label;
}

class ProbeClipTest : public ProbeTest, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(ProbeClipTest, RecordsAgreeWithFfprobe) {
  const ClipCase& c = GetParam();
  const std::string file = c.make();
  ASSERT_TRUE(probe.LoadFile(file)) << probe.LastErrMsg();
  const std::string format =
      FfprobeEntries(file, "format=nb_streams,nb_programs,size,duration,start_time,format_name");
  EXPECT_EQ(probe.StreamCount(), std::stoi(Entry(format, "nb_streams")));
  EXPECT_EQ(probe.ProgramCount(), std::stoi(Entry(format, "nb_programs")));
  EXPECT_EQ(probe.FileSize(), std::stoll(Entry(format, "size")));
  EXPECT_EQ(probe.GetFormatName(), Entry(format, "format_name"));
  EXPECT_EQ(probe.VideoStreamCount(), c.videoStreams);
  EXPECT_EQ(probe.AudioStreamCount(), c.audioStreams);
  EXPECT_EQ(probe.SubtitleStreamCount(), c.subtitleStreams);
  EXPECT_EQ(probe.GetFileName(), file);

  TFileStreamInfo info;
  probe.GetFileStreamInfo(info);
  EXPECT_NEAR(info.Duration, SecondsToMicro(Entry(format, "duration")), 1);
  EXPECT_NEAR(info.StartTime, SecondsToMicro(Entry(format, "start_time")), 1);
  EXPECT_EQ(probe.MainStream(),
            c.videoStreams ? probe.FirstVideoStream() : probe.FirstAudioStream());

  for (int i = 0; i < probe.StreamCount(); ++i) {
    SCOPED_TRACE("stream " + std::to_string(i));
    const std::string s = FfprobeEntries(
        file,
        "stream=codec_name,width,height,r_frame_rate,sample_rate,channels,start_time,duration",
        std::to_string(i));
    if (probe.IsVideoStream(i)) {
      TVideoStreamInfo v;
      probe.GetVideoStreamInfo(i, v);
      EXPECT_EQ(v.CodecName.rfind(Entry(s, "codec_name"), 0), 0u) << v.CodecName;
      EXPECT_EQ(v.Width, std::stoi(Entry(s, "width")));
      EXPECT_EQ(v.Height, std::stoi(Entry(s, "height")));
      EXPECT_EQ(std::to_string(v.FrameRateNum) + "/" + std::to_string(v.FrameRateDen),
                Entry(s, "r_frame_rate"));
      if (Entry(s, "start_time") != "N/A") {
        EXPECT_NEAR(v.StartTime, SecondsToMicro(Entry(s, "start_time")), 1);
      }
    } else if (probe.IsAudioStream(i)) {
      TAudioStreamInfo a;
      probe.GetAudioStreamInfo(i, a);
      EXPECT_EQ(a.CodecName.rfind(Entry(s, "codec_name"), 0), 0u) << a.CodecName;
      EXPECT_EQ(a.SampleRate, std::stoi(Entry(s, "sample_rate")));
      EXPECT_EQ(a.Channels, std::stoi(Entry(s, "channels")));
      if (Entry(s, "duration") != "N/A") {
        EXPECT_NEAR(a.Duration, SecondsToMicro(Entry(s, "duration")), 1);
      }
    }
  }

  // The rates of each video stream line follow the same rule as ffprobe's.
  const std::string text = probe.GetInfoText();
  const auto theirs = FfprobeStreamLines(file);
  for (int i = 0; i < probe.StreamCount(); ++i) {
    if (!probe.IsVideoStream(i) || i >= static_cast<int>(theirs.size())) continue;
    std::smatch m;
    std::regex re("Stream #" + std::to_string(i) + "[^\r]*");
    ASSERT_TRUE(std::regex_search(text, m, re));
    EXPECT_EQ(RatesPart(m.str()), RatesPart(theirs[i])) << m.str() << "\n" << theirs[i];
    EXPECT_FALSE(RatesPart(m.str()).empty()) << m.str();
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, ProbeClipTest,
                         ::testing::Values(ClipCase{"mp4", testsupport::Mp4H264Aac, 1, 1, 0},
                                           ClipCase{"mkv", testsupport::MkvWithSubtitle, 1, 1, 1},
                                           ClipCase{"avi", testsupport::AviMpeg4Mp3, 1, 1, 0},
                                           ClipCase{"mp3", testsupport::Mp3WithTitle, 0, 1, 0},
                                           ClipCase{"wav", testsupport::Wav, 0, 1, 0},
                                           ClipCase{"ac3", testsupport::Ac3Surround, 0, 1, 0},
                                           ClipCase{"ts", testsupport::MpegTs, 1, 1, 0}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(ProbeTest, InfoTextOfAnMp4) {
  const std::string file = testsupport::Mp4H264Aac();
  ASSERT_TRUE(probe.LoadFile(file));
  const std::string text = probe.GetInfoText();
  EXPECT_EQ(text.rfind("File Name: " + file +
                           "\r\nFormat Name: mov,mp4,m4a,3gp,3g2,mj2\r\n"
                           "Format Long Name: QuickTime / MOV\r\nFile Size: ",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\r\nDuration: 00:00:02.0"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nStartTime: 0.000000\r\n"), std::string::npos) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\r\nBit Rate: [0-9]+ kb/s\r\n"))) << text;
  EXPECT_NE(text.find("Stream #0[0x1](und), 1/12800: Video: h264"), std::string::npos) << text;
  EXPECT_NE(text.find(", 25 fps, 25 tbr, 12800 tbn, StartTime: 0.000000, Duration: 00:00:02.000"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Stream #1[0x2](und), 1/44100: Audio: aac"), std::string::npos) << text;
  // Stream metadata other than the language is listed, indented.
  EXPECT_NE(text.find("\r\n  Metadata:\r\n    handler_name    : "), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(ProbeTest, RatesWithDecimalsAndTheThousandsSuffix) {
  ASSERT_TRUE(probe.LoadFile(testsupport::MpegTs()));
  const std::string text = probe.GetInfoText();
  EXPECT_NE(text.find(", 29.97 fps, 29.97 tbr, 90k tbn"), std::string::npos) << text;
  EXPECT_NE(text.find("Program 1 FFmpeg@Service01"), std::string::npos) << text;
  // Streams of the program show their identifiers, and a stream whose only
  // metadata is its language has no metadata block.
  EXPECT_NE(text.find("Stream #1[0x101](eng), 1/90000: Audio: mp2"), std::string::npos) << text;
  auto audioLine = text.find("Stream #1[");
  auto next = text.find("\r\n", audioLine);
  EXPECT_EQ(text.find("Metadata:", next), std::string::npos) << text;
}

TEST_F(ProbeTest, TagsAndLanguages) {
  ASSERT_TRUE(probe.LoadFile(testsupport::Mp3WithTitle()));
  TFileStreamInfo info;
  probe.GetFileStreamInfo(info);
  EXPECT_EQ(info.Title, "Probe Title");
  EXPECT_NE(probe.GetInfoText().find("\r\nMetadata:\r\n  title           : Probe Title\r\n"),
            std::string::npos)
      << probe.GetInfoText();

  ASSERT_TRUE(probe.LoadFile(testsupport::MkvWithSubtitle()));
  TAudioStreamInfo audio;
  probe.GetAudioStreamInfo(-1, audio);
  EXPECT_EQ(audio.Language, "eng");
  probe.GetFileStreamInfo(info);
  EXPECT_EQ(info.Title, "Matroska Title");
  const std::string text = probe.GetInfoText();
  EXPECT_NE(text.find("Stream #2(ger), 1/1000: Subtitle: subrip"), std::string::npos) << text;
}

TEST_F(ProbeTest, SurroundAudioRecord) {
  ASSERT_TRUE(probe.LoadFile(testsupport::Ac3Surround()));
  TAudioStreamInfo a;
  probe.GetAudioStreamInfo(-1, a);
  EXPECT_EQ(a.Channels, 6);
  EXPECT_EQ(a.BitRate, 384000);
  EXPECT_EQ(a.SampleFormat, AV_SAMPLE_FMT_FLTP);
  EXPECT_EQ(a.CodecName.rfind("ac3", 0), 0u) << a.CodecName;
}

TEST_F(ProbeTest, QueriesReportTheirErrors) {
  TVideoStreamInfo v;
  TAudioStreamInfo a;
  EXPECT_EQ(probe.GetInfoText(), "");
  EXPECT_EQ(probe.LastErrMsg(), "file not loaded.");
  EXPECT_EQ(probe.StreamCount(), -1);
  EXPECT_EQ(probe.MainStream(), -1);

  ASSERT_TRUE(probe.LoadFile(testsupport::Wav()));
  probe.GetVideoStreamInfo(-1, v);
  EXPECT_EQ(probe.LastErrMsg(), "no video stream.");
  EXPECT_EQ(v.Width, -1);
  EXPECT_EQ(v.DisplayAspectRatio, -1.0f);
  probe.GetAudioStreamInfo(probe.StreamCount(), a);
  EXPECT_EQ(probe.LastErrMsg(), "stream index #1 is invalid.");
  EXPECT_EQ(a.SampleRate, -1);
  probe.GetVideoStreamInfo(0, v);
  EXPECT_EQ(probe.LastErrMsg(), "stream #0 is not video stream.");
  EXPECT_FALSE(probe.IsVideoStream(-1));
  EXPECT_EQ(probe.LastErrMsg(), "stream index #-1 is invalid.");
  EXPECT_TRUE(probe.IsAudioStream(0));
  probe.GetAudioStreamInfo(-1, a);
  EXPECT_EQ(a.SampleRate, 44100);
  EXPECT_EQ(a.Channels, 1);
}

TEST_F(ProbeTest, BrokenInputFailsCleanlyAndTheProbeStaysUsable) {
  const std::string missing = testsupport::TempFolder("probe") + "/missing.avi";
  const std::string folder = testsupport::TempFolder("probe-dir");
  const struct {
    std::string file;
    std::string forced;
    std::string expected;  // a prefix of LastErrMsg
  } cases[] = {
      {missing, "", missing + ": No such file or directory"},
      {testsupport::EmptyFile(), "", testsupport::EmptyFile() + ": "},
      {testsupport::TextFile(), "",
       testsupport::TextFile() + ": Invalid data found when processing input"},
      {testsupport::TruncatedMp4(), "", testsupport::TruncatedMp4() + ": "},
      {folder, "", folder + ": Is a directory"},
      {testsupport::Wav(), "no-such-format", "Unknown input format: no-such-format"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_FALSE(probe.LoadFile(c.file, c.forced));
    EXPECT_EQ(probe.LastErrMsg().rfind(c.expected, 0), 0u) << probe.LastErrMsg();
    EXPECT_EQ(probe.FormatContext(), nullptr);
    EXPECT_EQ(probe.StreamCount(), -1);
    EXPECT_EQ(probe.ForcedFormat(), "");
    ASSERT_TRUE(probe.LoadFile(testsupport::Wav()));  // usable again
    EXPECT_EQ(probe.StreamCount(), 1);
  }
  EXPECT_TRUE(probe.LoadFile(testsupport::Wav(), "wav"));
  EXPECT_EQ(probe.ForcedFormat(), "wav");
}

TEST_F(ProbeTest, NameOutsideTheLocaleOpensThroughOurOwnIo) {
  std::setlocale(LC_ALL, "C");
  const std::string name =
      testsupport::TempFolder("probe-unicode") + "/\xc3\xa9t\xc3\xa9 \xe6\x97\xa5.mp3";
  std::filesystem::copy_file(testsupport::Mp3WithTitle(), name);
  ASSERT_TRUE(probe.LoadFile(name)) << probe.LastErrMsg();
  EXPECT_EQ(probe.GetFileName(), name);
  EXPECT_STREQ(probe.FormatContext()->url, ("unicode:utf8:" + name).c_str());
  EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(std::filesystem::file_size(name)));
  EXPECT_EQ(probe.GetInfoText().rfind("File Name: " + name + "\r\n", 0), 0u);
  probe.CloseFile();
  EXPECT_EQ(probe.FormatContext(), nullptr);
}

TEST_F(ProbeTest, AttachedContextIsDescribedButNotClosed) {
  AVFormatContext* ctx = nullptr;
  ASSERT_EQ(lib::avformat_open_input(&ctx, testsupport::Wav().c_str(), nullptr, nullptr), 0);
  ASSERT_GE(lib::avformat_find_stream_info(ctx, nullptr), 0);
  probe.AttachFormatContext(ctx);
  EXPECT_EQ(probe.StreamCount(), 1);
  EXPECT_EQ(probe.MainStream(), 0);
  probe.CloseFile();
  EXPECT_EQ(probe.StreamCount(), -1);
  EXPECT_EQ(ctx->nb_streams, 1u);  // still open and valid
  lib::avformat_close_input(&ctx);
}

TEST(ProbeLibrariesTest, LoadingWithoutLibrariesRaisesTheFirstMissingOne) {
  TAVProbe probe;
  try {
    probe.LoadFile("/tmp/x.avi");
    FAIL() << "expected an exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "LibAVCodec not loaded.");
  }
}

}  // namespace
