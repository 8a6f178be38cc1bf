// The transcoding engine end to end on generated clips; every output is
// checked with ffprobe (and decoded with the ffmpeg tool where pixels
// matter).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "media/binding/engine_log.h"
#include "media/engine/engine_exception.h"
#include "media/engine/transcode_records.h"
#include "media/engine/transcoder.h"
#include "platform/bitmap24.h"
#include "tests/support/engine_fixtures.h"
#include "tests/support/fixtures.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/real_libraries.h"

namespace {

using testsupport::FfprobeEntries;

class TranscodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::LoadRealLibraries();
    media::EngineLog().SetTriggerEventInMainThread(false);
    folder = testsupport::TempFolder("transcode");
  }
  std::string Out(const std::string& name) const { return folder + "/" + name; }
  // Runs a whole task; the exception text, "" on success.
  std::string Run(const testsupport::TaskFiles& files,
                  const std::function<void(media::TCustomTranscoder&)>& prepare = {}) {
    media::TCustomTranscoder task;
    testsupport::OpenTask(task, files);
    if (prepare) prepare(task);
    try {
      task.Transcode();
    } catch (const media::EngineException& e) {
      return e.what();
    }
    finished = task.Finished();
    return "";
  }
  std::string folder;
  bool finished = false;
};

TEST_F(TranscodeTest, StreamCopyKeepsCodecsAndDuration) {
  const std::string out = Out("copy.mkv");
  ASSERT_EQ(Run({{testsupport::Clip5sAv()}, "", out, "vcodec=copy<CRLF>acodec=copy"}), "");
  EXPECT_TRUE(finished);
  EXPECT_EQ(FfprobeEntries(out, "stream=codec_name"), "codec_name=mpeg4\ncodec_name=aac\n");
  EXPECT_NEAR(testsupport::ProbeDuration(out), 5.0, 0.1);
}

TEST_F(TranscodeTest, AudioIsResampledTo44100Mono) {
  const std::string out = Out("audio.mp3");
  ASSERT_EQ(Run({{testsupport::Clip5sAv()},
                 "",
                 out,
                 "vn=1<CRLF>acodec=libmp3lame<CRLF>ar=44100<CRLF>ac=1"}),
            "");
  EXPECT_EQ(FfprobeEntries(out, "stream=codec_name,sample_rate,channels", "a:0"),
            "codec_name=mp3\nsample_rate=44100\nchannels=1\n");
  EXPECT_EQ(FfprobeEntries(out, "stream=codec_type"), "codec_type=audio\n");
  EXPECT_NEAR(testsupport::ProbeDuration(out), 5.0, 0.1);
}

// Crop bands, a scale to s and a pad from vfilters, in that order.
TEST_F(TranscodeTest, VideoCropScaleAndPadThroughFilters) {
  const std::string out = Out("geometry.avi");
  ASSERT_EQ(Run({{testsupport::Clip5sAv()},
                 "",
                 out,
                 "vcodec=mpeg4<CRLF>an=1<CRLF>croptop=40<CRLF>cropbottom=40<CRLF>s=160x80"
                 "<CRLF>vfilters=pad=200:100:20:10"}),
            "");
  EXPECT_EQ(FfprobeEntries(out, "stream=codec_name,width,height", "v:0"),
            "codec_name=mpeg4\nwidth=200\nheight=100\n");
}

TEST_F(TranscodeTest, StartTimeAndRecordingTime) {
  const std::string out = Out("cut.mp4");
  ASSERT_EQ(
      Run({{testsupport::Clip30sAv()}, "ss=5", out, "vcodec=mpeg4<CRLF>acodec=aac<CRLF>t=10"}), "");
  EXPECT_NEAR(testsupport::ProbeDuration(out), 10.0, 0.15);
  // The first picture shows the source's time stamp text of 5 s: compare
  // with the source cut by the ffmpeg tool instead of decoding digits.
  EXPECT_NEAR(testsupport::ProbeDuration(out, "v:0"), 10.0, 0.15);
}

TEST_F(TranscodeTest, FrameRateConversionDuplicatesFrames) {
  const std::string out = Out("ntsc.avi");
  int dup = 0;
  ASSERT_EQ(Run({{testsupport::Clip4sGrey25fps()}, "", out, "vcodec=mpeg4<CRLF>r=30000/1001"},
                [&](media::TCustomTranscoder& task) {
                  task.OnProgress = [&](media::TProgressInfo&) { dup = task.Files().DupFrames; };
                }),
            "");
  EXPECT_EQ(FfprobeEntries(out, "stream=r_frame_rate", "v:0"), "r_frame_rate=30000/1001\n");
  // 4 s at 29.97 fps: about 120 pictures from 100, one in five duplicated.
  const int frames = std::atoi(FfprobeEntries(out, "stream=nb_frames", "v:0").substr(10).c_str());
  EXPECT_NEAR(frames, 120, 2);
  EXPECT_NEAR(dup, 20, 2);
}

TEST_F(TranscodeTest, JoinPutsInputsEndToEnd) {
  const std::string out = Out("join.mp4");
  int64_t total = 0;
  ASSERT_EQ(Run({{testsupport::Clip10sAv(), testsupport::Clip5sAv()},
                 "",
                 out,
                 "vcodec=mpeg4<CRLF>acodec=aac",
                 true},
                [&](media::TCustomTranscoder& task) { total = task.TotalDuration(); }),
            "");
  EXPECT_NEAR(total, 15000000, 100000);
  EXPECT_NEAR(testsupport::ProbeDuration(out), 15.0, 0.2);
  EXPECT_NEAR(testsupport::ProbeDuration(out, "v:0"), 15.0, 0.2);
}

// A/V durations of one output agree within one audio and one video frame.
TEST_F(TranscodeTest, AudioAndVideoDurationsAgree) {
  const std::string out = Out("av.mp4");
  ASSERT_EQ(Run({{testsupport::Clip5sAv()}, "", out, "vcodec=libx264<CRLF>acodec=aac"}), "");
  const double video = testsupport::ProbeDuration(out, "v:0");
  const double audio = testsupport::ProbeDuration(out, "a:0");
  EXPECT_NEAR(video, audio, 1024.0 / 48000 + 1.0 / 25);
}

// The mean luma of the decoded output's 16x16 corner block at frame n.
int CornerLuma(const std::string& file) {
  std::string out;
  testsupport::RunProgram({"ffmpeg", "-v", "error", "-i", file, "-vf", "crop=16:16:0:0",
                           "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"},
                          &out);
  if (out.size() < 256) return -1;
  int sum = 0;
  for (unsigned char c : out.substr(0, 256)) sum += c;
  return sum / 256;
}

TEST_F(TranscodeTest, CustomHookPaintsIntoEveryFrame) {
  const struct {
    const char* name;
    bool raise;
    int expectedLuma;  // white square, or the grey source unchanged
  } cases[] = {{"paint.avi", false, 235}, {"raise.avi", true, 128}};
  for (const auto& c : cases) {
    const std::string out = Out(c.name);
    int calls = 0;
    ASSERT_EQ(Run({{testsupport::Clip4sGrey25fps()}, "", out, "vcodec=mpeg4<CRLF>qscale=2"},
                  [&](media::TCustomTranscoder& task) {
                    task.CustomHook = true;
                    task.OnCustomHook = [&](media::THookInfo& info) {
                      ++calls;
                      for (int y = 0; y < 32; ++y)
                        for (int x = 0; x < 32 * 3; ++x) info.Bitmap->ScanLine(y)[x] = 255;
                      if (c.raise) throw std::runtime_error("hook failed");
                    };
                  }),
              "");
    EXPECT_EQ(calls, 100) << c.name;  // called again after raising
    EXPECT_NEAR(CornerLuma(out), c.expectedLuma, 20) << c.name;
  }
}

TEST_F(TranscodeTest, StopMidwayLeavesAPlayableFile) {
  const std::string out = Out("stopped.mp4");
  ASSERT_EQ(Run({{testsupport::Clip30sAv()}, "", out, "vcodec=mpeg4<CRLF>acodec=aac"},
                [&](media::TCustomTranscoder& task) {
                  task.CustomHook = true;
                  task.OnCustomHook = [&](media::THookInfo& info) {
                    if (info.FrameNumber == 100) task.RequestStop();
                  };
                }),
            "");
  EXPECT_FALSE(finished);
  const double duration = testsupport::ProbeDuration(out);
  EXPECT_GT(duration, 2.0);
  EXPECT_LT(duration, 20.0);
  std::string err;
  EXPECT_EQ(testsupport::RunProgram({"ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"},
                                    nullptr, &err),
            0)
      << err;
}

// Disabled until encoders open on the first decoded picture: this truncated
// stream reports a 0x0 picture until then, so set-up cannot size the encoder.
TEST_F(TranscodeTest, DISABLED_TruncatedInputConvertsWhatCanBeRead) {
  // A stream format, so that the first half stays readable on its own.
  const std::string ts = Out("source.ts");
  ASSERT_EQ(testsupport::RunProgram(
                {"ffmpeg", "-v", "error", "-y", "-i", testsupport::Clip10sAv(), "-c", "copy", ts}),
            0);
  std::filesystem::resize_file(ts, std::filesystem::file_size(ts) / 2 + 7);
  const std::string out = Out("from_truncated.mp4");
  ASSERT_EQ(Run({{ts}, "", out, "vcodec=mpeg4<CRLF>acodec=aac"}), "");
  EXPECT_TRUE(finished);
  EXPECT_GT(testsupport::ProbeDuration(out), 2.0);
  EXPECT_LT(testsupport::ProbeDuration(out), 8.0);
}

TEST_F(TranscodeTest, OutputFolderMissingFailsWithTheLibraryText) {
  media::TCustomTranscoder task;
  task.ApplyOption("v", "-1");
  ASSERT_TRUE(task.OpenInput(testsupport::Clip5sAv()));
  const std::string out = folder + "/missing/out.mp4";
  EXPECT_EQ(task.OpenOutput(out, false), -1);
  EXPECT_EQ(task.ErrorText(), out + ": No such file or directory");
  EXPECT_EQ(task.OutputFileCount(), 0);
}

TEST_F(TranscodeTest, EncoderRefusingParametersNamesTheStream) {
  // MPEG-4 part 2 cannot code a time base finer than 1/65535.
  const std::string out = Out("refused.avi");
  const std::string error =
      Run({{testsupport::Clip5sAv()}, "", out, "vcodec=mpeg4<CRLF>an=1<CRLF>r=100000"});
  EXPECT_EQ(error.rfind("Error while opening encoder for output stream #0.0 (Video) - maybe "
                        "incorrect parameters such as bit_rate, rate, width or height.",
                        0),
            0u)
      << error;
  EXPECT_FALSE(std::filesystem::exists(out));  // an empty output is removed
}

TEST_F(TranscodeTest, FullDiskEndsWithAnError) {
  const std::string source = testsupport::Clip10sAv();  // generated before the limit
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 200 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error =
      Run({{source}, "", Out("full.mp4"), "vcodec=mpeg4<CRLF>qscale=1<CRLF>acodec=aac"});
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_NE(error, "");
  EXPECT_FALSE(finished);
}

}  // namespace
