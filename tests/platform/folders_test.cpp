#include "platform/folders.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <optional>

#include "tests/support/fixtures.h"

namespace {
namespace fs = std::filesystem;

// Sets (or, with nullptr, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testsupport::TempFolder("folders");
    home_ = root_ + "/home";
    fs::create_directories(home_);
    env_.emplace_back("HOME", home_.c_str());
    env_.emplace_back("VVC_CONFIG_DIR", nullptr);
    env_.emplace_back("XDG_CONFIG_HOME", nullptr);
  }
  std::string root_, home_;
  std::list<ScopedEnv> env_;
};

TEST_F(FoldersTest, SettingsFolderFollowsTheEnvironmentAndIsCreated) {
  struct Case {
    const char* vvcConfigDir;  // relative to root_, or nullptr
    const char* xdgConfigHome;
    const char* expected;  // relative to root_
  };
  const Case cases[] = {
      {"cfg/vvc", "xdg", "cfg/vvc/"},
      {"cfg/slash/", nullptr, "cfg/slash/"},
      {nullptr, "xdg", "xdg/veyvideoconverter/"},
      {nullptr, nullptr, "home/.config/veyvideoconverter/"},
  };
  for (const Case& c : cases) {
    std::string vvc = c.vvcConfigDir ? root_ + "/" + c.vvcConfigDir : "";
    std::string xdg = c.xdgConfigHome ? root_ + "/" + c.xdgConfigHome : "";
    ScopedEnv a("VVC_CONFIG_DIR", c.vvcConfigDir ? vvc.c_str() : nullptr);
    ScopedEnv b("XDG_CONFIG_HOME", c.xdgConfigHome ? xdg.c_str() : nullptr);
    std::string expected = root_ + "/" + c.expected;
    EXPECT_EQ(platform::SettingsFolder(), expected);
    EXPECT_TRUE(fs::is_directory(expected)) << expected;
  }
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(platform::SettingsFolder(), home_ + "/.config/veyvideoconverter/");
}

TEST_F(FoldersTest, DefaultOutputFolderComesFromTheVideosEntryOfUserDirs) {
  struct Case {
    std::optional<std::string> userDirs;  // nullopt: no file
    std::string expected;
  };
  const std::string dflt = home_ + "/Videos/videoconverter";
  const Case cases[] = {
      {std::nullopt, dflt},
      {"XDG_VIDEOS_DIR=\"$HOME/Filme\"\n", home_ + "/Filme/videoconverter"},
      {"XDG_VIDEOS_DIR=\"${HOME}/My Clips/\"\n", home_ + "/My Clips/videoconverter"},
      {"XDG_VIDEOS_DIR=\"/srv/media\"\n", "/srv/media/videoconverter"},
      {"XDG_VIDEOS_DIR=\"$HOME/\"\n", home_ + "/videoconverter"},
      {"# XDG_VIDEOS_DIR=\"/commented\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n", dflt},
      {"XDG_VIDEOS_DIR=\"$HOME/a\"\nXDG_VIDEOS_DIR=\"$HOME/b\"\n", home_ + "/b/videoconverter"},
      // Shell constructs are never run, and a relative path is not allowed.
      {"XDG_VIDEOS_DIR=\"$(touch " + root_ + "/ran)\"\n", dflt},
      {"XDG_VIDEOS_DIR=\"relative\"\n", dflt},
  };
  std::string configHome = root_ + "/xdg";
  ScopedEnv xdg("XDG_CONFIG_HOME", configHome.c_str());
  fs::create_directories(configHome);
  for (const Case& c : cases) {
    fs::remove(configHome + "/user-dirs.dirs");
    if (c.userDirs) std::ofstream(configHome + "/user-dirs.dirs") << *c.userDirs;
    EXPECT_EQ(platform::DefaultOutputFolder(), c.expected) << c.userDirs.value_or("no file");
  }
  EXPECT_FALSE(fs::exists(root_ + "/ran"));

  // Without XDG_CONFIG_HOME the file is read from ~/.config.
  ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
  fs::create_directories(home_ + "/.config");
  std::ofstream(home_ + "/.config/user-dirs.dirs") << "XDG_VIDEOS_DIR=\"$HOME/Vids\"\n";
  EXPECT_EQ(platform::DefaultOutputFolder(), home_ + "/Vids/videoconverter");
}

TEST_F(FoldersTest, FallbackOutputFolderIsInHome) {
  EXPECT_EQ(platform::FallbackOutputFolder(), home_ + "/videoconverter");
}

TEST_F(FoldersTest, CanWriteFolderCreatesAndRemovesATemporaryFile) {
  EXPECT_TRUE(platform::CanWriteFolder(root_));
  EXPECT_TRUE(platform::CanWriteFolder(root_ + "/"));
  EXPECT_TRUE(fs::is_empty(home_));
  EXPECT_TRUE(platform::CanWriteFolder(home_));
  EXPECT_TRUE(fs::is_empty(home_)) << "the probe file must be removed again";

  std::ofstream(root_ + "/file") << "x";
  // Places where no file can be made: missing folders, a path below a
  // regular file, and /proc (unwritable even for root).
  for (const std::string& folder : {root_ + "/missing", root_ + "/missing/deeper", root_ + "/file",
                                    root_ + "/file/sub", std::string("/proc"), std::string()}) {
    EXPECT_FALSE(platform::CanWriteFolder(folder)) << "'" << folder << "'";
  }
}

TEST_F(FoldersTest, CanWriteFolderIsFalseForAReadOnlyFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  std::string folder = root_ + "/readonly";
  fs::create_directory(folder);
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  EXPECT_FALSE(platform::CanWriteFolder(folder));
  chmod(folder.c_str(), 0755);
}

TEST_F(FoldersTest, CreateFolderWithParents) {
  std::ofstream(root_ + "/file") << "x";
  struct Case {
    std::string folder;
    bool expected;
  };
  for (const Case& c :
       {Case{root_ + "/a/b/c", true}, Case{root_ + "/a/b/c", true}, Case{root_ + "/x/y/", true},
        Case{root_ + "/file", false}, Case{root_ + "/file/sub", false}, Case{"", false}}) {
    EXPECT_EQ(platform::CreateFolderWithParents(c.folder), c.expected) << c.folder;
    if (c.expected) {
      EXPECT_TRUE(fs::is_directory(c.folder));
    }
  }
}

TEST_F(FoldersTest, ExistenceChecksTellFilesFromFolders) {
  std::ofstream(root_ + "/file") << "x";
  fs::create_symlink(root_ + "/home", root_ + "/link");
  EXPECT_TRUE(platform::FolderExists(root_));
  EXPECT_TRUE(platform::FolderExists(root_ + "/link"));
  EXPECT_FALSE(platform::FolderExists(root_ + "/file"));
  EXPECT_FALSE(platform::FolderExists(root_ + "/none"));
  EXPECT_TRUE(platform::FileExists(root_ + "/file"));
  EXPECT_FALSE(platform::FileExists(root_));
  EXPECT_FALSE(platform::FileExists(root_ + "/none"));
  EXPECT_FALSE(platform::FileExists(""));
}

TEST(Folders, WithTrailingSlash) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c :
       {Case{"", ""}, Case{"/", "/"}, Case{"/a", "/a/"}, Case{"/a/", "/a/"}, Case{"rel", "rel/"}}) {
    EXPECT_EQ(platform::WithTrailingSlash(c.in), c.out) << c.in;
  }
}

TEST(Folders, ProgramAndResourcesFolders) {
  std::string program = platform::ProgramFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), '/');
  EXPECT_TRUE(fs::exists(program + "test_platform"));
  // The build copies the resources beside the programs.
  EXPECT_EQ(platform::ResourcesFolder(), program + "resources/");
}

TEST(Folders, LoginNameIsTheEffectiveUser) {
  struct passwd* entry = getpwuid(geteuid());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(platform::LoginName(), entry->pw_name);
}

}  // namespace
