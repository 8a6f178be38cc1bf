// vvc-cli as a user runs it: exit codes, outputs and error texts.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/fixtures.h"
#include "tests/support/media_fixtures.h"

namespace {

using testsupport::RunProgram;

const std::string kCli = VVC_CLI_PATH;

TEST(CliTest, VersionAndUsage) {
  std::string out, err;
  EXPECT_EQ(RunProgram({kCli, "--version"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("Vey Video Converter ", 0), 0u) << out;
  const struct {
    std::vector<std::string> args;
    std::string problem;
  } bad[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"libraries", "--bogus"}, "unknown option '--bogus'"},
      {{"info"}, "no file given"},
  };
  for (const auto& b : bad) {
    std::vector<std::string> argv = {kCli};
    argv.insert(argv.end(), b.args.begin(), b.args.end());
    EXPECT_EQ(RunProgram(argv, &out, &err), 2) << b.problem;
    EXPECT_NE(err.find(b.problem), std::string::npos) << err;
    EXPECT_NE(err.find("usage: vvc-cli"), std::string::npos) << err;
  }
}

TEST(CliTest, LibrariesTableAndLoadFailure) {
  std::string out, err;
  EXPECT_EQ(RunProgram({kCli, "libraries"}, &out, &err), 0) << err;
  for (const char* name :
       {"libavcodec.so.59", "libavfilter.so.8", "libavformat.so.59", "libavutil.so.57",
        "libswscale.so.6", "libswresample.so.4", "libc.so.6", "libSDL2-2.0.so.0"})
    EXPECT_NE(out.find(name), std::string::npos) << name << "\n" << out;
  EXPECT_EQ(out.find("not loaded"), std::string::npos) << out;

  const std::string lacking = std::string(VVC_FAKE_LIB_DIR) + "/lacking";
  EXPECT_EQ(RunProgram({kCli, "libraries", "--library-dir", lacking}, &out, &err), 1);
  EXPECT_NE(err.find("Load function avfilter_graph_parse_ptr@libavfilter.so.8 error: "),
            std::string::npos)
      << err;
  EXPECT_NE(out.find("not loaded"), std::string::npos) << out;
}

TEST(CliTest, InfoShowsGoodFilesAndReportsBadOnes) {
  const std::string good = testsupport::Wav();
  const std::string missing = testsupport::TempFolder("cli") + "/missing.wav";
  std::string out, err;
  EXPECT_EQ(RunProgram({kCli, "info", missing, good}, &out, &err), 1);
  EXPECT_EQ(err, missing + ": No such file or directory\n");
  EXPECT_EQ(out.rfind("File Name: " + good + "\nFormat Name: wav\n", 0), 0u) << out;
  EXPECT_EQ(out.find('\r'), std::string::npos);

  EXPECT_EQ(RunProgram({kCli, "info", good}, &out, &err), 0) << err;
}

TEST(CliTest, InfoAsJson) {
  const std::string file = testsupport::Mp4H264Aac();
  std::string out, err;
  ASSERT_EQ(RunProgram({kCli, "info", "--json", file}, &out, &err), 0) << err;
  // Checked with python's json module: a list with one file, one audio and
  // one video stream of the expected shape.
  const std::string script =
      "import json,sys\n"
      "d=json.load(sys.stdin)\n"
      "f=d[0]\n"
      "assert f['format']=='mov,mp4,m4a,3gp,3g2,mj2', f['format']\n"
      "assert f['info']['duration']==2000000, f['info']\n"
      "assert len(f['audio'])==1 and f['audio'][0]['channels']==2 and "
      "f['audio'][0]['sample_rate']==44100\n"
      "v=f['video'][0]\n"
      "assert (v['width'],v['height'],v['frame_rate_num'],v['frame_rate_den'])==(320,240,25,1), v\n"
      "assert abs(v['display_aspect_ratio']-4/3)<1e-4\n";
  const std::string dir = testsupport::TempFolder("cli-json");
  const std::string jsonPath = dir + "/out.json";
  FILE* f = fopen(jsonPath.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fwrite(out.data(), 1, out.size(), f);
  fclose(f);
  std::string pyOut, pyErr;
  EXPECT_EQ(
      RunProgram({"python3", "-c", "import sys; sys.stdin=open(sys.argv[1]); exec(sys.argv[2])",
                  jsonPath, script},
                 &pyOut, &pyErr),
      0)
      << pyErr << "\n"
      << out;
}

}  // namespace

namespace {

TEST(CliPlayTest, PlaysHeadlessToTheEndAndWritesASnapshot) {
  const std::string clip = testsupport::Mp4H264Aac();  // 2 s at 25 fps, 320x240
  const std::string snapshot = testsupport::TempFolder("cli-play") + "/snap.bmp";
  std::string out, err;
  ASSERT_EQ(RunProgram({kCli, "play", clip, "--headless", "--snapshot", snapshot}, &out, &err), 0)
      << err;
  EXPECT_NE(out.find("state psEnd\n"), std::string::npos) << out;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, std::regex("shown ([0-9]+) dropped ([0-9]+) position "
                                                   "([0-9]+\\.[0-9]{3})\n")))
      << out;
  EXPECT_GE(std::stoi(m[1]), 45);
  EXPECT_NEAR(std::stod(m[3]), 2.0, 0.1);
  const std::string header = testsupport::FfprobeEntries(snapshot, "stream=width,height");
  EXPECT_EQ(header, "width=320\nheight=240\n");
}

TEST(CliPlayTest, FileWithoutStreamsFails) {
  std::string out, err;
  EXPECT_EQ(RunProgram({kCli, "play", testsupport::TextFile(), "--headless"}, &out, &err), 1);
  EXPECT_FALSE(err.empty());
}

}  // namespace
