#include "media/binding/process_helpers.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace media {
namespace {

constexpr int kUnixDateDelta = 25569;  // days from 1899-12-30 to 1970-01-01
constexpr int64_t kMsPerDay = 86400000;

std::string Number(int64_t value, int digits) {
  std::string text = std::to_string(value);
  if (text.size() < static_cast<size_t>(digits)) text.insert(0, digits - text.size(), '0');
  return text;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

int64_t FileSizeOnDisk(const std::string& fileName) {
  if (fileName.empty()) return -1;
  std::error_code ec;
  const auto status = std::filesystem::status(fileName, ec);
  if (ec || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) return -1;
  const auto size = std::filesystem::file_size(fileName, ec);
  if (ec) return -1;
  return static_cast<int64_t>(size);
}

void SplitAtSeparator(std::string& text, std::string_view separator, bool remove,
                      std::string& part) {
  // An empty separator counts as not found: otherwise a caller that splits
  // until the text is empty would never finish.
  const size_t pos = separator.empty() ? std::string::npos : text.find(separator);
  if (pos == std::string::npos) {
    part = text;
    if (remove) text.clear();
    return;
  }
  part = text.substr(0, pos);
  if (remove) text.erase(0, pos + separator.size());
}

TDateTime UnixToLocalDateTime(int64_t seconds) {
  // After tzset, `timezone` holds the local zone's standard time in seconds
  // west of UTC, whatever the date (no daylight saving).
  tzset();
  const long offsetMinutes = -timezone / 60;
  return static_cast<double>(seconds) / 86400.0 + kUnixDateDelta +
         static_cast<double>(offsetMinutes) / 1440.0;
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  using namespace std::chrono;
  // The whole days count from 1899-12-30, the fraction (without its sign)
  // is the time of day, rounded to milliseconds.
  int64_t day = static_cast<int64_t>(std::trunc(value));
  int64_t ms = static_cast<int64_t>(
      std::nearbyint(std::fabs(value - std::trunc(value)) * static_cast<double>(kMsPerDay)));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    day += value < 0 ? -1 : 1;
  }
  const year_month_day date{sys_days{days{day - kUnixDateDelta}}};
  const int64_t year = static_cast<int>(date.year());
  const int64_t month = static_cast<unsigned>(date.month());
  const int64_t dayOfMonth = static_cast<unsigned>(date.day());
  const int64_t hour = ms / 3600000, minute = ms / 60000 % 60, second = ms / 1000 % 60,
                milli = ms % 1000;

  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    const char c = Lower(pattern[i]);
    size_t run = 1;
    while (i + run < pattern.size() && Lower(pattern[i + run]) == c) ++run;
    switch (c) {
      case 'y':
        if (run >= 4) {
          out += Number(year, 4);
          run = 4;
        } else {
          out += Number(year % 100, 2);
        }
        break;
      case 'z':
        if (run >= 3) {
          out += Number(milli, 3);
          run = 3;
        } else {
          out += Number(milli, 1);
          run = 1;
        }
        break;
      case 'm':
      case 'd':
      case 'h':
      case 'n':
      case 's': {
        const int64_t v = c == 'm'   ? month
                          : c == 'd' ? dayOfMonth
                          : c == 'h' ? hour
                          : c == 'n' ? minute
                                     : second;
        run = run >= 2 ? 2 : 1;
        out += Number(v, static_cast<int>(run));
        break;
      }
      default:
        out.append(pattern.substr(i, run));
        break;
    }
    i += run;
  }
  return out;
}

}  // namespace media
