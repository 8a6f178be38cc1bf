// When each picture is due, and which decoded pictures are skipped so that
// decoding keeps up with the master clock. Plain state without locking: the
// pipeline keeps both under its picture queue's mutex.
#pragma once

namespace media {

// The display schedule of queued pictures.
class TFrameTimer {
 public:
  // Pictures further apart than this (seconds) keep the previous delay.
  static constexpr double kMaxFrameDelay = 10.0;
  // Differences to the master clock beyond this are not corrected.
  static constexpr double kNoSyncThreshold = 10.0;
  static constexpr double kMinSyncThreshold = 0.01;

  // After a flush: nothing queued yet, the next picture is due at `now`.
  void Reset(double now);

  // The target display time of a picture with time stamp pts. The delay
  // since the previous picture (or the previous delay when that is not in
  // (0, 10) s) is added to the frame timer; with syncToMaster it is first
  // dropped to 0 when the video clock lags the master clock by the
  // threshold (the larger of 0.01 s and the delay) or doubled when it leads
  // by as much.
  double Target(double pts, bool syncToMaster, double videoClock, double masterClock);

  // Pause handling moves the schedule by the time spent paused.
  void Shift(double seconds) { frameTimer_ += seconds; }
  double FrameTimer() const { return frameTimer_; }
  double LastDelay() const { return lastDelay_; }

 private:
  double frameTimer_ = 0;
  double lastPts_ = 0;
  bool hasLastPts_ = false;
  double lastDelay_ = 0;
};

// The adaptive skip ratio: of `ratio` decoded pictures one is kept.
class TFrameSkipper {
 public:
  // Counts a decoded picture; true when it is to be kept.
  bool Keep();
  // A picture was late at the display: skip more.
  void Late() { ratio_ *= 1.05f; }
  // The picture queue is full: skip less (not below 0.95).
  void Relax();
  void Reset();
  float Ratio() const { return ratio_; }

 private:
  float ratio_ = 1.0f;
  float counter_ = 0.0f;
};

}  // namespace media
