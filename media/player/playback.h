// The playback pipeline behind the player component: one TPlayback per
// opened file.
//
// How the threads meet
// --------------------
// Every stage talks to queues, never to its neighbours:
//
//   read thread --packets--> audio queue    --> SDL audio callback --> device
//               --packets--> video queue    --> video decode thread
//                                                 --pictures--> picture queue
//               --packets--> subtitle queue --> subtitle thread
//                                                 --subtitles--> subtitle queue
//   refresh thread --RefreshEvent--> event loop (the player's play thread):
//       takes due pictures (and subtitles) off their queues and draws them
//       through the video surface; draws the waveform for files without video.
//
// - The read thread owns the format context. It demultiplexes into the three
//   packet queues while any of them is short (and all together stay under
//   15 MiB), carries out seek requests (flushing the queues and putting a
//   flush marker into each, which makes every consumer flush its decoder),
//   pauses the input, and at the end of the input feeds the video decoder
//   empty packets so that it gives out its delayed pictures.
// - The video decode thread owns the video decoder and a small filter graph
//   (buffer -> buffersink, planar 4:2:0 out). Each kept picture is copied
//   into the write slot of the two-slot picture queue, where the frame hook
//   may paint into it, and gets its target display time. It waits on the
//   picture queue's condition while both slots are full, and asks the event
//   loop (AllocEvent) for a slot of a new size, since the surface belongs to
//   the event loop.
// - The SDL audio callback pulls audio packets without ever waiting: an
//   empty queue gives 1,024 bytes of silence. It decodes, converts to 16-bit
//   interleaved with libswresample, mixes at the volume and advances the
//   audio clock, which is the master clock the pictures follow.
// - The refresh thread only posts RefreshEvent (one at a time). The event
//   loop then shows the picture whose target time has come, drops pictures
//   that are late, and reports the position to the player.
//
// Shared state is small and each piece says what guards it below. Lock
// order: the player's report lock, then pictureMutex_, then audioMutex_ or
// a packet queue's own lock; subtitleMutex_, seekMutex_ and displayMutex_
// are taken alone. No lock is held while joining another thread.
// Every thread ends when the abort flag is set and its queue is aborted;
// Close() sets both and joins them, serving main-thread calls meanwhile when
// it runs on the main thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "media/binding/engine_log.h"
#include "media/player/clocks.h"
#include "media/player/frame_timing.h"
#include "media/player/packet_queue.h"
#include "media/player/video_surface.h"
#include "media/player/waveform.h"
#include "platform/event.h"

struct AVCodecContext;
struct AVFilterContext;
struct AVFilterGraph;
struct AVFormatContext;
struct AVFrame;
struct AVStream;
struct AVSubtitle;
struct SwrContext;

namespace media {

class TPlayback;

// What the pipeline needs from the player. Called on pipeline threads.
class TPlaybackHost {
 public:
  virtual ~TPlaybackHost() = default;
  // A message for the engine log, with the player as sender.
  virtual void PipelineLog(TLogLevel level, const std::string& text) = 0;
  // The reason an opening failed (the player's LastErrMsg; not logged).
  virtual void PipelineError(const std::string& text) = 0;
  // Position and end reporting (decode and event-loop threads).
  virtual void PipelinePosition(TPlayback& playback) = 0;
  // Whether StepNextFrame asked for one more picture (decode thread).
  virtual bool PipelineStepping() = 0;
  // The frame hook: paints into the planar 4:2:0 picture in place (decode
  // thread). Returns at once when no hook is wanted.
  virtual void PipelineHook(AVFrame* picture, int64_t ptsMicroseconds) = 0;
  // Posts one of the player's event-loop events; false when it could not.
  virtual bool PipelinePost(int event) = 0;
  // The probe follows the open file (read thread; null on closing).
  virtual void PipelineAttach(AVFormatContext* context) = 0;
};

// Player properties the pipeline reads while it runs; any thread may change
// them.
struct TPlaybackControls {
  std::atomic<int> Volume{128};
  std::atomic<bool> Mute{false};
  std::atomic<float> AspectRatio{0.0f};
  std::atomic<int> ScreenWidth{0};
  std::atomic<int> ScreenHeight{0};
};

// Fixed for one file.
struct TPlaybackOptions {
  std::string FileName;
  int FrameWidth = 0;  // size hint for raw inputs
  int FrameHeight = 0;
  bool DisableAudio = false;
  bool DisableVideo = false;
  bool DisableDisplay = false;
  TVideoSurface* Surface = nullptr;  // drawn from the event loop only
};

// The player's event-loop events the pipeline posts.
enum TPlaybackEvent : int { pvAlloc, pvRefresh };

class TPlayback {
 public:
  static constexpr int64_t kMaxQueueBytes = 15 * 1024 * 1024;
  static constexpr int64_t kMinAudioQueueBytes = 327680;
  static constexpr int kMinPacketCount = 5;
  static constexpr int kAudioBlock = 1024;  // bytes of silence on an empty queue

  TPlayback(TPlaybackHost& host, TPlaybackControls& controls, TPlaybackOptions options);
  ~TPlayback();
  TPlayback(const TPlayback&) = delete;
  TPlayback& operator=(const TPlayback&) = delete;

  // Starts the read thread and waits until the file is open or failed,
  // serving main-thread calls meanwhile. On failure the host got the reason
  // and everything is closed again.
  bool Open();
  // Stops and joins every thread and frees everything; later calls do
  // nothing. Any thread but the pipeline's own.
  void Close();
  bool Closed() const { return closed_.load(); }

  // --- event-loop thread -------------------------------------------------
  // 0, or -1 when the surface cannot be opened.
  int OpenSurface(bool force);
  // Shows what is on screen again (the waveform, or the last picture).
  void Redraw();
  // Gives the write slot of the picture queue a buffer of the wanted size.
  void AllocatePicture();
  // advance: RefreshEvent (shows due pictures); otherwise only redraws.
  void Refresh(bool advance);
  void RefreshDone() { refreshPending_.store(false); }
  // The drawing area changed size (the surface is reopened at that size).
  void Resized(int width, int height);

  // --- any thread ---------------------------------------------------------
  void TogglePause();
  bool Paused() const { return paused_.load(); }
  // Ignored while another seek is pending. flags: 1 backward, 2 byte, 4 any.
  void RequestSeek(int64_t target, int64_t rel, int flags);
  platform::Event& SeekDone() { return seekDone_; }
  platform::Event& FrameReady() { return frameReady_; }

  // Stream facts, fixed once Open returned true.
  bool HasVideo() const { return videoStream_ >= 0; }
  bool HasAudio() const { return audioStream_ >= 0; }
  bool ImageSequence() const { return imageSequence_; }
  bool CaptureDevice() const { return captureDevice_; }
  int64_t StartTime() const { return startTime_; }          // microseconds, 0 unknown
  int64_t Duration() const { return duration_; }            // microseconds, -1 unknown
  int64_t AudioDuration() const { return audioDuration_; }  // microseconds, -1 unknown
  int CodecWidth() const { return codecWidth_; }
  int CodecHeight() const { return codecHeight_; }
  AVFormatContext* FormatContext() const { return format_; }

  // End of input: all queues ran empty after the end of the file.
  bool Drained() const { return drained_.load(); }
  bool EndSignalled() const { return endSignalled_.load(); }
  void SetEndSignalled(bool value) { endSignalled_.store(value); }
  bool InRead() const { return inRead_.load(); }

  double AudioClock() const;
  double VideoClock() const;
  double MasterClock() const;

  // The picture on screen as planar 4:2:0 (a new reference, null when none
  // was shown yet), with its time stamp in seconds.
  AVFrame* DisplayedPicture(double& pts) const;

  int FramesShown() const { return framesShown_.load(); }
  int FramesDropped() const { return framesDropped_.load(); }

 private:
  struct PictureSlot {
    AVFrame* Frame = nullptr;  // owned buffer (planar 4:2:0), event loop allocates
    double Pts = 0;
    double Target = 0;
    int64_t Pos = -1;
    int Width = 0;
    int Height = 0;
    bool Allocated = false;
  };
  struct SubtitleEntry {
    double Pts = 0;
    AVSubtitle* Sub = nullptr;  // owned
  };

  static int InterruptCallback(void* opaque);
  static void AudioCallback(void* opaque, uint8_t* stream, int length);
  double Now() const;
  bool OnMainThread() const;

  // read thread (playback_read.cpp)
  void ReadThread();
  bool OpenInput();
  int OpenStream(int index);
  void CloseStream(int index);
  void ReadLoop();
  void CarryOutSeek();
  void FinishOpening(int state);

  // audio (playback_audio.cpp), SDL's audio thread
  void FillAudio(uint8_t* stream, int length);
  int DecodeAudio(double& pts);  // bytes or -1; pts: the data's time stamp when known
  int ConvertAudio(AVFrame* frame);

  // video (playback_video.cpp), video decode thread
  void VideoThread();
  int GetPicture(AVFrame* picture);
  bool ConfigureFilters(const AVFrame* decoded);
  void FlushVideo();
  int OutputPicture(AVFrame* picture, double pts, int64_t pos);
  int QueuePicture(AVFrame* picture, double pts, int64_t pos);

  // subtitles (playback_subtitle.cpp), subtitle thread
  void SubtitleThread();
  void FreeSubtitles();  // with subtitleMutex_ held

  // event loop (playback_display.cpp)
  void ShowPicture();
  void DrawWave();
  void BlendSubtitles(AVFrame* picture, double pts);
  void ExpireSubtitles(double pts);

  double VideoClockLocked() const;  // with pictureMutex_ held
  void JoinServing(std::thread& thread, platform::Event& done);
  void CloseAudioGate();
  // The pause half of TogglePause (a step ends in a pause, never a resume).
  void PauseForStep();
  // Hands the messages the audio callback kept to the engine log.
  void FlushAudioLog();

  TPlaybackHost& host_;
  TPlaybackControls& controls_;
  const TPlaybackOptions options_;

  // --- life cycle -----------------------------------------------------------
  std::atomic<bool> abort_{false};
  std::atomic<bool> closed_{false};
  std::atomic<int> openState_{0};  // 0 opening, 1 opened, -1 failed
  std::thread readThread_, refreshThread_, videoThread_, subtitleThread_;
  platform::Event readDone_, refreshDone_;
  std::mutex closeMutex_;  // serialises Close

  // --- written by the read thread before openState_ becomes 1, then fixed --
  AVFormatContext* format_ = nullptr;  // read thread
  int audioStream_ = -1, videoStream_ = -1, subtitleStream_ = -1;
  AVStream* audioSt_ = nullptr;
  AVStream* videoSt_ = nullptr;
  AVStream* subtitleSt_ = nullptr;
  bool imageSequence_ = false;
  bool captureDevice_ = false;
  int64_t startTime_ = 0;
  int64_t duration_ = -1;
  int64_t audioDuration_ = -1;
  int codecWidth_ = 0, codecHeight_ = 0;
  std::atomic<int> displayMode_{0};  // 0 none, 1 waveform, 2 no picture
  double frameDuration_ = 0.04;

  // --- read thread ------------------------------------------------------------
  bool lastPaused_ = false;
  bool endReported_ = false;
  bool endOfInput_ = false;
  std::atomic<int> readPauseResult_{0};
  std::atomic<bool> inRead_{false};

  // --- seek request: guarded by seekMutex_ ------------------------------------
  std::mutex seekMutex_;
  bool seekPending_ = false;
  int64_t seekTarget_ = 0, seekRel_ = 0;
  int seekFlags_ = 0;
  platform::Event seekDone_{true};
  platform::Event frameReady_{true};

  // --- flags shared by several threads ---------------------------------------
  std::atomic<bool> paused_{false};
  std::atomic<bool> pausedAtSeek_{false};
  std::atomic<bool> afterSeek_{false};
  std::atomic<bool> flushSeen_{false};
  std::atomic<bool> drained_{false};
  std::atomic<bool> endSignalled_{false};
  std::atomic<bool> refreshPending_{false};
  // Sound waits (plays silence) until the first picture after the start or
  // a seek is queued, for at most kAudioGateSeconds, so that the pictures do
  // not start behind the sound.
  static constexpr double kAudioGateSeconds = 1.0;
  std::atomic<bool> audioGate_{false};
  std::atomic<double> audioGateSince_{0};
  std::mutex toggleMutex_;  // serialises TogglePause

  TPacketQueue audioQueue_, videoQueue_, subtitleQueue_;

  // --- audio: the decoder side belongs to SDL's audio thread -----------------
  uint32_t audioDevice_ = 0;  // read thread opens, closing closes
  AVCodecContext* audioCodec_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int resamplerFormat_ = -1, resamplerRate_ = 0, resamplerChannels_ = 0;
  int failedFormat_ = -2;
  AVFrame* audioFrame_ = nullptr;
  AVPacket* audioPacket_ = nullptr;
  std::vector<uint8_t> audioBuffer_;
  const uint8_t* audioData_ = nullptr;
  int audioRate_ = 0, audioChannels_ = 0;  // the device's, fixed after opening
  int audioHardwareBytes_ = 0;
  // guarded by audioMutex_ (read by the clocks and the waveform)
  mutable std::mutex audioMutex_;
  double audioClock_ = 0;
  int audioBufferSize_ = 0;
  int audioBufferIndex_ = 0;
  bool audioSilence_ = false;  // the current buffer is silence, not stream data
  double audioCallbackTime_ = 0;
  TWaveformRing wave_;
  std::vector<std::pair<TLogLevel, std::string>> audioLog_;

  // --- video: the decoder side belongs to the video decode thread ------------
  AVCodecContext* videoCodec_ = nullptr;
  AVFilterGraph* graph_ = nullptr;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  int graphWidth_ = 0, graphHeight_ = 0, graphFormat_ = -1;
  bool draining_ = false;
  AVFrame* decoded_ = nullptr;
  AVPacket* videoPacket_ = nullptr;
  TFrameSkipper skipper_;                              // guarded by pictureMutex_
  std::atomic<int> wantedWidth_{0}, wantedHeight_{0};  // the latest picture size (even)

  // --- picture queue and video timing: guarded by pictureMutex_ --------------
  mutable std::mutex pictureMutex_;
  std::condition_variable pictureCond_;
  PictureSlot slots_[2];
  int pictureCount_ = 0, pictureRead_ = 0, pictureWrite_ = 0;
  TFrameTimer timer_;
  bool timerPending_ = true;  // the first picture after a flush starts the schedule
  double videoClock_ = 0;     // time stamp of the latest decoded picture + its duration
  double picturePts_ = 0;     // the picture on screen
  double pictureDrift_ = 0;
  int64_t picturePos_ = -1;

  // --- subtitles: guarded by subtitleMutex_ ----------------------------------
  AVCodecContext* subtitleCodec_ = nullptr;  // subtitle thread
  std::mutex subtitleMutex_;
  std::condition_variable subtitleCond_;
  SubtitleEntry subtitles_[4];
  int subtitleCount_ = 0, subtitleRead_ = 0, subtitleWrite_ = 0;
  bool subtitleStreamChanged_ = false;

  // --- event loop ------------------------------------------------------------
  bool surfaceOpen_ = false;
  int askedWidth_ = 0, askedHeight_ = 0;
  int windowWidth_ = 0, windowHeight_ = 0;
  // the picture on screen: guarded by displayMutex_ (CaptureFrame reads it)
  mutable std::mutex displayMutex_;
  AVFrame* displayed_ = nullptr;
  double displayedPts_ = 0;

  std::atomic<int> framesShown_{0};
  std::atomic<int> framesDropped_{0};
};

}  // namespace media
