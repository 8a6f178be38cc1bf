// Process helpers shared by the engine, the probe and the player: file
// sizes, splitting texts, local date-times. Calling into the main thread and
// pumping its queue are the platform dispatcher's (re-exported here).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/main_thread.h"

namespace media {

using platform::CallInMainThread;
using platform::ProcessPendingMessages;

// The size of an existing file (64-bit); -1 for a missing name, a folder or
// an entry whose size cannot be read.
int64_t FileSizeOnDisk(const std::string& fileName);

// Part = text before the first separator (all of it when there is none or
// the separator is empty); with remove, text keeps what follows the
// separator (nothing when there was none).
void SplitAtSeparator(std::string& text, std::string_view separator, bool remove,
                      std::string& part);

// A date-time value: days since 1899-12-30, the fraction is the time of day.
using TDateTime = double;

// Seconds since 1970-01-01 UTC as a local date-time, shifted by the local
// zone's standard-time offset (daylight saving is not applied).
TDateTime UnixToLocalDateTime(int64_t seconds);

// Formats a date-time with a pattern: yyyy, yy, mm, m (month), dd, d, hh, h,
// nn, n (minutes), ss, s, zzz (milliseconds), case-insensitive; any other
// character is copied. "yyyy-mm-dd hh:nn:ss" -> "2001-09-09 01:46:40".
std::string FormatDateTime(std::string_view pattern, TDateTime value);

}  // namespace media
