// The media probe: opens a file (or describes an input opened elsewhere)
// and reports its container and stream parameters as records and as text.
//
// A probe belongs to the thread that uses it. Queries without an open file
// give empty or -1 results and report "file not loaded."; every reported
// error goes to the engine log and into LastErrMsg.
#pragma once

#include <cstdint>
#include <string>

#include "media/binding/media_component.h"
#include "media/probe/probe_records.h"

struct AVFormatContext;

namespace media {

class TCustomAVProbe : public TMediaComponent {
 public:
  TCustomAVProbe();
  ~TCustomAVProbe() override;
  TCustomAVProbe(const TCustomAVProbe&) = delete;
  TCustomAVProbe& operator=(const TCustomAVProbe&) = delete;

  // Opens and reads the file (forcedFormat empty: detect the container).
  // Raises std::runtime_error when a needed library is not loaded.
  bool LoadFile(const std::string& fileName, const std::string& forcedFormat = "");
  virtual void CloseFile();
  // Describes a context opened by someone else; it is never closed here.
  virtual void AttachFormatContext(AVFormatContext* context);

  void GetFileStreamInfo(TFileStreamInfo& info);
  // index < 0: the first stream of the kind.
  void GetAudioStreamInfo(int index, TAudioStreamInfo& info);
  void GetVideoStreamInfo(int index, TVideoStreamInfo& info);
  std::string GetInfoText();
  std::string GetFileName();
  std::string GetFormatName();
  bool IsAudioStream(int index);
  bool IsVideoStream(int index);

  int64_t FileSize() const { return fileSize_; }
  int StreamCount() const { return streamCount_; }
  int ProgramCount() const { return programCount_; }
  int AudioStreamCount() const { return audioStreamCount_; }
  int VideoStreamCount() const { return videoStreamCount_; }
  int SubtitleStreamCount() const { return subtitleStreamCount_; }
  int FirstAudioStream() const { return firstAudioStream_; }
  int FirstVideoStream() const { return firstVideoStream_; }
  int FirstSubtitleStream() const { return firstSubtitleStream_; }
  const std::string& LastErrMsg() const { return lastErrMsg_; }
  const std::string& ForcedFormat() const { return forcedFormat_; }
  AVFormatContext* FormatContext() const { return context_; }

  // Raises std::runtime_error naming the first missing library.
  static void CheckLibraries();

 protected:
  virtual void CollectInfo();
  // level: library log level (24 warning, 16 error).
  void ReportError(int level, const std::string& message);

 private:
  bool RequireFile();
  bool IsStreamOfKind(int index, int kind);
  // The stream at index when it is valid and of the kind; reports otherwise.
  bool CheckStream(int& index, int kind, int first, const char* noneText, const char* notText);

  AVFormatContext* context_ = nullptr;
  bool ownsContext_ = false;
  std::string lastErrMsg_;
  std::string forcedFormat_;
  int64_t fileSize_ = -1;
  int streamCount_ = -1;
  int programCount_ = -1;
  int audioStreamCount_ = -1;
  int videoStreamCount_ = -1;
  int subtitleStreamCount_ = -1;
  int firstAudioStream_ = -1;
  int firstVideoStream_ = -1;
  int firstSubtitleStream_ = -1;
};

// The probe the application uses: adds the main stream (first video, else
// first audio) and its start time.
class TAVProbe : public TCustomAVProbe {
 public:
  TAVProbe();
  ~TAVProbe() override;
  void CloseFile() override;
  int MainStream() const { return mainStream_; }
  int64_t MainStartTime() const { return mainStartTime_; }

 protected:
  void CollectInfo() override;

 private:
  int mainStream_ = -1;
  int64_t mainStartTime_ = -1;
};

}  // namespace media
