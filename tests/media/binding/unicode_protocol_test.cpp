// Names for the libraries and our own I/O context for names the locale's
// character set cannot hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

#include "media/binding/entry_table.h"
#include "media/binding/unicode_protocol.h"
#include "tests/support/fixtures.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;

class LocaleScope {
 public:
  explicit LocaleScope(const char* name) { std::setlocale(LC_ALL, name); }
  ~LocaleScope() { std::setlocale(LC_ALL, "C"); }
};

TEST(UnicodeNameTest, DecidesByLocaleAndKnownSchemes) {
  const struct {
    const char* name;
    bool inC;      // C locale (ASCII only)
    bool inUtf8;  // UTF-8 locale
  } cases[] = {
      {"/home/user/clip.avi", false, false},
      {"/home/user/d\xc3\xa9j\xc3\xa0 vu.avi", true, false},
      {"http://host/\xc3\xa9.mp4", false, false},  // known scheme: passed unchanged
      {"udp://239.0.0.1:1234", false, false},
      {"HTTP://host/a.mp4", false, false},         // not a known scheme, but plain ASCII
      {"HTTP://host/\xc3\xa9.mp4", true, false},   // upper case is no known scheme
      {"c:/videos/a.avi", false, false},
      {"c:/videos/\xe6\x97\xa5.avi", true, false},
  };
  {
    LocaleScope c("C");
    for (const auto& t : cases) EXPECT_EQ(NeedsUnicodeName(t.name), t.inC) << t.name;
  }
  {
    LocaleScope utf8("C.UTF-8");
    for (const auto& t : cases) EXPECT_EQ(NeedsUnicodeName(t.name), t.inUtf8) << t.name;
  }
}

TEST(UnicodeNameTest, ConvertsThereAndBack) {
  LocaleScope c("C");
  const std::string wide = "/tmp/\xc3\xa9t\xc3\xa9.wav";
  EXPECT_EQ(ToLibraryFileName(wide), "unicode:utf8:" + wide);
  EXPECT_EQ(ToLibraryFileName("/tmp/plain.wav"), "/tmp/plain.wav");
  EXPECT_EQ(FromLibraryFileName("unicode:utf8:" + wide), wide);
  EXPECT_EQ(FromLibraryFileName("unicode:utf8:"), "unicode:utf8:");  // the prefix alone stays
  EXPECT_EQ(FromLibraryFileName("/tmp/plain.wav"), "/tmp/plain.wav");
}

TEST(UnicodeNameTest, RefusesNamesThatDoNotFitTheBuffer) {
  LocaleScope c("C");
  EXPECT_EQ(ToLibraryFileName(std::string(2047, 'a')).size(), 2047u);
  EXPECT_THROW(ToLibraryFileName(std::string(2048, 'a')), FileNameTooLong);
  // The prefix counts: 2,034 bytes plus 13 fit, one more does not.
  std::string name = "\xc3\xa9" + std::string(2032, 'a');
  EXPECT_EQ(ToLibraryFileName(name).size(), 2047u);
  EXPECT_THROW(ToLibraryFileName(name + "a"), FileNameTooLong);
}

class UnicodeIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::LoadRealLibraries();
    std::setlocale(LC_ALL, "C");
    dir = testsupport::TempFolder("unicode-io");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string dir;
};

TEST_F(UnicodeIoTest, WriteOpenReplacesAnExistingFile) {
  const std::string path = dir + "/\xc3\xbc" "ber.bin";
  { std::ofstream(path) << "an older and much longer content"; }
  AVIOContext* io = nullptr;
  ASSERT_EQ(OpenLibraryIo(&io, ToLibraryFileName(path), AVIO_FLAG_WRITE), 0);
  lib::avio_write(io, reinterpret_cast<const unsigned char*>("new"), 3);
  CloseLibraryIo(&io);
  EXPECT_EQ(io, nullptr);
  std::ifstream in(path);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "new");
}

TEST_F(UnicodeIoTest, MissingFileFailsWithNoSuchFile) {
  AVIOContext* io = nullptr;
  EXPECT_EQ(OpenLibraryIo(&io, ToLibraryFileName(dir + "/\xc3\xa9-missing"), AVIO_FLAG_READ),
            AVERROR(ENOENT));
  EXPECT_EQ(io, nullptr);
}

TEST_F(UnicodeIoTest, SizeAndSeekBeyondFourGigabytes) {
  const std::string path = dir + "/gr\xc3\xb6\xc3\x9f.bin";
  const int64_t size = (int64_t{5} << 30) + 7;
  {
    std::ofstream(path).close();
    ASSERT_EQ(truncate(path.c_str(), size), 0);  // sparse: no real disk use
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(size - 3);
    f.write("xyz", 3);
  }
  AVIOContext* io = nullptr;
  ASSERT_EQ(OpenLibraryIo(&io, ToLibraryFileName(path), AVIO_FLAG_READ), 0);
  EXPECT_EQ(lib::avio_size(io), size);
  EXPECT_EQ(lib::avio_seek(io, size - 3, SEEK_SET), size - 3);
  unsigned char tail[8] = {};
  EXPECT_EQ(lib::avio_read(io, tail, 8), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(tail), 3), "xyz");
  CloseLibraryIo(&io);
}

TEST_F(UnicodeIoTest, OpensMediaThroughThePrefix) {
  const std::string source = testsupport::Fixture(
      "tone-1s.wav", {"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac", "1"});
  const std::string path = dir + "/\xe6\x97\xa5\xe6\x9c\xac.wav";
  std::filesystem::copy_file(source, path);
  const std::string name = ToLibraryFileName(path);
  ASSERT_EQ(name.rfind("unicode:utf8:", 0), 0u);
  AVFormatContext* ctx = nullptr;
  ASSERT_EQ(OpenLibraryInput(&ctx, name, nullptr, nullptr), 0);
  ASSERT_GE(lib::avformat_find_stream_info(ctx, nullptr), 0);
  EXPECT_EQ(FromLibraryFileName(ctx->url), path);
  EXPECT_STREQ(ctx->iformat->name, "wav");
  EXPECT_EQ(ctx->nb_streams, 1u);
  EXPECT_NEAR(static_cast<double>(ctx->duration) / AV_TIME_BASE, 1.0, 0.05);
  CloseLibraryInput(&ctx);
  EXPECT_EQ(ctx, nullptr);
}

}  // namespace
