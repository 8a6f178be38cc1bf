#include "media/player/player_event_queue.h"

namespace media {

void TPlayerEventQueue::Push(const TPlayerEvent& event) {
  std::lock_guard lock(mutex_);
  const int newest = (write_ + kSlots - 1) % kSlots;
  if (read_ != write_ && slots_[newest].Kind == event.Kind) {
    slots_[newest] = event;
    return;
  }
  write_ = (write_ + 1) % kSlots;
  if (write_ == read_) read_ = (read_ + 1) % kSlots;
  slots_[(write_ + kSlots - 1) % kSlots] = event;
}

bool TPlayerEventQueue::Pop(TPlayerEvent& event) {
  std::lock_guard lock(mutex_);
  if (read_ == write_) return false;
  event = slots_[read_];
  read_ = (read_ + 1) % kSlots;
  return true;
}

bool TPlayerEventQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return read_ == write_;
}

void TPlayerEventQueue::Clear() {
  std::lock_guard lock(mutex_);
  read_ = write_ = 0;
}

}  // namespace media
