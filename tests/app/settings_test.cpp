// Section "settings" and "lstformat" access and the two folder rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "app/folder_rules.h"
#include "app/settings_keys.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "tests/support/fixtures.h"

namespace {
namespace fs = std::filesystem;
using app::settings::Key;
using platform::IniFile;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A temporary HOME (no user-dirs file, so the default output folder is
// ~/Videos/videoconverter) and a settings file in a temporary folder.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testsupport::TempFolder("settings");
    home_ = root_ + "/home";
    fs::create_directories(home_);
    Save("HOME", home_.c_str());
    Save("XDG_CONFIG_HOME", nullptr);
    Save("VVC_CONFIG_DIR", (root_ + "/config").c_str());
    path_ = root_ + "/config/veyvideoconverter.ini";
  }
  void TearDown() override {
    platform::SetMessageBoxHandler(nullptr);
    for (auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  void Save(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  void WriteSettings(const std::string& text) {
    fs::create_directories(fs::path(path_).parent_path());
    std::ofstream(path_) << text;
  }

  std::string root_, home_, path_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SettingsTest, WithoutSectionSettingsEveryKeyHasItsDefault) {
  const std::string folder = home_ + "/Videos/videoconverter";
  for (const char* content : {static_cast<const char*>(nullptr), "", "[formatInfo1]\nvolume=9\n"}) {
    fs::remove(path_);
    if (content) WriteSettings(content);
    IniFile ini(path_);
    using app::settings::ReadInteger;
    using app::settings::ReadText;
    EXPECT_EQ(ReadText(ini, Key::OutPutDir), folder);
    EXPECT_EQ(ReadText(ini, Key::SnapOutPutDir), folder);
    EXPECT_EQ(ReadText(ini, Key::FormatName), "Apple iPod Video MPEG-4 Movie (*.mp4)");
    EXPECT_EQ(ReadText(ini, Key::FormatCode), "1");
    struct Case {
      Key key;
      int expected;
    };
    for (const Case& c :
         {Case{Key::Volume, 0}, Case{Key::Mute, 0}, Case{Key::Priority, 1},
          Case{Key::FormatCode, 1}, Case{Key::SnapFullSize, 1}, Case{Key::SnapSmallSize, 1},
          Case{Key::SnapBmp, 1}, Case{Key::SnapJpg, 1}, Case{Key::JpgCmp, 30}}) {
      EXPECT_EQ(ReadInteger(ini, c.key), c.expected) << app::settings::Info(c.key).name;
    }
    for (int category = 0; category < app::settings::kCategoryCount; ++category) {
      EXPECT_TRUE(app::settings::ReadCategoryCollapsed(ini, category)) << category;
    }
  }
}

TEST_F(SettingsTest, KeysInAnotherLetterCaseAreFound) {
  WriteSettings("[Settings]\nsnapOutPutDir=/data/snaps\nPriority=3\nVOLUME=77\nFormatcode=2108\n");
  IniFile ini(path_);
  EXPECT_EQ(app::settings::ReadText(ini, Key::SnapOutPutDir), "/data/snaps");
  EXPECT_EQ(app::settings::ReadInteger(ini, Key::Priority), 3);
  EXPECT_EQ(app::settings::ReadInteger(ini, Key::Volume), 77);
  EXPECT_EQ(app::settings::ReadInteger(ini, Key::FormatCode), 2108);
  // A write under the table's spelling updates the key already there.
  ASSERT_TRUE(app::settings::WriteText(ini, Key::SnapOutPutDir, "/other"));
  EXPECT_EQ(app::settings::ReadText(ini, Key::SnapOutPutDir), "/other");
  EXPECT_EQ(ReadText(path_).find("SnapOutPutDir="), std::string::npos) << ReadText(path_);
}

TEST_F(SettingsTest, ValuesThatAreNotIntegersReadTheDefault) {
  WriteSettings("[settings]\nvolume=loud\njpgCmp=30%\npriority=\nmute=1.0\n");
  IniFile ini(path_);
  EXPECT_EQ(app::settings::ReadInteger(ini, Key::Volume), 0);
  EXPECT_EQ(app::settings::ReadInteger(ini, Key::JpgCmp), 30);
  EXPECT_EQ(app::settings::ReadInteger(ini, Key::Priority), 1);
  EXPECT_EQ(app::settings::ReadInteger(ini, Key::Mute), 0);
}

TEST_F(SettingsTest, WritesCreateTheFileAndStoreDecimalText) {
  IniFile ini(root_ + "/new/folder/settings.ini");
  ASSERT_TRUE(app::settings::WriteInteger(ini, Key::Volume, 100));
  ASSERT_TRUE(app::settings::WriteText(ini, Key::FormatCode, "2108"));
  ASSERT_TRUE(app::settings::WriteCategoryCollapsed(ini, 4, false));
  ASSERT_TRUE(app::settings::WriteCategoryCollapsed(ini, 5, true));
  std::string text = ReadText(ini.Path());
  for (const char* line :
       {"volume=100\n", "FormatCode=2108\n", "[lstformat]\n", "4=0\n", "5=1\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
  }
  EXPECT_FALSE(app::settings::ReadCategoryCollapsed(ini, 4));
  EXPECT_TRUE(app::settings::ReadCategoryCollapsed(ini, 5));
  EXPECT_TRUE(app::settings::ReadCategoryCollapsed(ini, 6));
}

TEST(SettingsVolume, OutOfRangeVolumesShowAs64) {
  struct Case {
    int stored, shown;
  };
  for (const Case& c : {Case{200, 64}, Case{-5, 64}, Case{129, 64}, Case{-1, 64}, Case{128, 128},
                        Case{0, 0}, Case{100, 100}}) {
    EXPECT_EQ(app::settings::VolumeForDisplay(c.stored), c.shown) << c.stored;
  }
}

TEST_F(SettingsTest, ShowTimeRuleReplacesAFolderThatCannotBeWritten) {
  const std::string writable = root_ + "/out";
  fs::create_directories(writable);
  std::ofstream(root_ + "/file") << "x";
  struct Case {
    std::optional<std::string> stored;  // nullopt: key absent
    std::string expected;
  };
  const std::string fallback = home_ + "/videoconverter";
  const Case cases[] = {
      {writable, writable},
      {root_ + "/missing", fallback},
      {root_ + "/file/sub", fallback},
      {"/proc", fallback},
      // The default folder does not exist yet, so it is not writable either.
      {std::nullopt, fallback},
  };
  for (Key key : {Key::OutPutDir, Key::SnapOutPutDir}) {
    for (const Case& c : cases) {
      fs::remove(path_);
      IniFile ini(path_);
      if (c.stored) app::settings::WriteText(ini, key, *c.stored);
      EXPECT_EQ(app::ApplyShowTimeFolderRule(ini, key), c.expected);
      EXPECT_EQ(app::settings::ReadText(ini, key), c.expected) << "stored";
    }
  }
  // The fallback folder is only stored, not made.
  EXPECT_FALSE(fs::exists(fallback));
}

TEST_F(SettingsTest, WriteTimeRuleKeepsAFolderThatExistsOrCanBeMade) {
  std::vector<platform::MessageRequest> shown;
  platform::SetMessageBoxHandler([&](const platform::MessageRequest& r) {
    shown.push_back(r);
    return platform::MsgAnswer::Ok;
  });
  IniFile ini(path_);
  for (const std::string& folder : {root_, root_ + "/deep/er/folder"}) {
    app::settings::WriteText(ini, Key::OutPutDir, folder);
    EXPECT_EQ(app::ApplyWriteTimeFolderRule(ini, Key::OutPutDir), folder);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(app::settings::ReadText(ini, Key::OutPutDir), folder);
  }
  EXPECT_TRUE(shown.empty());
}

TEST_F(SettingsTest, WriteTimeRuleWarnsCreatesAndStoresTheDefaultFolder) {
  std::vector<platform::MessageRequest> shown;
  platform::SetMessageBoxHandler([&](const platform::MessageRequest& r) {
    shown.push_back(r);
    return platform::MsgAnswer::Ok;
  });
  std::ofstream(root_ + "/file") << "x";
  const std::string bad = root_ + "/file/out";
  const std::string dflt = home_ + "/Videos/videoconverter";
  for (Key key : {Key::OutPutDir, Key::SnapOutPutDir}) {
    shown.clear();
    fs::remove_all(home_ + "/Videos");
    IniFile ini(path_);
    app::settings::WriteText(ini, Key::OutPutDir, "/unchanged/other");
    app::settings::WriteText(ini, key, bad);

    EXPECT_EQ(app::ApplyWriteTimeFolderRule(ini, key), dflt);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Warning");
    EXPECT_EQ(shown[0].buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(shown[0].text, "Cannot create output directory:" + bad +
                                 ".It will create default directory " + dflt + "!");
    EXPECT_TRUE(fs::is_directory(dflt));
    EXPECT_EQ(app::settings::ReadText(ini, key), dflt);
    if (key == Key::SnapOutPutDir) {
      EXPECT_EQ(app::settings::ReadText(ini, Key::OutPutDir), "/unchanged/other");
    }
  }
}

}  // namespace
