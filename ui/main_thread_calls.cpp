// The main-thread call queue: a list of waiting calls, drained by a message-only window that
// the main thread owns, so any message loop of that thread runs them.
#include "ui/main_thread_calls.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace leafmark::ui {
namespace {

constexpr UINT kRunQueuedCalls = WM_APP + 0x10;
constexpr wchar_t kWakeWindowClass[] = L"LeafmarkMainThreadCalls";

// Lives on the stack of the waiting caller until done is set; a posted call, which nobody
// waits for, owns its function and is deleted by whoever takes it off the queue.
struct TQueuedCall {
  const std::function<void()>* call = nullptr;
  std::function<void()> owned;
  bool posted = false;
  std::exception_ptr error;
  bool done = false;
};



std::mutex queueLock;
std::condition_variable callFinished;
std::deque<TQueuedCall*> pendingCalls;  // guarded by queueLock
HWND wakeWindow = nullptr;              // guarded by queueLock
std::atomic<DWORD> mainThreadId{0};     // 0 is never a thread id

void MarkDone(TQueuedCall& queued, std::exception_ptr error) {
  {
    std::lock_guard guard(queueLock);
    queued.error = std::move(error);
    queued.done = true;
  }
  // queued may be gone from here on: its caller wakes as soon as the lock is free.
  callFinished.notify_all();
}

// Takes a queued call off the queue's hands: a waiting caller is woken, a posted call freed.
void Settle(TQueuedCall& queued, std::exception_ptr error) {
  if (queued.posted) {
    delete &queued;
    return;
  }
  MarkDone(queued, std::move(error));
}

LRESULT CALLBACK WakeWindowProc(HWND window, UINT message, WPARAM wParam,
                                LPARAM lParam) noexcept {
  if (message == kRunQueuedCalls) {
    ProcessMainThreadCalls();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateWakeWindow() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WakeWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWakeWindowClass;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("Cannot register the main-thread call window class");
  }
  const HWND window = CreateWindowExW(0, kWakeWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, instance, nullptr);
  if (!window) throw std::runtime_error("Cannot create the main-thread call window");
  return window;
}

}  // namespace

void InitMainThreadCalls() {
  const DWORD self = GetCurrentThreadId();
  const DWORD current = mainThreadId.load();
  if (current == self) return;
  if (current != 0) throw std::logic_error("Main-thread calls are already initialised");
  const HWND window = CreateWakeWindow();
  std::lock_guard guard(queueLock);
  wakeWindow = window;
  mainThreadId = self;
}

void FinalizeMainThreadCalls() {
  if (!IsMainThread()) return;
  HWND window = nullptr;
  std::deque<TQueuedCall*> abandoned;
  {
    std::lock_guard guard(queueLock);
    window = wakeWindow;
    wakeWindow = nullptr;
    mainThreadId = 0;
    abandoned.swap(pendingCalls);
  }
  for (TQueuedCall* queued : abandoned) {
    Settle(*queued, std::make_exception_ptr(
                        std::logic_error("The main thread no longer runs queued calls")));
  }
  if (window) DestroyWindow(window);
  UnregisterClassW(kWakeWindowClass, GetModuleHandleW(nullptr));
}

bool IsMainThread() { return mainThreadId.load() == GetCurrentThreadId(); }

void RunOnMainThread(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  TQueuedCall queued;
  queued.call = &call;
  {
    std::unique_lock guard(queueLock);
    if (!wakeWindow) throw std::logic_error("Main-thread calls are not initialised");
    pendingCalls.push_back(&queued);
    if (!PostMessageW(wakeWindow, kRunQueuedCalls, 0, 0)) {
      pendingCalls.erase(std::find(pendingCalls.begin(), pendingCalls.end(), &queued));
      throw std::runtime_error("Cannot wake the main thread");
    }
    callFinished.wait(guard, [&] { return queued.done; });
  }
  if (queued.error) std::rethrow_exception(queued.error);
}

void PostToMainThread(std::function<void()> call) {
  auto queued = std::make_unique<TQueuedCall>();
  queued->owned = std::move(call);
  queued->call = &queued->owned;
  queued->posted = true;
  std::lock_guard guard(queueLock);
  if (!wakeWindow) throw std::logic_error("Main-thread calls are not initialised");
  pendingCalls.push_back(queued.get());
  if (!PostMessageW(wakeWindow, kRunQueuedCalls, 0, 0)) {
    pendingCalls.pop_back();
    throw std::runtime_error("Cannot wake the main thread");
  }
  queued.release();  // the queue owns it now
}

int ProcessMainThreadCalls() {
  if (!IsMainThread()) return 0;
  int ran = 0;
  for (;;) {
    TQueuedCall* next = nullptr;
    {
      std::lock_guard guard(queueLock);
      if (pendingCalls.empty()) break;
      next = pendingCalls.front();
      pendingCalls.pop_front();
    }
    // Run without the lock: the call may queue or pump messages itself.
    std::exception_ptr error;
    try {
      (*next->call)();
    } catch (...) {
      error = std::current_exception();
    }
    Settle(*next, std::move(error));
    ++ran;
  }
  return ran;
}

}  // namespace leafmark::ui
