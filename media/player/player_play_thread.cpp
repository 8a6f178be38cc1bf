// The play thread (the SDL event loop of an opened file) and stopping.
#include <chrono>
#include <exception>
#include <thread>

#include "media/binding/entry_table.h"
#include "media/player/media_player.h"
#include "platform/main_thread.h"

namespace media {

using namespace std::chrono_literals;

namespace {

// How long the event loop waits for an event before it looks again whether
// its file is still open (after a forced close nobody posts to it).
constexpr int kEventWaitMs = 100;

// try_lock in short steps for up to `timeout` (a timed mutex would do the
// same, but its timed lock is invisible to the thread checker).
bool TryLockFor(std::mutex& mutex, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!mutex.try_lock()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace

void TCustomPlayer::PlayThread(TVideoSurface* surface) {
  SetState(psPlay);
  try {
    for (bool quit = false; !quit;) {
      SDL_Event event;
      const bool got = lib::SDL_WaitEventTimeout(&event, kEventWaitMs) == 1;
      std::lock_guard lock(playerLock_);
      auto playback = Current();
      if (!playback || playback->Closed()) break;
      if (got) HandleEvent(*playback, event, quit);
    }
  } catch (const std::exception& e) {
    EngineLog().LogMessage(this, llFatal, std::string("PlayThread Exception: ") + e.what());
    std::lock_guard lock(playerLock_);
    CloseFile();
  }
  if (surface != nullptr) surface->Close();
  StopSdl();
  ReleaseActive();
  SetState(psStop);
  playThreadDone_.Set();
}

void TCustomPlayer::HandleEvent(TPlayback& playback, const SDL_Event& event, bool& quit) {
  if (event.type == SDL_QUIT) {
    CloseFile();
    quit = true;
    return;
  }
  if (event.type == SDL_WINDOWEVENT) {
    if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      playback.Resized(event.window.data1, event.window.data2);
      if (playback.Paused()) playback.Refresh(false);
    } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      if (playback.Paused())
        playback.Refresh(false);
      else
        playback.Redraw();
    }
    return;
  }
  if (event.type < EventBase() || event.type >= EventBase() + evCount) return;
  switch (event.user.code) {
    case evQuit:
      CloseFile();
      quit = true;
      break;
    case evAlloc:
      playback.AllocatePicture();
      break;
    case evRefresh:
      playback.Refresh(true);
      playback.RefreshDone();
      break;
    case evAspect:
      playback.OpenSurface(true);
      playback.Redraw();
      break;
    case evResize:
      playback.Resized(static_cast<int>(reinterpret_cast<intptr_t>(event.user.data1)),
                       static_cast<int>(reinterpret_cast<intptr_t>(event.user.data2)));
      if (playback.Paused()) playback.Refresh(false);
      break;
    case evExpose:
      if (playback.Paused())
        playback.Refresh(false);
      else
        playback.Redraw();
      break;
    default:
      break;
  }
}

void TCustomPlayer::CloseFile() {
  std::shared_ptr<TPlayback> playback = Current();
  if (playback) playback->Close();
  {
    std::lock_guard lock(playbackMutex_);
    playback_.reset();
  }
  step_.store(false);
}

void TCustomPlayer::Stop(bool waitForEnd) {
  auto playback = Current();
  if (playback && !playback->Closed()) {
    if (playback->Paused()) {
      playback->TogglePause();
      step_.store(false);
    }
    PostEvent(evQuit);
  }
  if (!waitForEnd) return;
  WaitForEnd();
  if (playThread_.joinable()) {
    while (!playThreadDone_.WaitFor(10ms))
      if (platform::IsMainThread()) platform::ProcessPendingMessages();
    playThread_.join();
  }
  StopSdl();
  JoinEventThreads();
}

void TCustomPlayer::WaitForEnd() {
  for (int round = 1;;) {
    if (playThreadDone_.WaitFor(100ms)) return;
    if (platform::IsMainThread()) platform::ProcessPendingMessages();
    auto playback = Current();
    if (!playback) return;
    if (!TryLockFor(playerLock_, 100ms)) continue;
    std::unique_lock lock(playerLock_, std::adopt_lock);
    playback = Current();
    if (!playback || playback->Closed()) return;
    ++round;
    if (round <= 20 && (round <= 10 || !playback->InRead())) {
      PostEvent(evQuit);
      continue;
    }
    // The event loop does not answer: close the file from here. The loop
    // finds no file on its next look and ends (and quits SDL) by itself.
    CloseFile();
    return;
  }
}

}  // namespace media
