#include "media/binding/engine_log.h"

#include <unistd.h>

#include <charconv>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "media/binding/entry_table.h"
#include "platform/main_thread.h"

namespace media {
namespace {

constexpr const char* kSecondInstance = "Allow creating only one instance of TEngineLogger.";
// Library messages are formatted into a buffer of this size (the text keeps
// at most 2,047 bytes and its final 0).
constexpr size_t kMessageBuffer = 2048;

struct LogState {
  // Guards `instance`; recursive because EngineLog() holds it while the
  // constructor registers the new logger.
  std::recursive_mutex instanceMutex;
  TEngineLogger* instance = nullptr;
  // Text of library messages not yet ended by a line feed, per thread.
  // Entries are removed when their text becomes empty.
  std::mutex pendingMutex;
  std::unordered_map<uint32_t, std::string> pending;
  std::atomic<int> libraryLevel{AV_LOG_INFO};
};

// Never destroyed: a library may still log while the process ends.
LogState& S() {
  static LogState* state = new LogState;
  return *state;
}

std::unique_ptr<TEngineLogger>& OwnedLogger() {
  static std::unique_ptr<TEngineLogger> logger;
  return logger;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Runs the handler with its own copy of the event's values, in the main
// thread when asked to (the calling thread waits until it has run).
void Dispatch(const TLogEvent& handler, bool inMainThread, TMediaComponent* sender,
              uint32_t threadId, TLogLevel level, const std::string& message) {
  if (!handler) return;
  if (inMainThread)
    platform::CallInMainThread(
        [handler, sender, threadId, level, message] { handler(sender, threadId, level, message); });
  else
    handler(sender, threadId, level, message);
}

}  // namespace

int LogLevelToLibrary(TLogLevel level) {
  return (static_cast<int>(level) - 1) * 8;
}

TLogLevel LibraryToLogLevel(int libraryLevel) {
  if (libraryLevel < AV_LOG_QUIET) return llQuiet;
  if (libraryLevel >= AV_LOG_DEBUG) return llDebug;
  return static_cast<TLogLevel>(libraryLevel / 8 + 1);
}

int LibraryLogLevel() {
  return S().libraryLevel.load();
}

uint32_t CurrentThreadId() {
  return static_cast<uint32_t>(::gettid());
}

TEngineLogger::TEngineLogger()
    : TMediaComponent("EngineLogger"), logLevel_(LibraryToLogLevel(S().libraryLevel.load())) {
  std::lock_guard lock(S().instanceMutex);
  if (S().instance != nullptr) throw std::logic_error(kSecondInstance);
  S().instance = this;
}

TEngineLogger::~TEngineLogger() {
  std::lock_guard lock(S().instanceMutex);
  if (S().instance == this) S().instance = nullptr;
}

void TEngineLogger::SetLogLevel(TLogLevel value) {
  if (value == logLevel_.load()) return;
  logLevel_.store(value);
  ApplyLogLevel();
}

void TEngineLogger::SetLogLevelByName(const std::string& name) {
  static const struct {
    const char* name;
    int level;
  } kNames[] = {{"quiet", AV_LOG_QUIET},     {"panic", AV_LOG_PANIC},     {"fatal", AV_LOG_FATAL},
                {"error", AV_LOG_ERROR},     {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
                {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
  int level = 0;
  bool known = false;
  for (const auto& n : kNames)
    if (EqualsNoCase(name, n.name)) {
      level = n.level;
      known = true;
      break;
    }
  if (!known) {
    const char* first = name.data();
    const char* last = first + name.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
    auto [end, error] = std::from_chars(first, last, level);
    if (name.empty() || error != std::errc() || end != last)
      throw std::invalid_argument("'" + name + "' is not a valid integer value");
  }
  SetLogLevel(LibraryToLogLevel(level));
}

void TEngineLogger::ApplyLogLevel() {
  if (lib::av_log_set_level == nullptr) return;
  const int level = LogLevelToLibrary(LogLevel());
  S().libraryLevel.store(level);
  lib::av_log_set_level(level);
}

TLogEvent TEngineLogger::OnLog() const {
  std::lock_guard lock(handlerMutex_);
  return onLog_;
}

void TEngineLogger::SetOnLog(TLogEvent handler) {
  std::lock_guard lock(handlerMutex_);
  onLog_ = std::move(handler);
}

namespace {
bool ComponentLevelWanted(TLogLevel level, TLogLevel logLevel) {
  return level <= logLevel || (level == llVerbose && logLevel != llQuiet);
}
}  // namespace

void TEngineLogger::LogMessage(TMediaComponent* sender, TLogLevel level,
                               const std::string& message) {
  if (!ComponentLevelWanted(level, LogLevel())) return;
  Dispatch(OnLog(), TriggerEventInMainThread(), sender, CurrentThreadId(), level, message);
}

void TEngineLogger::LogFormat(TMediaComponent* sender, TLogLevel level, const char* format, ...) {
  if (!ComponentLevelWanted(level, LogLevel()) || !OnLog()) return;
  std::string text = format != nullptr ? format : "";
  if (format != nullptr && lib::vsnprintf != nullptr) {
    va_list args;
    va_start(args, format);
    char small[512];
    va_list measure;
    va_copy(measure, args);
    const int n = lib::vsnprintf(small, sizeof small, format, measure);
    va_end(measure);
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
      text = small;
    } else if (n >= 0) {
      text.assign(static_cast<size_t>(n), '\0');
      lib::vsnprintf(text.data(), static_cast<size_t>(n) + 1, format, args);
    }
    va_end(args);
  }
  LogMessage(sender, level, text);
}

void TEngineLogger::DeliverLibraryLine(uint32_t threadId, TLogLevel level,
                                       const std::string& line) {
  Dispatch(OnLog(), TriggerEventInMainThread(), this, threadId, level, line);
}

TEngineLogger& EngineLog() {
  std::lock_guard lock(S().instanceMutex);
  if (S().instance != nullptr) return *S().instance;
  OwnedLogger() = std::make_unique<TEngineLogger>();
  return *OwnedLogger();
}

void InstallLibraryLog() {
  if (lib::av_log_set_callback == nullptr || lib::av_log_set_level == nullptr)
    throw std::logic_error("InstallLibraryLog: av_log_set_callback and av_log_set_level not bound");
  TEngineLogger& log = EngineLog();
  lib::av_log_set_callback(&LibraryLogCallback);
  log.ApplyLogLevel();
}

void LibraryLogCallback(void* context, int level, const char* format, va_list args) {
  // Called from C: nothing may escape.
  try {
    // Callers may add colour bits above the level (AV_LOG_C); FFmpeg's own
    // callback strips them the same way.
    if (level >= 0) level &= 0xff;
    if (level > S().libraryLevel.load()) return;
    // Without the C library there is nothing to format with.
    if (format == nullptr || lib::vsnprintf == nullptr || lib::snprintf == nullptr) return;

    char prefix[256] = {};
    if (context != nullptr) {
      const AVClass* cls = *static_cast<const AVClass* const*>(context);
      if (cls != nullptr) {
        const char* item = cls->item_name != nullptr ? cls->item_name(context) : cls->class_name;
        lib::snprintf(prefix, sizeof prefix, "[%s @ %p]", item != nullptr ? item : "", context);
      }
    }
    char text[kMessageBuffer] = {};
    lib::vsnprintf(text, sizeof text, format, args);

    const uint32_t threadId = CurrentThreadId();
    std::vector<std::string> lines;
    {
      std::lock_guard lock(S().pendingMutex);
      std::string& pending = S().pending[threadId];
      if (pending.empty())
        pending = std::string(prefix) + text;
      else
        pending += text;
      for (size_t pos; (pos = pending.find('\n')) != std::string::npos;) {
        lines.push_back(pending.substr(0, pos));
        pending.erase(0, pos + 1);
      }
      if (pending.empty()) S().pending.erase(threadId);
    }
    if (lines.empty()) return;

    // Copy what delivery needs and let go of the lock before delivering: the
    // main thread may need it while this thread waits for the handler.
    TLogEvent handler;
    bool inMainThread = true;
    TEngineLogger* logger = nullptr;
    {
      std::lock_guard lock(S().instanceMutex);
      logger = S().instance;
      if (logger == nullptr) return;
      handler = logger->OnLog();
      inMainThread = logger->TriggerEventInMainThread();
    }
    const TLogLevel logLevel = LibraryToLogLevel(level);
    for (const auto& line : lines)
      Dispatch(handler, inMainThread, logger, threadId, logLevel, line);
  } catch (...) {
  }
}

}  // namespace media
