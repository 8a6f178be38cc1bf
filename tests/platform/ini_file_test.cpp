#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/fixtures.h"

namespace {
namespace fs = std::filesystem;
using platform::IniFile;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
  return n;
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testsupport::TempFolder("ini");
    path_ = dir_ + "/test.ini";
  }
  std::string dir_, path_;
};

TEST_F(IniFileTest, NamesAreMatchedWithoutRegardToCase) {
  WriteText(path_, "[Settings]\nSnapOutPutDir=/data/snaps\nvolume = 12 \n");
  IniFile ini(path_);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  for (const Case& c : {Case{"settings", "snapOutPutDir", "/data/snaps"},
                        Case{"SETTINGS", "SNAPOUTPUTDIR", "/data/snaps"},
                        Case{"Settings", "Volume", "12"}, Case{"sEtTiNgS", "VOLUME", "12"}}) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "?"), c.expected) << c.section << "/" << c.key;
    EXPECT_TRUE(ini.ValueExists(c.section, c.key));
  }
  EXPECT_TRUE(ini.SectionExists("SETTINGS"));
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  IniFile missing(dir_ + "/absent.ini");
  EXPECT_EQ(missing.ReadString("settings", "OutPutDir", "def"), "def");
  EXPECT_EQ(missing.ReadInteger("settings", "volume", 7), 7);
  EXPECT_TRUE(missing.ReadBool("lstformat", "3", true));
  EXPECT_FALSE(missing.SectionExists("settings"));
  EXPECT_TRUE(missing.ReadSections().empty());
  EXPECT_FALSE(fs::exists(missing.Path())) << "reading must not create the file";

  WriteText(path_, "[other]\nOutPutDir=/x\n[settings]\nmute=1\nempty=\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("settings", "OutPutDir", "def"), "def");
  EXPECT_EQ(ini.ReadString("nosuch", "mute", "def"), "def");
  // A key that is present with an empty value is not missing.
  EXPECT_EQ(ini.ReadString("settings", "empty", "def"), "");
  EXPECT_EQ(ini.ReadInteger("settings", "empty", 5), 5);
}

TEST_F(IniFileTest, IntegerReadsFallBackOnValuesThatAreNotIntegers) {
  struct Case {
    const char* stored;
    int expected;
  };
  const Case cases[] = {
      {"42", 42},   {" -7 ", -7},         {"+3", 3},
      {"0", 0},     {"abc", -99},         {"12abc", -99},
      {"3.5", -99}, {"0x10", -99},        {"", -99},
      {"+-3", -99}, {"99999999999", -99}, {"-2147483648", INT32_MIN},
      {"1 2", -99}, {"- 4", -99},
  };
  for (const Case& c : cases) {
    WriteText(path_, std::string("[s]\nk=") + c.stored + "\n");
    EXPECT_EQ(IniFile(path_).ReadInteger("s", "k", -99), c.expected) << "'" << c.stored << "'";
  }
}

TEST_F(IniFileTest, BooleansReadAsIntegerNotZeroAndWriteAsOneOrZero) {
  struct Case {
    const char* stored;
    bool def;
    bool expected;
  };
  for (const Case& c :
       {Case{"1", false, true}, Case{"0", true, false}, Case{"2", false, true},
        Case{"-1", false, true}, Case{"yes", false, false}, Case{"true", true, true}}) {
    WriteText(path_, std::string("[s]\nb=") + c.stored + "\n");
    EXPECT_EQ(IniFile(path_).ReadBool("s", "b", c.def), c.expected) << c.stored;
  }
  IniFile ini(path_);
  ASSERT_TRUE(ini.WriteBool("s", "on", true));
  ASSERT_TRUE(ini.WriteBool("s", "off", false));
  std::string text = ReadText(path_);
  EXPECT_NE(text.find("on=1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("off=0\n"), std::string::npos) << text;
}

TEST_F(IniFileTest, WriteCreatesMissingFileAndFolders) {
  std::string path = dir_ + "/a/b/c/settings.ini";
  IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("settings", "OutPutDir", "/home/u/out"));
  ASSERT_TRUE(ini.WriteInteger("settings", "volume", -12));
  EXPECT_EQ(ReadText(path), "[settings]\nOutPutDir=/home/u/out\nvolume=-12\n");
  EXPECT_EQ(ini.ReadInteger("settings", "volume", 0), -12);
}

TEST_F(IniFileTest, WriteKeepsOtherContentAndComments) {
  const std::string original =
      "; Vey settings\n"
      "\n"
      "[settings]\n"
      "; where converted files go\n"
      "SnapOutPutDir=/old\n"
      "volume=3\n"
      "\n"
      "[formatInfo2108]\n"
      "paraVideoSize=1280x720\n"
      "; closing remark\n"
      "# second remark\n";
  WriteText(path_, original);
  IniFile ini(path_);
  // Written twice and under another spelling: the existing key is updated.
  ASSERT_TRUE(ini.WriteString("settings", "snapOutPutDir", "/new"));
  ASSERT_TRUE(ini.WriteString("SETTINGS", "snapoutputdir", "/newer"));
  ASSERT_TRUE(ini.WriteInteger("lstformat", "4", 0));

  std::string text = ReadText(path_);
  for (const char* kept : {"; Vey settings", "; where converted files go", "paraVideoSize=1280x720",
                           "volume=3", "; closing remark", "# second remark", "[lstformat]"}) {
    EXPECT_EQ(Count(text, kept), 1u) << kept << " in\n" << text;
  }
  EXPECT_EQ(Count(text, "OutPutDir="), 1u) << text;
  EXPECT_NE(text.find("SnapOutPutDir=/newer"), std::string::npos) << text;
  EXPECT_EQ(ini.ReadString("settings", "SnapOutPutDir", ""), "/newer");
  EXPECT_EQ(ini.ReadString("formatInfo2108", "paraVideoSize", ""), "1280x720");
  // Comments stay where they belong: the section comment before its key.
  EXPECT_LT(text.find("; where converted files go"), text.find("SnapOutPutDir"));
}

TEST_F(IniFileTest, CommentOnlyFileKeepsAllItsComments) {
  WriteText(path_, "; first\n\n; second\n");
  IniFile ini(path_);
  ASSERT_TRUE(ini.WriteString("settings", "mute", "1"));
  ASSERT_TRUE(ini.WriteString("settings", "mute", "0"));
  std::string text = ReadText(path_);
  EXPECT_EQ(Count(text, "; first"), 1u) << text;
  EXPECT_EQ(Count(text, "; second"), 1u) << text;
  EXPECT_EQ(ini.ReadInteger("settings", "mute", 5), 0);
}

TEST_F(IniFileTest, ByteOrderMarkIsReadAndKept) {
  WriteText(path_, "\xEF\xBB\xBF[settings]\nFormatName=Caf\xC3\xA9\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("settings", "FormatName", ""), "Caf\xC3\xA9");
  ASSERT_TRUE(ini.WriteString("settings", "mute", "1"));
  std::string text = ReadText(path_);
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF[settings]", 0), 0u) << text;
  EXPECT_EQ(ini.ReadString("settings", "FormatName", ""), "Caf\xC3\xA9");
}

TEST_F(IniFileTest, WriteReplacesTheFileKeepingModeAndLinks) {
  WriteText(path_, "[s]\na=1\n");
  ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
  std::string link = dir_ + "/link.ini";
  fs::create_symlink(path_, link);
  IniFile ini(link);
  ASSERT_TRUE(ini.WriteString("s", "b", "2"));
  EXPECT_TRUE(fs::is_symlink(link)) << "the link itself must not be replaced";
  EXPECT_EQ(ReadText(path_), "[s]\na=1\nb=2\n");
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // No temporary file is left beside it.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(IniFileTest, FailedWritesReportFalseAndChangeNothing) {
  // A file in the way of the folder: neither folder nor file can be made.
  WriteText(dir_ + "/plain", "x");
  EXPECT_FALSE(IniFile(dir_ + "/plain/sub/s.ini").WriteString("s", "k", "v"));
  // The path is a folder: it cannot be read, so it must not be replaced.
  fs::create_directory(dir_ + "/folder.ini");
  EXPECT_FALSE(IniFile(dir_ + "/folder.ini").WriteString("s", "k", "v"));
  EXPECT_TRUE(fs::is_directory(dir_ + "/folder.ini"));

  // Texts that would change the file's structure are refused.
  WriteText(path_, "[s]\nk=1\n");
  IniFile ini(path_);
  EXPECT_FALSE(ini.WriteString("s", "k", "1\n[injected]\nx=1"));
  EXPECT_FALSE(ini.WriteString("s", "a=b", "1"));
  EXPECT_FALSE(ini.WriteString("s", "", "1"));
  EXPECT_FALSE(ini.WriteString("x]y", "k", "1"));
  EXPECT_FALSE(ini.WriteString("", "k", "1"));
  EXPECT_EQ(ReadText(path_), "[s]\nk=1\n");
}

TEST_F(IniFileTest, UnreadableFileIsNotOverwritten) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads files whatever their permission bits";
  WriteText(path_, "[s]\nkeep=1\n");
  ASSERT_EQ(chmod(path_.c_str(), 0200), 0);
  EXPECT_FALSE(IniFile(path_).WriteString("s", "k", "v"));
  chmod(path_.c_str(), 0600);
  EXPECT_EQ(ReadText(path_), "[s]\nkeep=1\n");
}

TEST_F(IniFileTest, DeleteKeyEraseSectionAndListingsInFileOrder) {
  WriteText(path_, "[zeta]\nz=1\ny=2\nx=3\n[alpha]\nb=1\n[mid]\nm=1\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"zeta", "alpha", "mid"}));
  EXPECT_EQ(ini.ReadSectionKeys("ZETA"), (std::vector<std::string>{"z", "y", "x"}));
  EXPECT_TRUE(ini.ReadSectionKeys("none").empty());

  ASSERT_TRUE(ini.DeleteKey("zeta", "Y"));
  ASSERT_TRUE(ini.EraseSection("ALPHA"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"zeta", "mid"}));
  EXPECT_EQ(ini.ReadSectionKeys("zeta"), (std::vector<std::string>{"z", "x"}));
  // Deleting what is not there succeeds and creates no file.
  IniFile absent(dir_ + "/absent.ini");
  EXPECT_TRUE(absent.DeleteKey("s", "k"));
  EXPECT_FALSE(fs::exists(absent.Path()));
}

TEST_F(IniFileTest, ConcurrentWritesFromThreadsAreAllKept) {
  constexpr int kThreads = 4, kKeys = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      IniFile ini(path_);
      for (int k = 0; k < kKeys; ++k) {
        ini.WriteInteger("s", "t" + std::to_string(t) + "k" + std::to_string(k), k);
      }
    });
  }
  for (auto& th : threads) th.join();
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadSectionKeys("s").size(), static_cast<size_t>(kThreads * kKeys));
  EXPECT_EQ(ini.ReadInteger("s", "t3k24", -1), 24);
}

}  // namespace

namespace {

// A read scope parses once: a change made behind its back is not seen until
// the scope ends, while a write through the same object is seen at once.
TEST(IniFileReadScopeTest, ParsesOnceAndSeesItsOwnWrites) {
  const std::string dir = testsupport::TempFolder("ini-scope");
  const std::string path = dir + "/a.ini";
  platform::IniFile ini(path);
  ASSERT_TRUE(ini.WriteString("s", "k", "one"));
  {
    platform::IniFile::ReadScope scope(ini);
    platform::IniFile other(path);
    ASSERT_TRUE(other.WriteString("s", "k", "two"));  // behind the scope's back
    EXPECT_EQ(ini.ReadString("s", "k", ""), "one");
    {
      platform::IniFile::ReadScope inner(ini);  // nested: still the outer parse
      EXPECT_EQ(ini.ReadString("s", "k", ""), "one");
    }
    EXPECT_EQ(ini.ReadString("s", "k", ""), "one");
    ASSERT_TRUE(ini.WriteInteger("s", "n", 7));  // through the object: refreshed
    EXPECT_EQ(ini.ReadInteger("s", "n", 0), 7);
    EXPECT_EQ(ini.ReadString("s", "k", ""), "two");
  }
  platform::IniFile other(path);
  ASSERT_TRUE(other.WriteString("s", "k", "three"));
  EXPECT_EQ(ini.ReadString("s", "k", ""), "three");  // no scope: every read parses
}

}  // namespace
