// Message pumping for tests whose main thread must keep serving its windows and queued
// calls while it waits.
#pragma once

#include <chrono>
#include <functional>

namespace leafmark::test {

// Dispatches the messages already waiting on this thread.
void PumpPendingMessages();
// Dispatches this thread's messages until done() is true; false after the time limit.
bool PumpMessagesUntil(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(20));
// Runs body on a new thread (COM initialised there) while this thread pumps messages;
// body's exception is thrown again here. A body that outlasts PumpMessagesUntil's default
// limit is still waited for, then reported with std::runtime_error.
void RunOnWorkerWhilePumping(const std::function<void()>& body);

}  // namespace leafmark::test
