// Position and state events: what the pipeline reports, how it is queued
// (coalescing, ten slots) and how the event thread delivers it.
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "media/binding/entry_table.h"
#include "media/player/media_player.h"
#include "platform/main_thread.h"

namespace media {

using namespace std::chrono_literals;

namespace {

// Positions closer than this to the last reported one are not reported.
constexpr int64_t kReportStep = 10000;

}  // namespace

void TCustomPlayer::SetState(TPlayState state) {
  state_.store(state);
  std::shared_ptr<EventChannel> channel = channel_;
  if (!channel) return;
  bool hasHandler = false;
  {
    std::lock_guard lock(handlerMutex_);
    hasHandler = static_cast<bool>(onState_);
  }
  if (hasHandler)
    channel->Queue.Push({peState, state, 0});
  else if (state == psStop)
    channel->Queue.Push({peEndOfThread, state, 0});
  else
    return;
  channel->Pending.Set();
}

void TCustomPlayer::PipelinePosition(TPlayback& playback) {
  if (playback.ImageSequence()) return;
  std::lock_guard lock(reportMutex_);
  const double clock = playback.HasVideo() ? playback.VideoClock() : playback.AudioClock();
  int64_t position = std::llrint(clock * 1e6) - playback.StartTime();
  const int64_t duration = playback.Duration();
  if (!playback.HasVideo() && playback.AudioDuration() > 0 &&
      position >= playback.AudioDuration() && duration > position)
    position = duration;
  position_.store(position);

  int64_t reported = position;
  if (duration > 0 && position >= duration) {
    reported = duration;
    if (reported != lastReported_) lastReported_ = 0;
  }
  if (lastReported_ == AV_NOPTS_VALUE || std::llabs(reported - lastReported_) > kReportStep) {
    lastReported_ = reported;
    bool hasHandler = false;
    {
      std::lock_guard handlers(handlerMutex_);
      hasHandler = static_cast<bool>(onPosition_);
    }
    std::shared_ptr<EventChannel> channel = channel_;
    if (hasHandler && channel) {
      channel->Queue.Push({pePosition, psPlay, reported});
      channel->Pending.Set();
    }
  }
  if (!playback.CaptureDevice() && !playback.EndSignalled() && playback.Drained()) {
    // With video the end counts as signalled until the next picture comes;
    // without video it is signalled on every report until a seek or Stop.
    if (playback.HasVideo()) playback.SetEndSignalled(true);
    SetState(psEnd);
  }
}

void TCustomPlayer::EventThread(std::shared_ptr<EventChannel> channel) {
  auto deliver = [this](const std::function<void()>& call) {
    try {
      if (triggerInMainThread_.load())
        platform::CallInMainThread([&] {
          ++deliveryDepth_;
          try {
            call();
          } catch (...) {
            --deliveryDepth_;
            throw;
          }
          --deliveryDepth_;
        });
      else
        call();
    } catch (const std::exception& e) {
      EngineLog().LogMessage(this, llError, std::string("Player event handler: ") + e.what());
    } catch (...) {
    }
  };
  for (;;) {
    TPlayerEvent event;
    bool finished = false;
    while (!finished && channel->Queue.Pop(event)) {
      if (event.Kind == pePosition) {
        TPositionEvent handler;
        {
          std::lock_guard lock(handlerMutex_);
          handler = onPosition_;
        }
        if (handler) deliver([&] { handler(this, event.TimeStamp); });
      } else if (event.Kind == peState) {
        TPlayStateEvent handler;
        {
          std::lock_guard lock(handlerMutex_);
          handler = onState_;
        }
        if (handler) deliver([&] { handler(this, event.State); });
        finished = event.State == psStop;
      } else {
        finished = true;
      }
    }
    if (finished) break;
    channel->Pending.Reset();
    if (!channel->Queue.Empty()) continue;
    channel->Pending.Wait();
  }
  channel->Done.Set();
}

void TCustomPlayer::JoinEventThreads() {
  if (channel_) retiredChannels_.push_back(std::move(channel_));
  channel_.reset();
  std::vector<std::shared_ptr<EventChannel>> keep;
  for (auto& channel : retiredChannels_) {
    const bool own = channel->Thread.get_id() == std::this_thread::get_id();
    // A handler running in the main thread is part of the delivery we would
    // wait for: leave that thread to be joined later.
    const bool insideDelivery = deliveryDepth_ > 0 && platform::IsMainThread();
    if (!channel->Thread.joinable()) continue;
    if (own || (insideDelivery && !channel->Done.IsSet())) {
      keep.push_back(channel);
      continue;
    }
    while (!channel->Done.WaitFor(10ms))
      if (platform::IsMainThread()) platform::ProcessPendingMessages();
    channel->Thread.join();
  }
  retiredChannels_.swap(keep);
}

}  // namespace media
