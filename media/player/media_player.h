// The player component: plays one media file at a time into a video surface
// with SDL for the sound, and reports position and state through events.
//
// Threads of one opened file:
// - the caller's thread (normally the main thread) runs the operations;
// - the play thread runs the SDL event loop: it draws (every surface call),
//   handles refreshes, picture allocations, aspect changes, resizes and
//   quitting, each under PlayerLock;
// - the event thread delivers OnPosition and OnState from a coalescing
//   ten-slot queue, through the main-thread dispatcher when
//   TriggerEventInMainThread (the default);
// - the pipeline's threads (TPlayback): read, video decode, subtitle,
//   refresh, and SDL's audio thread. OnHook runs on the video decode thread.
// Waits of Open, Stop and Seek on the main thread keep serving the
// dispatcher (platform::ProcessPendingMessages), so handlers delivered in
// the main thread can never dead-lock them. Only one player in the process
// can have a file open at a time (SDL is process-wide).
//
// Handlers and properties are set from the main thread. Do not call
// Stop(true) or Open from OnHook (the decode thread would wait for itself).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/binding/bitmap_converter.h"
#include "media/binding/media_component.h"
#include "media/player/play_state.h"
#include "media/player/playback.h"
#include "media/player/player_event_queue.h"
#include "media/player/video_surface.h"
#include "media/probe/av_probe.h"
#include "platform/bitmap24.h"
#include "platform/event.h"

union SDL_Event;

namespace media {

class TCustomPlayer;

// ADuration: microseconds (-1 unknown, 0 for an image sequence);
// AFrameWidth/AFrameHeight: the video size (-1 without video); the handler
// may change AScreenWidth/AScreenHeight (the drawing size, 0 = decide).
using TFileOpenEvent =
    std::function<void(TCustomPlayer* sender, int64_t duration, int32_t frameWidth,
                       int32_t frameHeight, int32_t& screenWidth, int32_t& screenHeight)>;
// The decoded picture as a 24-bit bitmap the handler may paint into; APTS
// in microseconds from the start of the file. Runs on the decode thread.
using THookEvent =
    std::function<void(TCustomPlayer* sender, platform::Bitmap24& bitmap, int64_t pts)>;
using TPositionEvent = std::function<void(TCustomPlayer* sender, int64_t pts)>;
using TPlayStateEvent = std::function<void(TCustomPlayer* sender, TPlayState state)>;

class TCustomPlayer : public TMediaComponent, private TPlaybackHost {
 public:
  static constexpr const char* kVersion = "1.0";

  TCustomPlayer();
  ~TCustomPlayer() override;

  const std::string& About() const { return about_; }
  void SetAbout(const std::string& text) { about_ = text; }
  std::string Version() const { return kVersion; }

  // Loads PlayerLibraries from the folder (missing ones from the system).
  bool LoadLibraries(const std::string& path);
  bool LibrariesLoaded() const;

  // Opens and starts playing; surface null: a window of SDL's own. False
  // with the reason in LastErrMsg. Stops a file that is playing first.
  bool Open(const std::string& fileName, TVideoSurface* surface = nullptr);
  // Asks the play thread to close the file; with waitForEnd returns when
  // all threads of the file have ended (forcing the close itself after 10
  // rounds of 100 ms while the read thread is blocked in a read, or 20).
  void Stop(bool waitForEnd);
  void Pause();
  void Resume();
  // Shows one more picture, then pauses (psStep the first time).
  void StepNextFrame();
  // flags: 1 backward, 2 byte offset, 4 any frame (other bits dropped);
  // position in microseconds from the start of the file (or bytes).
  void Seek(int flags, bool wait, int64_t position);
  // The picture on screen, owned by the player and overwritten by the next
  // call: black at the video size before the first picture; 0 x 0 with
  // pts -1 without video.
  const platform::Bitmap24& CaptureFrame(int64_t& pts);
  const platform::Bitmap24& CurrentPicture();
  // True when no file is open or playback is paused.
  bool Paused() const;

  std::string LastErrMsg() const;
  TPlayState State() const { return state_.load(); }
  // The latest position computed for reporting (microseconds).
  int64_t Position() const { return position_.load(); }
  bool FileOpen() const;
  // Pictures shown and dropped (late or skipped) since the last Open.
  int FramesShown() const;
  int FramesDropped() const;
  // Stream information of the open file (valid from OnFileOpen to psStop;
  // read it on the main thread).
  TAVProbe& Probe() { return probe_; }

  // A host surface tells the player that its drawing area changed (any
  // thread).
  void SurfaceResized(int width, int height);
  void SurfaceExposed();

  void SetOnFileOpen(TFileOpenEvent handler);
  void SetOnHook(THookEvent handler);
  void SetOnPosition(TPositionEvent handler);
  void SetOnState(TPlayStateEvent handler);

 protected:
  // Published by TMediaPlayer.
  float AspectRatio() const { return controls_.AspectRatio.load(); }
  // While a file is open a new value redraws at once.
  void SetAspectRatio(float value);
  TAudioDriver AudioDriver() const { return audioDriver_; }
  void SetAudioDriver(TAudioDriver value) { audioDriver_ = value; }
  TAudioVolume AudioVolume() const { return controls_.Volume.load(); }
  void SetAudioVolume(TAudioVolume value);
  bool DisableAudio() const { return disableAudio_; }
  void SetDisableAudio(bool value) { disableAudio_ = value; }
  bool DisableVideo() const { return disableVideo_; }
  void SetDisableVideo(bool value) { disableVideo_ = value; }
  bool DisableDisplay() const { return disableDisplay_; }
  void SetDisableDisplay(bool value) { disableDisplay_ = value; }
  bool Mute() const { return controls_.Mute.load(); }
  void SetMute(bool value) { controls_.Mute.store(value); }
  int FrameWidth() const { return frameWidth_; }
  void SetFrameWidth(int value) { frameWidth_ = value; }
  int FrameHeight() const { return frameHeight_; }
  void SetFrameHeight(int value) { frameHeight_ = value; }
  bool Hook() const { return hook_.load(); }
  void SetHook(bool value) { hook_.store(value); }
  int ScreenWidth() const { return controls_.ScreenWidth.load(); }
  void SetScreenWidth(int value) { controls_.ScreenWidth.store(value); }
  int ScreenHeight() const { return controls_.ScreenHeight.load(); }
  void SetScreenHeight(int value) { controls_.ScreenHeight.store(value); }
  bool TriggerEventInMainThread() const { return triggerInMainThread_.load(); }
  void SetTriggerEventInMainThread(bool value) { triggerInMainThread_.store(value); }
  TVideoDriver VideoDriver() const { return videoDriver_; }
  void SetVideoDriver(TVideoDriver value) { videoDriver_ = value; }

 private:
  // The delivery side of one opened file's events.
  struct EventChannel {
    TPlayerEventQueue Queue;
    platform::Event Pending;
    platform::Event Done;
    std::thread Thread;
  };
  enum PlayEvent : int { evAlloc, evRefresh, evQuit, evAspect, evResize, evExpose, evCount };

  // TPlaybackHost
  void PipelineLog(TLogLevel level, const std::string& text) override;
  void PipelineError(const std::string& text) override;
  void PipelinePosition(TPlayback& playback) override;
  bool PipelineStepping() override { return step_.load(); }
  void PipelineHook(AVFrame* picture, int64_t ptsMicroseconds) override;
  bool PipelinePost(int event) override;
  void PipelineAttach(AVFormatContext* context) override;

  std::shared_ptr<TPlayback> Current() const;
  void Fail(const std::string& text);
  bool PostEvent(int event, int data1 = 0, int data2 = 0);
  bool StartSdl();
  void StopSdl();
  void ReleaseActive();
  void SetState(TPlayState state);
  void PlayThread(TVideoSurface* surface);  // surface: null when nothing is drawn
  static uint32_t EventBase();
  void HandleEvent(TPlayback& playback, const SDL_Event& event, bool& quit);
  void CloseFile();
  void WaitForEnd();
  void EventThread(std::shared_ptr<EventChannel> channel);
  void JoinEventThreads();
  void NotifyFileOpen(TPlayback& playback);

  std::string about_;
  std::atomic<bool> triggerInMainThread_{true};
  std::atomic<bool> hook_{false};
  // Main thread only (read when a file is opened).
  TAudioDriver audioDriver_ = adDefault;
  TVideoDriver videoDriver_ = vdDefault;
  bool disableAudio_ = false;
  bool disableVideo_ = false;
  bool disableDisplay_ = false;
  int frameWidth_ = 0;
  int frameHeight_ = 0;
  std::string fileName_;
  TVideoSurface* surface_ = nullptr;
  std::unique_ptr<TVideoSurface> ownSurface_;
  BitmapConverter snapshotConverter_;  // CaptureFrame's
  platform::Bitmap24 snapshot_;
  std::vector<std::shared_ptr<EventChannel>> retiredChannels_;
  std::thread playThread_;
  std::atomic<int> deliveryDepth_{0};  // main-thread deliveries running

  TPlaybackControls controls_;

  mutable std::mutex handlerMutex_;
  TFileOpenEvent onFileOpen_;  // guarded by handlerMutex_
  THookEvent onHook_;          // guarded by handlerMutex_
  TPositionEvent onPosition_;  // guarded by handlerMutex_
  TPlayStateEvent onState_;    // guarded by handlerMutex_

  mutable std::mutex errorMutex_;
  std::string lastErrMsg_;  // guarded by errorMutex_

  // PlayerLock: held by the play thread for each event and by a forced
  // close, so a close never runs while an event is handled.
  std::mutex playerLock_;
  mutable std::mutex playbackMutex_;
  std::shared_ptr<TPlayback> playback_;  // guarded by playbackMutex_
  // Set by Open before the file's threads start; read by them.
  std::shared_ptr<EventChannel> channel_;
  platform::Event playThreadDone_{true};

  std::atomic<TPlayState> state_{psStop};
  std::atomic<int64_t> position_{0};
  std::atomic<bool> step_{false};
  std::mutex reportMutex_;
  int64_t lastReported_ = 0;  // guarded by reportMutex_

  std::mutex sdlMutex_;
  bool sdlUp_ = false;  // guarded by sdlMutex_: this player started SDL

  // Used by the decode thread only (reset before a file starts).
  BitmapConverter hookConverter_;
  TAVProbe probe_;
};

// The published component.
class TMediaPlayer : public TCustomPlayer {
 public:
  using TCustomPlayer::AspectRatio;
  using TCustomPlayer::AudioDriver;
  using TCustomPlayer::AudioVolume;
  using TCustomPlayer::DisableAudio;
  using TCustomPlayer::DisableDisplay;
  using TCustomPlayer::DisableVideo;
  using TCustomPlayer::FrameHeight;
  using TCustomPlayer::FrameWidth;
  using TCustomPlayer::Hook;
  using TCustomPlayer::Mute;
  using TCustomPlayer::ScreenHeight;
  using TCustomPlayer::ScreenWidth;
  using TCustomPlayer::SetAspectRatio;
  using TCustomPlayer::SetAudioDriver;
  using TCustomPlayer::SetAudioVolume;
  using TCustomPlayer::SetDisableAudio;
  using TCustomPlayer::SetDisableDisplay;
  using TCustomPlayer::SetDisableVideo;
  using TCustomPlayer::SetFrameHeight;
  using TCustomPlayer::SetFrameWidth;
  using TCustomPlayer::SetHook;
  using TCustomPlayer::SetMute;
  using TCustomPlayer::SetScreenHeight;
  using TCustomPlayer::SetScreenWidth;
  using TCustomPlayer::SetTriggerEventInMainThread;
  using TCustomPlayer::SetVideoDriver;
  using TCustomPlayer::TriggerEventInMainThread;
  using TCustomPlayer::VideoDriver;
};

}  // namespace media
