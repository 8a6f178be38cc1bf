// Manual-reset event: stays signalled from Set() until Reset().
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class Event {
 public:
  explicit Event(bool initiallySet = false) : set_(initiallySet) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Blocks until signalled.
  void Wait();
  // True when signalled within the timeout.
  bool WaitFor(std::chrono::milliseconds timeout);

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool set_;  // guarded by mutex_
};

}  // namespace platform
