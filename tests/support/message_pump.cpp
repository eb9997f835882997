// Pumping loops over the thread's message queue.
#include "tests/support/message_pump.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <exception>
#include <stdexcept>
#include <thread>

namespace leafmark::test {

void PumpPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    PumpPendingMessages();
  }
  return true;
}

void RunOnWorkerWhilePumping(const std::function<void()>& body) {
  std::atomic<bool> finished{false};
  std::exception_ptr error;
  std::thread worker([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
      body();
    } catch (...) {
      error = std::current_exception();
    }
    CoUninitialize();
    finished = true;
  });
  const bool done = PumpMessagesUntil([&] { return finished.load(); });
  worker.join();
  if (!done) throw std::runtime_error("the worker did not finish");
  if (error) std::rethrow_exception(error);
}

}  // namespace leafmark::test
