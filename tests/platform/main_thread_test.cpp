#include "platform/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/event.h"

namespace {
using namespace std::chrono_literals;
using platform::CallInMainThread;
using platform::Event;

class MainThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetMainThread(); }
  void TearDown() override { platform::SetMainThreadWakeHook(nullptr); }

  // Drains the queue on this (the main) thread until `done` is set.
  void DrainUntil(const std::atomic<bool>& done) {
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done && std::chrono::steady_clock::now() < deadline) {
      platform::WaitAndProcessMessages(20ms);
    }
    ASSERT_TRUE(done) << "worker did not finish";
  }
};

TEST_F(MainThreadTest, WorkerCallsRunOnTheMainThreadInOrder) {
  const auto mainId = std::this_thread::get_id();
  std::vector<int> order;  // touched only on the main thread
  std::atomic<bool> done{false};
  std::thread worker([&] {
    EXPECT_FALSE(platform::IsMainThread());
    for (int i = 0; i < 5; ++i) {
      CallInMainThread([&, i] {
        EXPECT_EQ(std::this_thread::get_id(), mainId);
        order.push_back(i);
      });
      // The call has run by the time CallInMainThread returns.
      EXPECT_EQ(order.size(), static_cast<size_t>(i + 1));
    }
    done = true;
  });
  DrainUntil(done);
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(MainThreadTest, ExceptionsComeBackToTheWorker) {
  std::atomic<bool> done{false};
  std::string caught;
  std::thread worker([&] {
    try {
      CallInMainThread([] { throw std::runtime_error("from main"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    done = true;
  });
  DrainUntil(done);
  worker.join();
  EXPECT_EQ(caught, "from main");
}

TEST_F(MainThreadTest, CallsFromTheMainThreadRunAtOnce) {
  EXPECT_TRUE(platform::IsMainThread());
  bool ran = false;
  CallInMainThread([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_EQ(platform::ProcessPendingMessages(), 0) << "nothing may have been queued";
}

TEST_F(MainThreadTest, WakeHookIsCalledAfterEachPost) {
  Event posted;
  platform::SetMainThreadWakeHook([&] { posted.Set(); });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    CallInMainThread([] {});
    done = true;
  });
  ASSERT_TRUE(posted.WaitFor(10s));
  EXPECT_FALSE(done) << "the worker waits until the main thread has run the call";
  EXPECT_EQ(platform::ProcessPendingMessages(), 1);
  worker.join();
  EXPECT_TRUE(done);
}

TEST(Event, ManualResetSemantics) {
  Event event;
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.WaitFor(10ms));
  event.Set();
  EXPECT_TRUE(event.WaitFor(0ms));
  EXPECT_TRUE(event.WaitFor(0ms)) << "stays set until reset";
  event.Reset();
  EXPECT_FALSE(event.IsSet());
  EXPECT_TRUE(Event(true).IsSet());

  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    event.Set();
  });
  event.Wait();
  setter.join();
  EXPECT_TRUE(event.IsSet());
}

}  // namespace
