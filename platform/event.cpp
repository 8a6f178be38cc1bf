#include "platform/event.h"

namespace platform {

void Event::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  cv_.notify_all();
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool Event::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

void Event::Wait() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [this] { return set_; });
}

bool Event::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, timeout, [this] { return set_; });
}

}  // namespace platform
