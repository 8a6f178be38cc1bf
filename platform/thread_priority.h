// Worker thread priorities: idle -> SCHED_IDLE, normal -> nice 0,
// lower -> nice 5, lowest -> nice 10, set on the calling thread only.
#pragma once

namespace platform {

enum class ThreadPriority { Idle, Normal, Lower, Lowest };

// Applies the priority to the calling thread; false when the system refused
// (raising priority back needs privileges; the thread then keeps running).
bool SetCurrentThreadPriority(ThreadPriority priority);

}  // namespace platform
