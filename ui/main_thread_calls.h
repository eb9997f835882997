// Runs calls on the main (GUI) thread: at once when already there, otherwise queued to the
// main thread's message loop while the calling thread waits.
#pragma once

#include <functional>

namespace leafmark::ui {

// On the main thread, before any other thread queues a call; the application does this
// at start-up, tests in their set-up. The calling thread becomes the main thread; a
// message-only window owned by it wakes its message loop when calls are queued.
void InitMainThreadCalls();
// On the main thread, after the message loop has ended. Calls still queued are not run:
// their callers get an error. Later calls from other threads fail the same way.
void FinalizeMainThreadCalls();

bool IsMainThread();

// Runs call on the main thread and returns when it has run. An exception thrown by call is
// thrown again here, in the caller's thread. From another thread, the main thread must be
// pumping messages for the call to run (any GetMessage/DispatchMessage loop does, modal
// loops included). Throws std::logic_error from another thread when the queue is not
// initialised.
void RunOnMainThread(const std::function<void()>& call);

// Queues call to run on the main thread's message loop and returns at once, from any thread
// (on the main thread too: the call runs later, from the loop). What the call throws is
// dropped; calls still queued at finalisation are dropped unrun. Throws std::logic_error when
// the queue is not initialised.
void PostToMainThread(std::function<void()> call);

// Runs the calls queued so far, on the main thread, for loops that wait without dispatching
// messages. Returns how many ran. Does nothing on other threads.
int ProcessMainThreadCalls();

}  // namespace leafmark::ui
