// Process helpers: file sizes on disk, splitting at a separator, local
// date-times from Unix seconds and their formatting.
#include "media/binding/process_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "tests/support/fixtures.h"

namespace {

using namespace media;

TEST(FileSizeOnDiskTest, SizesOfFilesAndMinusOneOtherwise) {
  const std::string folder = testsupport::TempFolder("file_size");
  std::ofstream(folder + "/five.bin", std::ios::binary) << "12345";
  std::ofstream(folder + "/empty.bin", std::ios::binary);
  // A sparse file beyond 4 GiB needs no disk space.
  const int64_t big = (int64_t{5} << 30) + 7;
  std::ofstream(folder + "/big.bin", std::ios::binary);
  std::filesystem::resize_file(folder + "/big.bin", static_cast<uintmax_t>(big));
  std::filesystem::create_directory(folder + "/sub");

  const struct {
    std::string name;
    int64_t size;
  } cases[] = {{folder + "/five.bin", 5},
               {folder + "/empty.bin", 0},
               {folder + "/big.bin", big},
               {folder + "/missing.bin", -1},
               {folder + "/sub", -1},
               {folder, -1},
               {"", -1}};
  for (const auto& c : cases) EXPECT_EQ(FileSizeOnDisk(c.name), c.size) << c.name;
}

TEST(SplitAtSeparatorTest, SplitsAtTheFirstSeparator) {
  const struct {
    const char* text;
    const char* separator;
    bool remove;
    const char* part;
    const char* rest;
  } cases[] = {
      {"a=b=c", "=", true, "a", "b=c"},
      {"a=b=c", "=", false, "a", "a=b=c"},
      {"key::value", "::", true, "key", "value"},
      {"=x", "=", true, "", "x"},
      {"x=", "=", true, "x", ""},
      {"no separator", ",", true, "no separator", ""},
      {"no separator", ",", false, "no separator", "no separator"},
      {"", ",", true, "", ""},
      {"text", "", true, "text", ""},  // an empty separator is never found
  };
  for (const auto& c : cases) {
    std::string text = c.text, part = "old";
    SplitAtSeparator(text, c.separator, c.remove, part);
    EXPECT_EQ(part, c.part) << c.text << " / " << c.separator;
    EXPECT_EQ(text, c.rest) << c.text << " / " << c.separator;
  }
}

class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZoneScope() {
    unsetenv("TZ");
    tzset();
  }
};

TEST(UnixToLocalDateTimeTest, AddsTheStandardOffsetWithoutDaylightSaving) {
  {
    TimeZoneScope utc("UTC0");
    EXPECT_DOUBLE_EQ(UnixToLocalDateTime(0), 25569.0);
    EXPECT_DOUBLE_EQ(UnixToLocalDateTime(86400 + 43200), 25570.5);
    EXPECT_DOUBLE_EQ(UnixToLocalDateTime(-86400), 25568.0);
  }
  const struct {
    const char* tz;
    int64_t seconds;
    const char* text;
  } cases[] = {
      {"UTC0", 0, "1970-01-01 00:00:00"},
      {"UTC0", 1000000000, "2001-09-09 01:46:40"},
      // Central Europe: +1 h in winter and, without daylight saving, in summer.
      {"CET-1CEST,M3.5.0,M10.5.0/3", 978307200, "2001-01-01 01:00:00"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1000000000, "2001-09-09 02:46:40"},
      {"EST5EDT,M3.2.0,M11.1.0", 1000000000, "2001-09-08 20:46:40"},
      {"<+0530>-5:30", 0, "1970-01-01 05:30:00"},
      {"UTC0", 4102444799, "2099-12-31 23:59:59"},
  };
  for (const auto& c : cases) {
    TimeZoneScope zone(c.tz);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", UnixToLocalDateTime(c.seconds)), c.text)
        << c.tz << " " << c.seconds;
  }
}

TEST(FormatDateTimeTest, Patterns) {
  // 2001-09-09 01:46:40.123 and 1899-12-30 00:00:00.
  const double moment = 37143.0 + (1 * 3600 + 46 * 60 + 40.123) / 86400.0;
  const struct {
    const char* pattern;
    double value;
    const char* text;
  } cases[] = {
      {"yyyy-mm-dd hh:nn:ss", moment, "2001-09-09 01:46:40"},
      {"YYYY-MM-DD HH:NN:SS.ZZZ", moment, "2001-09-09 01:46:40.123"},
      {"yy/m/d h:n:s z", moment, "01/9/9 1:46:40 123"},
      {"dd.mm.yyyy", 0.0, "30.12.1899"},
      {"[hh:nn]", 0.75, "[18:00]"},
      // Rounding to the millisecond carries into the next day.
      {"yyyy-mm-dd hh:nn:ss", 25569.0 - 1e-10, "1970-01-01 00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, c.value), c.text) << c.pattern;
}

}  // namespace
