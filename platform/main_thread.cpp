#include "platform/main_thread.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

namespace platform {
namespace {

// One queued call; the poster waits on `done`.
struct PendingCall {
  std::function<void()> fn;
  std::exception_ptr error;
  bool done = false;  // guarded by Dispatcher::mutex
};

struct Dispatcher {
  std::mutex mutex;
  std::condition_variable posted;                           // a call was queued
  std::condition_variable finished;                         // a call has run
  std::deque<std::shared_ptr<PendingCall>> queue;           // guarded by mutex
  std::function<void()> wakeHook;                           // guarded by mutex
  std::thread::id mainThread = std::this_thread::get_id();  // guarded by mutex
};

Dispatcher& D() {
  // Constructed during static initialisation of this unit (see below), which
  // runs on the thread that starts the process.
  static Dispatcher dispatcher;
  return dispatcher;
}

[[maybe_unused]] const bool kCaptured = (D(), true);

}  // namespace

void SetMainThread(std::thread::id id) {
  std::lock_guard lock(D().mutex);
  D().mainThread = id;
}

bool IsMainThread() {
  std::lock_guard lock(D().mutex);
  return D().mainThread == std::this_thread::get_id();
}

void CallInMainThread(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  auto call = std::make_shared<PendingCall>();
  call->fn = fn;
  std::function<void()> hook;
  {
    std::lock_guard lock(D().mutex);
    D().queue.push_back(call);
    hook = D().wakeHook;
  }
  D().posted.notify_all();
  if (hook) hook();
  std::unique_lock lock(D().mutex);
  D().finished.wait(lock, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

int ProcessPendingMessages() {
  int count = 0;
  for (;;) {
    std::shared_ptr<PendingCall> call;
    {
      std::lock_guard lock(D().mutex);
      if (D().queue.empty()) break;
      call = D().queue.front();
      D().queue.pop_front();
    }
    try {
      call->fn();
    } catch (...) {
      call->error = std::current_exception();
    }
    {
      std::lock_guard lock(D().mutex);
      call->done = true;
    }
    D().finished.notify_all();
    ++count;
  }
  return count;
}

int WaitAndProcessMessages(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(D().mutex);
    D().posted.wait_for(lock, timeout, [] { return !D().queue.empty(); });
  }
  return ProcessPendingMessages();
}

void SetMainThreadWakeHook(std::function<void()> hook) {
  std::lock_guard lock(D().mutex);
  D().wakeHook = std::move(hook);
}

}  // namespace platform
