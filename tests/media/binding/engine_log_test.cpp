// The engine log: level conversions, the library callback's line assembly
// per thread, component message filtering and delivery in the main thread.
#include "media/binding/engine_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "media/binding/entry_table.h"
#include "platform/main_thread.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;

struct Received {
  TMediaComponent* sender;
  uint32_t threadId;
  TLogLevel level;
  std::string message;
  std::thread::id ranOn;
};

class Recorder {
 public:
  TLogEvent Handler() {
    return [this](TMediaComponent* sender, uint32_t threadId, TLogLevel level,
                  const std::string& message) {
      std::lock_guard lock(mutex_);
      items_.push_back({sender, threadId, level, message, std::this_thread::get_id()});
    };
  }
  std::vector<Received> Items() {
    std::lock_guard lock(mutex_);
    return items_;
  }
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const auto& r : Items()) out.push_back(r.message);
    return out;
  }

 private:
  std::mutex mutex_;
  std::vector<Received> items_;
};

// Calls the library callback the way av_log does, with a va_list.
void LibraryLog(void* context, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void LibraryLog(void* context, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LibraryLogCallback(context, level, format, args);
  va_end(args);
}

// A library-style context: its first member points to its class.
const char* TesterName(void*) {
  return "tester";
}
AVClass MakeTesterClass() {
  AVClass cls{};
  cls.class_name = "TesterClass";
  cls.item_name = TesterName;
  cls.version = LIBAVUTIL_VERSION_INT;
  return cls;
}
const AVClass kTesterClass = MakeTesterClass();
struct FakeContext {
  const AVClass* cls = &kTesterClass;
};

std::string PrefixOf(const void* context) {
  char text[128];
  lib::snprintf(text, sizeof text, "[tester @ %p]", context);
  return text;
}

class EngineLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::LoadRealLibraries();
    EngineLog().SetTriggerEventInMainThread(false);
    EngineLog().SetOnLog(recorder.Handler());
  }
  Recorder recorder;
};

TEST(LogLevelConversionTest, BothDirections) {
  const struct {
    TLogLevel level;
    int library;
  } toLibrary[] = {{llQuiet, -8},   {llPanic, 0}, {llFatal, 8},    {llError, 16},
                   {llWarning, 24}, {llInfo, 32}, {llVerbose, 40}, {llDebug, 48}};
  for (const auto& t : toLibrary) EXPECT_EQ(LogLevelToLibrary(t.level), t.library) << t.level;

  const struct {
    int library;
    TLogLevel level;
  } fromLibrary[] = {{-100, llQuiet}, {-9, llQuiet}, {-8, llQuiet}, {-1, llPanic},
                     {0, llPanic},    {8, llFatal},  {16, llError}, {20, llError},
                     {24, llWarning}, {32, llInfo},  {36, llInfo},  {40, llVerbose},
                     {47, llVerbose}, {48, llDebug}, {56, llDebug}, {1000, llDebug}};
  for (const auto& t : fromLibrary) EXPECT_EQ(LibraryToLogLevel(t.library), t.level) << t.library;
}

TEST_F(EngineLogTest, AssemblesLinesAcrossCallsWithTheFirstCallsPrefix) {
  FakeContext first, second;
  LibraryLog(&first, AV_LOG_INFO, "abc");
  EXPECT_TRUE(recorder.Items().empty());
  LibraryLog(&second, AV_LOG_WARNING, "def\n");
  auto items = recorder.Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].message, PrefixOf(&first) + "abcdef");
  EXPECT_EQ(items[0].sender, &EngineLog());
  EXPECT_EQ(items[0].threadId, CurrentThreadId());
  EXPECT_EQ(items[0].level, llWarning);  // the level of the call that ended the line
}

TEST_F(EngineLogTest, SplitsAtEveryLineFeedAndKeepsTheRestPending) {
  FakeContext context;
  LibraryLog(&context, AV_LOG_INFO, "one %d\ntwo %s\nthr", 1, "2");
  EXPECT_EQ(recorder.Messages(), (std::vector<std::string>{PrefixOf(&context) + "one 1", "two 2"}));
  LibraryLog(nullptr, AV_LOG_INFO, "ee\n");
  LibraryLog(nullptr, AV_LOG_INFO, "plain\n");
  EXPECT_EQ(recorder.Messages(),
            (std::vector<std::string>{PrefixOf(&context) + "one 1", "two 2", "three", "plain"}));

  // A context without a class gives no prefix.
  const AVClass* noClass = nullptr;
  LibraryLog(&noClass, AV_LOG_INFO, "bare\n");
  EXPECT_EQ(recorder.Messages().back(), "bare");
}

TEST_F(EngineLogTest, CutsAMessageAt2047Bytes) {
  const std::string longText(5000, 'x');
  LibraryLog(nullptr, AV_LOG_INFO, "%s\n", longText.c_str());
  EXPECT_TRUE(recorder.Items().empty());  // the line feed was cut off with the rest
  LibraryLog(nullptr, AV_LOG_INFO, "\n");
  ASSERT_EQ(recorder.Items().size(), 1u);
  EXPECT_EQ(recorder.Items()[0].message, std::string(2047, 'x'));
}

TEST_F(EngineLogTest, KeepsInterleavedLinesOfTwoThreadsApart) {
  std::promise<void> firstHalfWritten, otherThreadDone;
  uint32_t idA = 0, idB = 0;
  std::thread a([&] {
    idA = CurrentThreadId();
    LibraryLog(nullptr, AV_LOG_INFO, "A1-");
    firstHalfWritten.set_value();
    otherThreadDone.get_future().wait();
    LibraryLog(nullptr, AV_LOG_INFO, "A2\n");
  });
  std::thread b([&] {
    firstHalfWritten.get_future().wait();
    idB = CurrentThreadId();
    LibraryLog(nullptr, AV_LOG_INFO, "B1-");
    LibraryLog(nullptr, AV_LOG_INFO, "B2\nB3-");
    otherThreadDone.set_value();
  });
  a.join();
  b.join();
  auto items = recorder.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].message, "B1-B2");
  EXPECT_EQ(items[0].threadId, idB);
  EXPECT_EQ(items[1].message, "A1-A2");
  EXPECT_EQ(items[1].threadId, idA);
  EXPECT_NE(idA, idB);
}

TEST_F(EngineLogTest, LibraryLevelFiltersInTheCallback) {
  EngineLog().SetLogLevel(llError);
  EXPECT_EQ(LibraryLogLevel(), 16);
  EXPECT_EQ(lib::av_log_get_level(), 16);
  LibraryLog(nullptr, AV_LOG_WARNING, "warning\n");
  LibraryLog(nullptr, AV_LOG_ERROR, "error\n");
  // Through the libraries' own av_log too: the loader installed the callback.
  lib::av_log(nullptr, AV_LOG_WARNING, "library warning %d\n", 1);
  lib::av_log(nullptr, AV_LOG_ERROR, "library error %d\n", 2);
  // Colour bits above the level do not hide a message.
  LibraryLog(nullptr, AV_LOG_ERROR | (3 << 8), "tinted\n");
  auto items = recorder.Items();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].message, "error");
  EXPECT_EQ(items[0].level, llError);
  EXPECT_EQ(items[1].message, "library error 2");
  EXPECT_EQ(items[2].message, "tinted");
}

TEST_F(EngineLogTest, FiltersComponentMessagesByLevel) {
  TMediaComponent component("Probe");
  const struct {
    TLogLevel logLevel;
    TLogLevel messageLevel;
    bool delivered;
  } cases[] = {
      {llWarning, llVerbose, true},  // verbose messages pass at every level but quiet
      {llQuiet, llVerbose, false},  {llWarning, llInfo, false}, {llWarning, llWarning, true},
      {llWarning, llError, true},   {llQuiet, llPanic, false},  {llDebug, llDebug, true},
      {llInfo, llDebug, false},
  };
  for (const auto& c : cases) {
    EngineLog().SetLogLevel(c.logLevel);
    const size_t before = recorder.Items().size();
    EngineLog().LogMessage(&component, c.messageLevel, "message");
    const auto items = recorder.Items();
    ASSERT_EQ(items.size(), before + (c.delivered ? 1 : 0))
        << "log level " << c.logLevel << ", message level " << c.messageLevel;
    if (c.delivered) {
      EXPECT_EQ(items.back().sender, &component);
      EXPECT_EQ(items.back().level, c.messageLevel);
      EXPECT_EQ(items.back().threadId, CurrentThreadId());
    }
  }
}

TEST_F(EngineLogTest, LogFormatFormatsTextsOfAnyLength) {
  TMediaComponent component("Converter");
  const std::string longText(3000, 'y');
  EngineLog().LogFormat(&component, llError, "%s: %d frames", "out.avi", 25);
  EngineLog().LogFormat(&component, llError, "[%s]", longText.c_str());
  EngineLog().LogFormat(&component, llDebug, "dropped %d", 1);  // above llInfo
  EXPECT_EQ(recorder.Messages(),
            (std::vector<std::string>{"out.avi: 25 frames", "[" + longText + "]"}));
}

TEST_F(EngineLogTest, SetsTheLevelByName) {
  EngineLog().SetLogLevelByName("debug");
  EXPECT_EQ(EngineLog().LogLevel(), llDebug);
  EXPECT_EQ(LibraryLogLevel(), 48);
  EXPECT_EQ(lib::av_log_get_level(), 48);

  EngineLog().SetLogLevelByName("36");
  EXPECT_EQ(EngineLog().LogLevel(), llInfo);
  EXPECT_EQ(LibraryLogLevel(), 32);

  const struct {
    const char* name;
    TLogLevel level;
  } more[] = {{"WARNING", llWarning}, {"Quiet", llQuiet}, {"-100", llQuiet},
              {"+16", llError},       {"1000", llDebug},  {"verbose", llVerbose}};
  for (const auto& m : more) {
    EngineLog().SetLogLevelByName(m.name);
    EXPECT_EQ(EngineLog().LogLevel(), m.level) << m.name;
  }

  EngineLog().SetLogLevel(llInfo);
  for (const char* bad : {"abc", "", "12x", " 12", "+", "99999999999"}) {
    try {
      EngineLog().SetLogLevelByName(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
    EXPECT_EQ(EngineLog().LogLevel(), llInfo) << bad;
  }
}

TEST_F(EngineLogTest, DeliversAWorkersMessagesInTheMainThread) {
  EngineLog().SetTriggerEventInMainThread(true);
  TMediaComponent component("Player");
  std::atomic<bool> done{false};
  uint32_t workerId = 0;
  std::thread worker([&] {
    workerId = CurrentThreadId();
    EngineLog().LogMessage(&component, llInfo, "from worker");
    LibraryLog(nullptr, AV_LOG_INFO, "library line\n");
    done = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done && std::chrono::steady_clock::now() < deadline)
    platform::WaitAndProcessMessages(std::chrono::milliseconds(5));
  worker.join();
  auto items = recorder.Items();
  ASSERT_EQ(items.size(), 2u);
  for (const auto& item : items) {
    EXPECT_EQ(item.ranOn, std::this_thread::get_id()) << item.message;
    EXPECT_EQ(item.threadId, workerId) << item.message;
  }
  EXPECT_EQ(items[0].message, "from worker");
  EXPECT_EQ(items[0].sender, &component);
  EXPECT_EQ(items[1].message, "library line");
  EXPECT_EQ(items[1].sender, &EngineLog());
}

TEST(EngineLoggerInstanceTest, AllowsOnlyOneInstance) {
  {
    TEngineLogger mine;
    EXPECT_EQ(&EngineLog(), &mine);  // a logger placed by the application is the one
    try {
      TEngineLogger second;
      ADD_FAILURE() << "a second logger was created";
    } catch (const std::logic_error& e) {
      EXPECT_STREQ(e.what(), "Allow creating only one instance of TEngineLogger.");
    }
  }
  TEngineLogger& created = EngineLog();  // the reference was cleared: a new one
  EXPECT_EQ(&EngineLog(), &created);
  EXPECT_THROW(TEngineLogger another, std::logic_error);
}

}  // namespace
