// The player component's operations on the caller's thread: libraries,
// Open, Pause, Resume, StepNextFrame, Seek and the properties that act at
// once. Stopping and the play thread are in player_play_thread.cpp, event
// delivery in player_events.cpp, hook and snapshots in player_picture.cpp.
#include "media/player/media_player.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "media/binding/entry_table.h"
#include "media/binding/library_loader.h"
#include "media/player/sdl_window_surface.h"
#include "platform/main_thread.h"

namespace media {

using namespace std::chrono_literals;

namespace {

// The player that has a file open (SDL is process-wide: one at a time).
std::atomic<TCustomPlayer*> gActivePlayer{nullptr};

}  // namespace

TCustomPlayer::TCustomPlayer() : TMediaComponent("Player") {
  std::lock_guard lock(reportMutex_);
  lastReported_ = AV_NOPTS_VALUE;
}

TCustomPlayer::~TCustomPlayer() {
  {
    std::lock_guard lock(handlerMutex_);
    onPosition_ = nullptr;
    onState_ = nullptr;
    onHook_ = nullptr;
  }
  Stop(true);
  JoinEventThreads();
}

bool TCustomPlayer::LoadLibraries(const std::string& path) {
  auto& loader = LibraryLoader();
  loader.SetLibraryPath(path);
  if (loader.LoadLibs(PlayerLibraries)) return true;
  std::lock_guard lock(errorMutex_);
  lastErrMsg_ = loader.GetLastErrMsg();
  return false;
}

bool TCustomPlayer::LibrariesLoaded() const {
  return LibraryLoader().LibsLoaded(PlayerLibraries);
}

std::string TCustomPlayer::LastErrMsg() const {
  std::lock_guard lock(errorMutex_);
  return lastErrMsg_;
}

void TCustomPlayer::Fail(const std::string& text) {
  {
    std::lock_guard lock(errorMutex_);
    lastErrMsg_ = text;
  }
  PipelineLog(llError, text);
}

void TCustomPlayer::PipelineLog(TLogLevel level, const std::string& text) {
  EngineLog().LogMessage(this, level, text);
}

void TCustomPlayer::PipelineError(const std::string& text) {
  std::lock_guard lock(errorMutex_);
  lastErrMsg_ = text;
}

void TCustomPlayer::PipelineAttach(AVFormatContext* context) {
  probe_.AttachFormatContext(context);
}

std::shared_ptr<TPlayback> TCustomPlayer::Current() const {
  std::lock_guard lock(playbackMutex_);
  return playback_;
}

bool TCustomPlayer::FileOpen() const {
  auto playback = Current();
  return playback && !playback->Closed();
}

int TCustomPlayer::FramesShown() const {
  auto playback = Current();
  return playback ? playback->FramesShown() : 0;
}

int TCustomPlayer::FramesDropped() const {
  auto playback = Current();
  return playback ? playback->FramesDropped() : 0;
}

bool TCustomPlayer::StartSdl() {
  switch (audioDriver_) {
    case adDirectSound:
      ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
      break;
    case adWaveOut:
      ::setenv("SDL_AUDIODRIVER", "alsa", 1);
      break;
    default:
      break;  // as the environment has it
  }
  // The host keeps its own signal handling.
  lib::SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  std::lock_guard lock(sdlMutex_);
  if (lib::SDL_Init(SDL_INIT_AUDIO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) return false;
  sdlUp_ = true;
  return true;
}

void TCustomPlayer::StopSdl() {
  std::lock_guard lock(sdlMutex_);
  if (!sdlUp_) return;
  sdlUp_ = false;
  if (lib::SDL_Quit != nullptr) lib::SDL_Quit();
}

// The player's event types, registered once per process.
uint32_t TCustomPlayer::EventBase() {
  static const uint32_t base = lib::SDL_RegisterEvents(evCount);
  return base;
}

bool TCustomPlayer::PostEvent(int event, int data1, int data2) {
  std::lock_guard lock(sdlMutex_);
  if (!sdlUp_ || EventBase() == static_cast<uint32_t>(-1)) return false;
  SDL_Event e{};
  e.type = EventBase() + static_cast<uint32_t>(event);
  e.user.code = event;
  e.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(data1));
  e.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(data2));
  return lib::SDL_PushEvent(&e) == 1;
}

bool TCustomPlayer::PipelinePost(int event) {
  return PostEvent(event == pvAlloc ? evAlloc : evRefresh);
}

bool TCustomPlayer::Open(const std::string& fileName, TVideoSurface* surface) {
  if (!LibrariesLoaded()) {
    Fail("libav or libsdl not loaded.");
    return false;
  }
  Stop(true);
  TCustomPlayer* none = nullptr;
  if (!gActivePlayer.compare_exchange_strong(none, this)) {
    Fail("Only one player can play at a time.");
    return false;
  }
  if (!StartSdl()) {
    char text[512];
    std::snprintf(text, sizeof text, "Could not initialize SDL with ScreenHandle(%u): %s",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(surface)), lib::SDL_GetError());
    Fail(text);
    ReleaseActive();
    return false;
  }
  EventBase();
  if (disableDisplay_) disableVideo_ = true;
  lib::SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
  lib::SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);

  if (surface == nullptr) {
    if (!ownSurface_) ownSurface_ = std::make_unique<TSdlWindowSurface>();
    surface_ = ownSurface_.get();
  } else {
    surface_ = surface;
  }
  snapshotConverter_.ResetConverter();
  hookConverter_.ResetConverter();
  step_.store(false);
  {
    std::lock_guard lock(reportMutex_);
    lastReported_ = AV_NOPTS_VALUE;
  }
  position_.store(0);
  channel_ = std::make_shared<EventChannel>();

  TPlaybackOptions options;
  options.FileName = fileName;
  options.FrameWidth = frameWidth_;
  options.FrameHeight = frameHeight_;
  options.DisableAudio = disableAudio_;
  options.DisableVideo = disableVideo_;
  options.DisableDisplay = disableDisplay_;
  options.Surface = surface_;
  auto playback =
      std::make_shared<TPlayback>(static_cast<TPlaybackHost&>(*this), controls_, options);
  if (!playback->Open()) {
    StopSdl();
    channel_.reset();
    ReleaseActive();
    return false;
  }
  {
    std::lock_guard lock(playbackMutex_);
    playback_ = playback;
  }
  fileName_ = fileName;
  playThreadDone_.Reset();
  NotifyFileOpen(*playback);
  channel_->Thread = std::thread(&TCustomPlayer::EventThread, this, channel_);
  playThread_ = std::thread(&TCustomPlayer::PlayThread, this, disableDisplay_ ? nullptr : surface_);
  return true;
}

void TCustomPlayer::NotifyFileOpen(TPlayback& playback) {
  TFileOpenEvent handler;
  {
    std::lock_guard lock(handlerMutex_);
    handler = onFileOpen_;
  }
  int32_t screenWidth = controls_.ScreenWidth.load(), screenHeight = controls_.ScreenHeight.load();
  if (handler) {
    const int64_t duration = playback.ImageSequence() ? 0 : playback.Duration();
    const bool video = playback.HasVideo() && playback.CodecWidth() > 0;
    const int32_t width = video ? playback.CodecWidth() : -1;
    const int32_t height = video ? playback.CodecHeight() : -1;
    auto call = [&] { handler(this, duration, width, height, screenWidth, screenHeight); };
    if (triggerInMainThread_.load())
      platform::CallInMainThread(call);
    else
      call();
  }
  int hostWidth = 0, hostHeight = 0;
  if (surface_ != ownSurface_.get() && (screenWidth == 0 || screenHeight == 0) &&
      surface_->HostSize(hostWidth, hostHeight)) {
    screenWidth = hostWidth;
    screenHeight = hostHeight;
  }
  controls_.ScreenWidth.store(screenWidth);
  controls_.ScreenHeight.store(screenHeight);
}

void TCustomPlayer::Pause() {
  auto playback = Current();
  if (!playback || playback->Closed() || playback->Paused()) return;
  playback->TogglePause();
  step_.store(false);
  SetState(psPause);
}

void TCustomPlayer::Resume() {
  auto playback = Current();
  if (!playback || playback->Closed() || !playback->Paused()) return;
  playback->TogglePause();
  step_.store(false);
  SetState(psResume);
}

void TCustomPlayer::StepNextFrame() {
  auto playback = Current();
  if (!playback || playback->Closed()) return;
  if (playback->Paused()) playback->TogglePause();
  if (!step_.exchange(true)) SetState(psStep);
}

bool TCustomPlayer::Paused() const {
  auto playback = Current();
  return !playback || playback->Closed() || playback->Paused();
}

void TCustomPlayer::Seek(int flags, bool wait, int64_t position) {
  auto playback = Current();
  if (!playback || playback->Closed()) return;
  constexpr int kByteFlag = 2;
  flags &= 0xF;
  int64_t target = position, rel = 0;
  if ((flags & kByteFlag) == 0) {
    if (playback->Duration() > 0 && target > playback->Duration()) target = playback->Duration();
    target += playback->StartTime();
    rel = position <= 0 ? 1 : 0;
  }
  playback->RequestSeek(target, rel, flags);
  if (!wait) return;
  auto waitFor = [&](platform::Event& event) {
    while (!event.WaitFor(100ms) && !playback->Closed())
      if (platform::IsMainThread()) platform::ProcessPendingMessages();
  };
  waitFor(playback->SeekDone());
  if (playback->HasVideo()) waitFor(playback->FrameReady());
}

void TCustomPlayer::SetAspectRatio(float value) {
  if (controls_.AspectRatio.load() == value) return;
  controls_.AspectRatio.store(value);
  if (FileOpen()) PostEvent(evAspect);
}

void TCustomPlayer::SetAudioVolume(TAudioVolume value) {
  controls_.Volume.store(value < 0 ? 0 : value > kMaxAudioVolume ? kMaxAudioVolume : value);
}

void TCustomPlayer::SurfaceResized(int width, int height) {
  PostEvent(evResize, width, height);
}

void TCustomPlayer::SurfaceExposed() {
  PostEvent(evExpose);
}

void TCustomPlayer::SetOnFileOpen(TFileOpenEvent handler) {
  std::lock_guard lock(handlerMutex_);
  onFileOpen_ = std::move(handler);
}

void TCustomPlayer::SetOnHook(THookEvent handler) {
  std::lock_guard lock(handlerMutex_);
  onHook_ = std::move(handler);
}

void TCustomPlayer::SetOnPosition(TPositionEvent handler) {
  std::lock_guard lock(handlerMutex_);
  onPosition_ = std::move(handler);
}

void TCustomPlayer::SetOnState(TPlayStateEvent handler) {
  std::lock_guard lock(handlerMutex_);
  onState_ = std::move(handler);
}

void TCustomPlayer::ReleaseActive() {
  TCustomPlayer* expected = this;
  gActivePlayer.compare_exchange_strong(expected, nullptr);
}

}  // namespace media
