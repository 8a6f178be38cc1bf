#include "app/global_object.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/version.h"
#include "platform/folders.h"
#include "tests/support/fixtures.h"

namespace {
namespace fs = std::filesystem;
using app::TGlobalObject;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(GlobalObject, VersionTextRunsMinorReleaseAndBuildTogether) {
  struct Case {
    int major, minor, release, build;
    const char* text;
  };
  for (const Case& c : {Case{1, 70, 3, 12, " 1.70312 "}, Case{4, 4, 0, 1, " 4.401 "},
                        Case{0, 0, 0, 0, " 0.000 "}, Case{10, 1, 22, 333, " 10.122333 "}}) {
    EXPECT_EQ(app::FormatVersionText(c.major, c.minor, c.release, c.build), c.text);
  }
  EXPECT_EQ(app::GetVersionText(),
            app::FormatVersionText(app::kVersionMajor, app::kVersionMinor, app::kVersionRelease,
                                   app::kVersionBuild));
  EXPECT_EQ(std::string(app::kProductTitle) + app::FormatVersionText(1, 70, 3, 12),
            "Vey Video Converter 1.70312 ");
}

TEST(GlobalObject, RightStrCountsCharacters) {
  struct Case {
    const char* text;
    int n;
    const char* expected;
  };
  for (const Case& c :
       {Case{"videoconverter", 4, "rter"}, Case{"abc", 5, "abc"}, Case{"abc", 3, "abc"},
        Case{"abc", 0, ""}, Case{"abc", -2, ""}, Case{"", 3, ""},
        Case{"Caf\xC3\xA9!", 2, "\xC3\xA9!"}, Case{"\xC3\xA4\xC3\xB6", 1, "\xC3\xB6"}}) {
    EXPECT_EQ(app::RightStr(c.text, c.n), c.expected) << c.text << " " << c.n;
  }
}

TEST(GlobalObject, SettersIgnoreEmptyAndFileNamesOfThreeCharactersOrFewer) {
  using Setter = void (TGlobalObject::*)(const std::string&);
  using Getter = const std::string& (TGlobalObject::*)() const;
  struct Field {
    const char* name;
    Setter set;
    Getter get;
    bool fileName;
  };
  const Field fields[] = {
      {"ProductTitle", &TGlobalObject::SetProductTitle, &TGlobalObject::ProductTitle, false},
      {"VersionText", &TGlobalObject::SetVersionText, &TGlobalObject::VersionText, false},
      {"SettingsFileName", &TGlobalObject::SetSettingsFileName, &TGlobalObject::SettingsFileName,
       true},
      {"FormatFileName", &TGlobalObject::SetFormatFileName, &TGlobalObject::FormatFileName, true},
      {"HelpPage", &TGlobalObject::SetHelpPage, &TGlobalObject::HelpPage, false},
      {"WebSite", &TGlobalObject::SetWebSite, &TGlobalObject::WebSite, false},
  };
  for (const Field& f : fields) {
    TGlobalObject g;
    (g.*f.set)("first value");
    (g.*f.set)("");
    EXPECT_EQ((g.*f.get)(), "first value") << f.name << ": empty is ignored";
    (g.*f.set)("a/b");
    EXPECT_EQ((g.*f.get)(), f.fileName ? "first value" : "a/b") << f.name;
    (g.*f.set)("\xC3\xA4\xC3\xB6\xC3\xBC");  // three characters in six bytes
    EXPECT_EQ((g.*f.get)(), f.fileName ? "first value" : "\xC3\xA4\xC3\xB6\xC3\xBC") << f.name;
    (g.*f.set)("/a/b");
    EXPECT_EQ((g.*f.get)(), "/a/b") << f.name << ": four characters are taken";
  }
}

class GlobalObjectStart : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testsupport::TempFolder("global");
    config_ = root_ + "/config/";
    if (const char* old = std::getenv("VVC_CONFIG_DIR")) old_ = old;
    setenv("VVC_CONFIG_DIR", config_.c_str(), 1);
  }
  void TearDown() override {
    if (old_.empty()) {
      unsetenv("VVC_CONFIG_DIR");
    } else {
      setenv("VVC_CONFIG_DIR", old_.c_str(), 1);
    }
  }
  std::string root_, config_, old_;
};

TEST_F(GlobalObjectStart, FillsTheValuesAndInstallsTheSettingsFile) {
  const std::string shipped = platform::ResourcesFolder() + "veyvideoconverter.ini";
  ASSERT_TRUE(platform::FileExists(shipped));
  auto global = TGlobalObject::CreateAtStart();
  EXPECT_EQ(global->ProductTitle(), "Vey Video Converter");
  EXPECT_EQ(global->VersionText(), "") << "set when the main window is first shown";
  EXPECT_EQ(global->SettingsFileName(), config_ + "veyvideoconverter.ini");
  EXPECT_EQ(global->FormatFileName(), platform::ResourcesFolder() + "veyvideoformat.ini");
  EXPECT_EQ(global->HelpPage(), app::kHelpPageAddress);
  EXPECT_EQ(global->WebSite(), app::kWebSiteAddress);
  EXPECT_EQ(ReadText(global->SettingsFileName()), ReadText(shipped));

  // A format preset file in the settings folder takes precedence.
  std::ofstream(config_ + "veyvideoformat.ini") << "[formatInfo1]\n";
  EXPECT_EQ(TGlobalObject::CreateAtStart()->FormatFileName(), config_ + "veyvideoformat.ini");
}

TEST_F(GlobalObjectStart, AnExistingSettingsFileIsNeverReplaced) {
  fs::create_directories(config_);
  std::ofstream(config_ + "veyvideoconverter.ini") << "[settings]\nvolume=99\n";
  auto global = TGlobalObject::CreateAtStart();
  EXPECT_EQ(ReadText(global->SettingsFileName()), "[settings]\nvolume=99\n");
}

TEST_F(GlobalObjectStart, InstalledCopyIsWritableAndAMissingShippedFileIsNoError) {
  std::string resources = root_ + "/res/", settings = root_ + "/user/";
  fs::create_directories(resources);
  fs::create_directories(settings);
  EXPECT_TRUE(app::InstallDefaultSettingsFile(resources, settings));
  EXPECT_FALSE(fs::exists(settings + "veyvideoconverter.ini"));

  std::ofstream(resources + "veyvideoconverter.ini") << "[settings]\nmute=1\n";
  fs::permissions(resources + "veyvideoconverter.ini",
                  fs::perms::owner_read | fs::perms::group_read);
  EXPECT_TRUE(app::InstallDefaultSettingsFile(resources, settings));
  EXPECT_EQ(ReadText(settings + "veyvideoconverter.ini"), "[settings]\nmute=1\n");
  auto perms = fs::status(settings + "veyvideoconverter.ini").permissions();
  EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
  // Nothing but the settings file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(settings), fs::directory_iterator()), 1);
}

}  // namespace
