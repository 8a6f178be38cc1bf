#include "media/player/frame_timing.h"

#include <algorithm>
#include <cmath>

namespace media {

void TFrameTimer::Reset(double now) {
  frameTimer_ = now;
  hasLastPts_ = false;
  lastDelay_ = 0;
}

double TFrameTimer::Target(double pts, bool syncToMaster, double videoClock, double masterClock) {
  double delay = hasLastPts_ ? pts - lastPts_ : -1;
  if (delay <= 0 || delay >= kMaxFrameDelay)
    delay = lastDelay_;
  else
    lastDelay_ = delay;
  lastPts_ = pts;
  hasLastPts_ = true;
  if (syncToMaster) {
    const double diff = videoClock - masterClock;
    if (std::fabs(diff) < kNoSyncThreshold) {
      const double threshold = std::max(kMinSyncThreshold, delay);
      if (diff <= -threshold)
        delay = 0;
      else if (diff >= threshold)
        delay = 2 * delay;
    }
  }
  frameTimer_ += delay;
  return frameTimer_;
}

bool TFrameSkipper::Keep() {
  counter_ += 1.0f;
  if (counter_ >= ratio_) {
    counter_ -= std::max(ratio_, 1.0f);
    return true;
  }
  return false;
}

void TFrameSkipper::Relax() {
  ratio_ = std::max(0.95f, ratio_ * 0.95f);
}

void TFrameSkipper::Reset() {
  ratio_ = 1.0f;
  counter_ = 0.0f;
}

}  // namespace media
