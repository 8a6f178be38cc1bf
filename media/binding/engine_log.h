// The engine log: one process-wide TEngineLogger collects the media
// libraries' messages (through the libraries' log callback, assembled into
// whole lines per thread) and the messages of our own media components, and
// hands both to the application through one event, OnLog.
//
// Ownership and locking:
// - EngineLog() creates the single logger on first use and owns it until the
//   process ends. A logger constructed by the application instead (before
//   anyone called EngineLog()) is owned by whoever constructed it; EngineLog()
//   returns it while it lives, and destroying it clears the reference.
//   Constructing a second logger throws std::logic_error.
// - The per-thread pending text of library messages lives in one
//   process-wide table guarded by its own mutex; it is never held while an
//   event is delivered.
// - LibraryLogLevel and LogLevel are atomics: any thread may read them.
//   Set the level, the handler and TriggerEventInMainThread from the main
//   thread; the handler itself is guarded by a mutex and copied for each
//   delivery.
// - With TriggerEventInMainThread (the default) a worker that logs waits
//   until the main thread has run the handler (platform::CallInMainThread),
//   so main-thread code that waits for workers must keep calling
//   platform::ProcessPendingMessages().
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "media/binding/media_component.h"

namespace media {

enum TLogLevel : int {
  llQuiet,
  llPanic,
  llFatal,
  llError,
  llWarning,
  llInfo,
  llVerbose,
  llDebug,
};

// (ordinal - 1) x 8: llQuiet -8 ... llDebug 48.
int LogLevelToLibrary(TLogLevel level);
// Below -8 llQuiet, 48 or more llDebug, else level / 8 (toward zero) + 1.
TLogLevel LibraryToLogLevel(int libraryLevel);

// The process-wide library level (initially 32); library messages above it
// are dropped by LibraryLogCallback.
int LibraryLogLevel();

// The kernel's identifier of the calling thread.
uint32_t CurrentThreadId();

// Sender: the component that logged (the logger itself for library lines);
// threadId: the thread that logged; message: one line without line feed.
using TLogEvent = std::function<void(TMediaComponent* sender, uint32_t threadId, TLogLevel level,
                                     const std::string& message)>;

class TEngineLogger : public TMediaComponent {
 public:
  // Throws std::logic_error("Allow creating only one instance of
  // TEngineLogger.") when a logger exists already.
  TEngineLogger();
  ~TEngineLogger() override;

  TLogLevel LogLevel() const { return logLevel_.load(); }
  // When the value differs from LogLevel: stores it and ApplyLogLevel().
  void SetLogLevel(TLogLevel value);
  // "quiet" ... "debug" (any case) or a decimal library level; throws
  // std::invalid_argument naming the text when it is neither.
  void SetLogLevelByName(const std::string& name);
  // When av_log_set_level is bound: LibraryLogLevel = LogLevel's library
  // level, handed to the libraries too.
  void ApplyLogLevel();

  bool TriggerEventInMainThread() const { return triggerInMainThread_.load(); }
  void SetTriggerEventInMainThread(bool value) { triggerInMainThread_.store(value); }

  TLogEvent OnLog() const;
  void SetOnLog(TLogEvent handler);

  // A component's message: delivered when OnLog is set and level <= LogLevel,
  // or level is llVerbose and LogLevel is not llQuiet.
  void LogMessage(TMediaComponent* sender, TLogLevel level, const std::string& message);
  // printf-style LogMessage, formatted through the C library's vsnprintf
  // (any length). Without the C library bound the format text is delivered.
  void LogFormat(TMediaComponent* sender, TLogLevel level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  // Delivers one assembled library line (Sender = this logger, no further
  // level filter).
  void DeliverLibraryLine(uint32_t threadId, TLogLevel level, const std::string& line);

 private:
  void Raise(TMediaComponent* sender, uint32_t threadId, TLogLevel level,
             const std::string& message, bool fromLibrary);

  std::atomic<TLogLevel> logLevel_;
  std::atomic<bool> triggerInMainThread_{true};
  mutable std::mutex handlerMutex_;
  TLogEvent onLog_;  // guarded by handlerMutex_
};

// The single logger, created on first use.
TEngineLogger& EngineLog();

// Installs LibraryLogCallback and the level in the libraries; the loader
// calls it after every successful load of avutil. av_log_set_callback and
// av_log_set_level must be bound (std::logic_error otherwise).
void InstallLibraryLog();

// The libraries' log callback (the signature of av_log_set_callback). Any
// thread. Drops messages above LibraryLogLevel; formats the message (bounded
// to 2,047 bytes) behind a "[%s @ %p]" prefix naming the context's class
// item; appends it to the calling thread's pending text (the prefix only when
// that text was empty) and delivers every complete line; text after the last
// line feed stays pending for the next call on the same thread.
void LibraryLogCallback(void* context, int level, const char* format, va_list args);

}  // namespace media
