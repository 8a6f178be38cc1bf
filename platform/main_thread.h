// Main-thread dispatcher: the one way for worker threads to run code on the
// main (user-interface) thread and wait for it.
//
// A worker calls CallInMainThread(fn); the call is queued and the worker
// blocks until the main thread has run it (exceptions thrown by fn are
// carried back to the worker). On the main thread fn runs at once.
// The main thread runs queued calls whenever it calls
// ProcessPendingMessages(); every main-thread wait loop (stopping workers,
// seeking, opening in the player) must call it between short waits, so a
// worker waiting on the main thread can never dead-lock it.
//
// A host with an event loop (the GUI) installs a wake-up hook that is called,
// from the posting thread, after each post; it should schedule a
// ProcessPendingMessages() call in its loop.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace platform {

// The main thread is the thread that started the process (captured at static
// initialisation); SetMainThread lets a host or a test choose another one.
void SetMainThread(std::thread::id id = std::this_thread::get_id());
bool IsMainThread();

// Runs fn on the main thread and returns when it has run.
void CallInMainThread(const std::function<void()>& fn);

// Runs every queued call on the calling thread (call it on the main thread).
// Returns the number of calls run.
int ProcessPendingMessages();

// Waits up to `timeout` until a call is queued, then runs all queued calls.
// For main loops without an event system of their own (the command line).
int WaitAndProcessMessages(std::chrono::milliseconds timeout);

// Called after every post, on the posting thread; empty for none.
void SetMainThreadWakeHook(std::function<void()> hook);

}  // namespace platform
