// The probe's three plain records. Times are microseconds (-1 when unknown)
// unless named Stream..., which are in the stream's own time base. Every
// number starts at -1 and every text empty, so a failed fill leaves that.
#pragma once

#include <cstdint>
#include <string>

namespace media {

struct TFileStreamInfo {
  int64_t StartTime = -1;
  int64_t Duration = -1;
  int32_t BitRate = -1;
  int64_t TimeStamp = -1;  // creation time, seconds since 1970-01-01
  int32_t Year = -1;
  int32_t Track = -1;
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

struct TAudioStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StreamStartTime = -1;
  int64_t StartTime = -1;
  int64_t StreamDuration = -1;
  int64_t Duration = -1;
  int32_t BitRate = -1;
  int32_t Channels = -1;
  int32_t SampleRate = -1;
  int32_t SampleFormat = -1;
};

struct TVideoStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StreamStartTime = -1;
  int64_t StartTime = -1;
  int64_t StreamDuration = -1;
  int64_t Duration = -1;
  int32_t BitRate = -1;
  int32_t Height = -1;
  int32_t Width = -1;
  float DisplayAspectRatio = -1.0f;
  int32_t PixelFormat = -1;
  int32_t FrameRateNum = -1;
  int32_t FrameRateDen = -1;
};

}  // namespace media
