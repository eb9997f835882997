// Runs calls on the main (GUI) thread: at once when already there, otherwise queued to the
// main thread's message loop while the calling thread waits.
#pragma once

#include <functional>

namespace leafmark::ui {

// On the main thread, before any other thread queues a call; the application does this
// at start-up, tests in their set-up.
void InitMainThreadCalls();
void FinalizeMainThreadCalls();

bool IsMainThread();

// Runs call on the main thread and returns when it has run. An exception thrown by call is
// thrown again here, in the caller's thread. From another thread, the main thread must be
// pumping messages for the call to run.
void RunOnMainThread(const std::function<void()>& call);

}  // namespace leafmark::ui
