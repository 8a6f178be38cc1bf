// vvc-cli formats: the catalogue with codes, and the entries the installed
// libraries cannot produce.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/support/fixtures.h"

namespace {

// Runs `vvc-cli formats` with its settings folder in a fresh temporary one.
int RunFormats(const std::string& configDir, const std::vector<std::string>& extra,
               std::string* out, std::string* err) {
  setenv("VVC_CONFIG_DIR", configDir.c_str(), 1);
  std::vector<std::string> argv = {VVC_CLI_PATH, "formats"};
  argv.insert(argv.end(), extra.begin(), extra.end());
  return testsupport::RunProgram(argv, out, err);
}

TEST(FormatsCommand, ListsEveryCategoryAndEntryAndMarksTheUnavailable) {
  std::string out, err;
  ASSERT_EQ(RunFormats(testsupport::TempFolder("formats_cli"), {}, &out, &err), 0) << err;
  const char* lines[] = {
      "\n 0  Apple iPod\n",
      "\n       0  iPod Video MPEG-4 (*.mp4)\n",
      "\n       8  iPod Touch MPEG-4 Wide Screen (*.mp4)\n",
      "\n13  Nitendeo WII\n",
      "\n    2108  HD MPEG2-TS Video (*.ts)\n",
      "\n27  General Audio formates\n",
      "\n    2707  Amr Audio Codec (*.amr)  [unavailable: missing encoder libopencore_amrnb]\n",
      "\n    2717  MMF - Yamaha SMAF audio (*.mmf)\n",
      "\n133 formats, 1 unavailable\n",
  };
  for (const char* line : lines) EXPECT_NE(out.find(line), std::string::npos) << line;
  EXPECT_EQ(out.find("unavailable]"), out.rfind("unavailable]")) << "only one entry is unavailable";
}

TEST(FormatsCommand, ReadsThePresetFileOfTheSettingsFolderFirst) {
  const std::string config = testsupport::TempFolder("formats_cli_user");
  std::ofstream(config + "/veyvideoformat.ini")
      << "[formatInfo0]\nFormat=ipod\nFileExt=mp4\nVideoEncoder=H264\nAudioEncoder=AAC\n"
      << "[formatInfo1]\nFormat=avi\nFileExt=avi\nVideoEncoder=MPEG-4\nAudioEncoder=nothing\n";
  std::string out, err;
  ASSERT_EQ(RunFormats(config, {}, &out, &err), 0) << err;
  EXPECT_NE(out.find("format presets: " + config + "/veyvideoformat.ini"), std::string::npos);
  EXPECT_NE(out.find("\n       0  iPod Video MPEG-4 (*.mp4)\n"), std::string::npos);
  // An audio item outside the dialog's table chooses no encoder: video only.
  EXPECT_NE(out.find("\n       1  iPod Video H.264 (*.mp4)\n"), std::string::npos);
  EXPECT_NE(out.find("       2  iPod MPEG-4 Excellent (320 x 240)(*.mp4)  [unavailable: no section "
                     "formatInfo2]"),
            std::string::npos);
  EXPECT_NE(out.find("\n133 formats, 131 unavailable\n"), std::string::npos);
}

TEST(FormatsCommand, RefusesUnknownOptions) {
  std::string out, err;
  EXPECT_EQ(RunFormats(testsupport::TempFolder("formats_cli_bad"), {"--json"}, &out, &err), 2);
  EXPECT_NE(err.find("formats: unknown option '--json'"), std::string::npos) << err;
}

}  // namespace
