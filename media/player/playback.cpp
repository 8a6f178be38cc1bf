// The pipeline's life cycle, the pause toggle, seek requests and clocks.
// The threads themselves live in playback_read/_audio/_video/_subtitle.cpp,
// the event-loop side in playback_display.cpp.
#include "media/player/playback.h"

#include <chrono>
#include <system_error>

#include "media/binding/entry_table.h"
#include "platform/main_thread.h"

namespace media {

using namespace std::chrono_literals;

TPlayback::TPlayback(TPlaybackHost& host, TPlaybackControls& controls, TPlaybackOptions options)
    : host_(host), controls_(controls), options_(std::move(options)) {}

TPlayback::~TPlayback() {
  Close();
}

double TPlayback::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool TPlayback::OnMainThread() const {
  return platform::IsMainThread();
}

void TPlayback::JoinServing(std::thread& thread, platform::Event& done) {
  if (!thread.joinable()) return;
  // A thread that logs may wait for the main thread; keep serving it.
  while (!done.WaitFor(10ms))
    if (OnMainThread()) platform::ProcessPendingMessages();
  thread.join();
}

bool TPlayback::Open() {
  readDone_.Reset();
  try {
    readThread_ = std::thread(&TPlayback::ReadThread, this);
  } catch (const std::system_error&) {
    host_.PipelineError("SDL_CreateThread() failed.");
    host_.PipelineLog(llError, "SDL_CreateThread() failed.");
    closed_.store(true);
    return false;
  }
  while (openState_.load(std::memory_order_acquire) == 0) {
    if (OnMainThread()) platform::ProcessPendingMessages();
    readDone_.WaitFor(10ms);
  }
  if (openState_.load(std::memory_order_acquire) != 1) {
    abort_.store(true);
    JoinServing(readThread_, readDone_);
    closed_.store(true);
    return false;
  }
  if (!HasVideo() && !options_.DisableDisplay) displayMode_ = 1;
  refreshDone_.Reset();
  try {
    refreshThread_ = std::thread([this] {
      while (!abort_.load()) {
        if (!refreshPending_.exchange(true) && !host_.PipelinePost(pvRefresh))
          refreshPending_.store(false);
        FlushAudioLog();
        std::this_thread::sleep_for(HasAudio() && displayMode_ == 1 ? 20ms : 5ms);
      }
      refreshDone_.Set();
    });
  } catch (const std::system_error&) {
    host_.PipelineError("SDL_CreateThread() failed.");
    host_.PipelineLog(llError, "SDL_CreateThread() failed.");
    Close();
    return false;
  }
  return true;
}

void TPlayback::Close() {
  std::lock_guard lock(closeMutex_);
  if (readThread_.joinable() || refreshThread_.joinable()) {
    abort_.store(true);
    JoinServing(readThread_, readDone_);
    JoinServing(refreshThread_, refreshDone_);
  }
  closed_.store(true);
  {
    std::lock_guard picture(pictureMutex_);
    for (auto& slot : slots_)
      if (slot.Frame != nullptr) lib::av_frame_free(&slot.Frame);
  }
  std::lock_guard display(displayMutex_);
  if (displayed_ != nullptr) lib::av_frame_free(&displayed_);
}

void TPlayback::TogglePause() {
  if (!seekDone_.WaitFor(250ms)) seekDone_.Set();
  if (closed_.load()) return;
  std::lock_guard toggle(toggleMutex_);
  if (paused_.load()) {
    std::lock_guard lock(pictureMutex_);
    const double now = Now();
    timer_.Shift(now + pictureDrift_ - picturePts_);
    if (readPauseResult_.load() != AVERROR(ENOSYS)) picturePts_ = pictureDrift_ + now;
    pictureDrift_ = picturePts_ - now;
    paused_.store(false);
  } else {
    if (HasVideo() && !frameReady_.WaitFor(250ms)) frameReady_.Set();
    if (closed_.load()) return;
    paused_.store(true);
  }
}

void TPlayback::CloseAudioGate() {
  audioGateSince_.store(Now());
  audioGate_.store(true);
}

void TPlayback::PauseForStep() {
  if (closed_.load()) return;
  std::lock_guard toggle(toggleMutex_);
  if (paused_.load()) return;
  if (HasVideo() && !frameReady_.WaitFor(250ms)) frameReady_.Set();
  paused_.store(true);
}

void TPlayback::FlushAudioLog() {
  std::vector<std::pair<TLogLevel, std::string>> messages;
  {
    std::lock_guard lock(audioMutex_);
    messages.swap(audioLog_);
  }
  for (const auto& [level, text] : messages) host_.PipelineLog(level, text);
}

void TPlayback::RequestSeek(int64_t target, int64_t rel, int flags) {
  std::lock_guard lock(seekMutex_);
  if (seekPending_) return;
  seekTarget_ = target;
  seekRel_ = rel;
  seekFlags_ = flags;
  seekPending_ = true;
  pausedAtSeek_.store(paused_.load());
  seekDone_.Reset();
}

double TPlayback::AudioClock() const {
  std::lock_guard lock(audioMutex_);
  // Silence played while nothing is decoded is not part of the stream: it
  // does not hold the clock back.
  const int unplayed = audioSilence_ ? 0 : audioBufferSize_ - audioBufferIndex_;
  return AudioClockAt(audioClock_, unplayed, audioRate_, audioChannels_);
}

double TPlayback::VideoClockLocked() const {
  return VideoClockAt(paused_.load(), picturePts_, pictureDrift_, Now(), startTime_ / 1e6);
}

double TPlayback::VideoClock() const {
  std::lock_guard lock(pictureMutex_);
  return VideoClockLocked();
}

double TPlayback::MasterClock() const {
  switch (MasterClockSource(ckAudio, HasAudio(), HasVideo())) {
    case ckAudio:
      return AudioClock();
    case ckVideo:
      return VideoClock();
    default:
      return ExternalClockAt(0, 0, Now());
  }
}

AVFrame* TPlayback::DisplayedPicture(double& pts) const {
  std::lock_guard lock(displayMutex_);
  pts = displayedPts_;
  return displayed_ != nullptr ? lib::av_frame_clone(displayed_) : nullptr;
}

}  // namespace media
