#include "platform/thread_priority.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

bool SetCurrentThreadPriority(ThreadPriority priority) {
  // Linux schedules threads, so policy and nice value are set on the
  // calling thread's id, never on the whole process.
  const pid_t tid = gettid();
  sched_param param{};
  param.sched_priority = 0;
  if (priority == ThreadPriority::Idle) return sched_setscheduler(tid, SCHED_IDLE, &param) == 0;

  int nice = 0;
  switch (priority) {
    case ThreadPriority::Lower:
      nice = 5;
      break;
    case ThreadPriority::Lowest:
      nice = 10;
      break;
    case ThreadPriority::Normal:
    case ThreadPriority::Idle:
      break;
  }
  // Leave SCHED_IDLE (or any other policy) for the normal time-sharing one;
  // the nice value only counts there.
  if (sched_getscheduler(tid) != SCHED_OTHER && sched_setscheduler(tid, SCHED_OTHER, &param) != 0) {
    return false;
  }
  return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0;
}

}  // namespace platform
