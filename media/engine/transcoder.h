// One conversion task of the transcoding engine: its option state, its
// input and output files, and the run that turns the inputs into the
// outputs (TCustomTranscoder::Transcode).
//
// Life of a task: options are applied (ApplyOption) and files opened
// (OpenInput for every input, then OpenOutput for every output, the options
// of each file applied before it) on the caller's thread; then Transcode
// runs the whole conversion on one thread, which may be another one. Stop
// and pause requests, and the preview flags, may come from any thread.
//
// Events are plain std::function members, called on the transcoding
// thread; the converter component sets them and dispatches further.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/binding/media_component.h"
#include "media/binding/option_store.h"
#include "media/engine/converter_options.h"
#include "media/engine/option_state.h"

namespace media {

struct TTranscodeFiles;  // inputs, outputs and their streams (transcode_records.h)

class TCustomTranscoder : public TOptionHost, public TMediaComponent {
 public:
  TCustomTranscoder();
  ~TCustomTranscoder() override;

  TOptionState& State() { return state_; }
  OptionStore& Store() { return store_; }

  // Applies one option to the task (media::ApplyOption with this task as
  // host); raises EngineException with the option's text.
  void ApplyOption(const std::string& name, const std::string& value);

  // Opens an input file with the current options. False leaves the reason
  // in ErrorText(); configuration errors raise EngineException.
  bool OpenInput(const std::string& fileName);
  // Creates an output file and its streams; the new number of output
  // files, or -1 with the reason in ErrorText(). Some errors raise.
  int OpenOutput(const std::string& fileName, bool join);
  // Add a stream to output file `file`; raise EngineException on failure.
  void NewVideoStream(int file);
  void NewAudioStream(int file);
  void NewSubtitleStream(int file);

  // Runs the conversion to its end (end of input, a limit or a stop
  // request). Raises EngineException on a set-up or processing error; the
  // outputs still get their trailers where they can.
  void Transcode();

  void RequestStop();
  bool StopRequested() const { return stop_.load(); }
  // The pause gate: while paused the transcoding thread waits before the
  // next packet and between written frames. A stop request opens it.
  void SetPaused(bool paused);
  bool Paused() const;

  bool Finished() const { return finished_; }
  const std::string& ErrorText() const { return errorText_; }
  int64_t TotalDuration() const { return totalDuration_; }
  int InputFileCount() const;
  int DecodedFrameCount() const { return frameNumber_; }

  // Frames are offered to OnCustomHook when set (output option CustomHook).
  std::atomic<bool> CustomHook{false};
  // Encoded pictures are offered to OnPreviewBitmap, at most every 100 ms.
  std::atomic<bool> PreviewBitmap{false};
  // Least time between two interim progress reports, milliseconds.
  int ProgressIntervalMs = 500;
  int TaskIndex = 0;

  std::function<void(TProgressInfo&)> OnProgress;
  std::function<void(THookInfo&)> OnCustomHook;
  std::function<void(const TPreviewInfo&)> OnPreviewBitmap;

  // TOptionHost
  int OutputFileCount() const override;
  void NewStream(AVMediaType type) override;
  int AddFrameHook(const std::vector<std::string>& arguments) override;
  std::vector<AVRational> InputVideoTimeBases() const override;
  void SetTotalDuration(int64_t microseconds) override { totalDuration_ = microseconds; }

  // Used by the transcode loop: blocks while paused (returns at once when
  // a stop was requested).
  void WaitWhilePaused();
  void SetErrorText(const std::string& text) { errorText_ = text; }
  void SetFinished(bool finished) { finished_ = finished; }
  TTranscodeFiles& Files() { return *files_; }
  int& FrameNumber() { return frameNumber_; }

 private:
  TOptionState state_;
  OptionStore store_;
  std::unique_ptr<TTranscodeFiles> files_;
  std::string errorText_;
  int64_t totalDuration_ = -1;
  int frameNumber_ = 0;
  bool finished_ = false;
  std::atomic<bool> stop_{false};
  mutable std::mutex pauseMutex_;
  std::condition_variable pauseChanged_;
  bool paused_ = false;
};

}  // namespace media
