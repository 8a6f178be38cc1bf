// The queue between the pipeline (which reports positions and states from
// its threads) and the player's event thread (which delivers them).
//
// A ring of ten slots: a new event of the same kind as the newest unread one
// replaces it, so a busy receiver gets the latest position instead of a
// backlog; when the ring is full the oldest unread event is dropped. All
// members are safe to call from any thread (one mutex guards the ring).
#pragma once

#include <cstdint>
#include <mutex>

#include "media/player/play_state.h"

namespace media {

enum TPlayerEventKind : int32_t {
  pePosition = 1,
  peState = 2,
  peEndOfThread = 3,  // ends the event thread without a state event
};

struct TPlayerEvent {
  TPlayerEventKind Kind = pePosition;
  TPlayState State = psPlay;
  int64_t TimeStamp = 0;  // microseconds, for positions
};

class TPlayerEventQueue {
 public:
  static constexpr int kSlots = 10;

  void Push(const TPlayerEvent& event);
  // Takes the oldest unread event; false when there is none.
  bool Pop(TPlayerEvent& event);
  bool Empty() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  TPlayerEvent slots_[kSlots];  // guarded by mutex_
  int read_ = 0;                // guarded by mutex_; read_ == write_: empty
  int write_ = 0;               // guarded by mutex_; one past the newest
};

}  // namespace media
