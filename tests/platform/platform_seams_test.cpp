// The message box seam and worker thread priorities.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "platform/message_box.h"
#include "platform/thread_priority.h"

namespace {
using namespace platform;

TEST(MessageBox, InstalledHandlerSeesTheRequestAndGivesTheAnswer) {
  std::vector<MessageRequest> seen;
  SetMessageBoxHandler([&](const MessageRequest& r) {
    seen.push_back(r);
    return MsgAnswer::No;
  });
  EXPECT_EQ(
      ShowMessage("Warning", "Do you really want to exit?", MsgIcon::Question, MsgButtons::YesNo),
      MsgAnswer::No);
  SetMessageBoxHandler(nullptr);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, "Warning");
  EXPECT_EQ(seen[0].text, "Do you really want to exit?");
  EXPECT_EQ(seen[0].icon, MsgIcon::Question);
  EXPECT_EQ(seen[0].buttons, MsgButtons::YesNo);
}

TEST(MessageBox, DefaultHandlerPrintsAndTakesTheFirstButton) {
  SetMessageBoxHandler(nullptr);
  struct Case {
    MsgButtons buttons;
    MsgAnswer answer;
  };
  for (const Case& c :
       {Case{MsgButtons::Ok, MsgAnswer::Ok}, Case{MsgButtons::OkCancel, MsgAnswer::Ok},
        Case{MsgButtons::YesNo, MsgAnswer::Yes}, Case{MsgButtons::YesNoCancel, MsgAnswer::Yes}}) {
    testing::internal::CaptureStderr();
    MsgAnswer answer = ShowMessage("Caption", "Text", MsgIcon::Information, c.buttons);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(printed, "Caption: Text\n");
  }
}

pid_t Tid() {
  return gettid();
}

TEST(ThreadPriority, AppliesToTheCallingThreadOnly) {
  errno = 0;
  const int mainNice = getpriority(PRIO_PROCESS, static_cast<id_t>(Tid()));
  struct Case {
    ThreadPriority priority;
    int policy;
    int nice;  // -1: not checked (SCHED_IDLE ignores it)
  };
  for (const Case& c :
       {Case{ThreadPriority::Lower, SCHED_OTHER, 5}, Case{ThreadPriority::Lowest, SCHED_OTHER, 10},
        Case{ThreadPriority::Idle, SCHED_IDLE, -1}}) {
    std::thread worker([&] {
      ASSERT_TRUE(SetCurrentThreadPriority(c.priority));
      EXPECT_EQ(sched_getscheduler(Tid()), c.policy);
      if (c.nice >= 0) {
        EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(Tid())), c.nice);
      }
    });
    worker.join();
  }
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(Tid())), mainNice);
  EXPECT_EQ(sched_getscheduler(Tid()), SCHED_OTHER);
}

TEST(ThreadPriority, NormalLeavesIdleScheduling) {
  std::thread worker([] {
    ASSERT_TRUE(SetCurrentThreadPriority(ThreadPriority::Idle));
    // Leaving SCHED_IDLE and lowering the nice value back may need
    // privileges; when the system allows it the thread is normal again.
    if (SetCurrentThreadPriority(ThreadPriority::Normal)) {
      EXPECT_EQ(sched_getscheduler(Tid()), SCHED_OTHER);
      EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(Tid())), 0);
    } else {
      EXPECT_NE(geteuid(), 0u) << "root may always return to normal";
    }
  });
  worker.join();
}

}  // namespace
