// A task's option set-up for tests: the installed libraries, an option
// store, a fresh option state, a scripted host, and the engine log's
// component messages captured in order.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "media/binding/engine_log.h"
#include "media/binding/option_store.h"
#include "media/engine/engine_exception.h"
#include "media/engine/option_state.h"
#include "tests/support/real_libraries.h"

namespace enginetest {

// Records what the options asked of the task.
class FakeHost : public media::TOptionHost {
 public:
  int OutputFileCount() const override { return outputFiles; }
  void NewStream(AVMediaType type) override { newStreams.push_back(type); }
  int AddFrameHook(const std::vector<std::string>& arguments) override {
    hookArguments.push_back(arguments);
    return hookResult;
  }
  std::vector<AVRational> InputVideoTimeBases() const override { return timeBases; }
  void SetTotalDuration(int64_t microseconds) override { totalDuration = microseconds; }

  int outputFiles = 0;
  int hookResult = 0;
  std::vector<AVRational> timeBases;
  std::vector<AVMediaType> newStreams;
  std::vector<std::vector<std::string>> hookArguments;
  int64_t totalDuration = -1;
};

struct LoggedLine {
  media::TLogLevel level;
  std::string text;
};

class OptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::LoadRealLibraries();
    ASSERT_TRUE(store.Create(state.SwsFlags));
    auto& log = media::EngineLog();
    savedLevel_ = log.LogLevel();
    log.SetLogLevel(media::llInfo);
    log.SetTriggerEventInMainThread(false);
    log.SetOnLog([this](media::TMediaComponent* sender, uint32_t, media::TLogLevel level,
                        const std::string& message) {
      if (sender != &media::EngineLog()) logged.push_back({level, message});
    });
  }

  void TearDown() override {
    auto& log = media::EngineLog();
    log.SetOnLog(nullptr);
    log.SetLogLevel(savedLevel_);
  }

  void Apply(const std::string& name, const std::string& value) {
    media::ApplyOption(context, name, value);
  }

  // The message of the EngineException the option raises ("" when none).
  std::string ErrorOf(const std::string& name, const std::string& value) {
    try {
      Apply(name, value);
    } catch (const media::EngineException& e) {
      return e.what();
    }
    return "";
  }

  bool Logged(media::TLogLevel level, const std::string& text) const {
    for (const auto& line : logged) {
      if (line.level == level && line.text == text) return true;
    }
    return false;
  }

  AVCodecContext* VideoOptions() const { return store.CodecOptions(AVMEDIA_TYPE_VIDEO); }
  AVCodecContext* AudioOptions() const { return store.CodecOptions(AVMEDIA_TYPE_AUDIO); }

  media::TOptionState state;
  media::OptionStore store;
  FakeHost host;
  media::TOptionContext context{state, store, &host, nullptr};
  std::vector<LoggedLine> logged;

 private:
  media::TLogLevel savedLevel_ = media::llInfo;
};

}  // namespace enginetest
