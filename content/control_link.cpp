// Uses of a host control counted per thread, and the wait for them when it goes.
#include "content/control_link.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "ui/main_thread_calls.h"

namespace leafmark::content {

TControlUse::TControlUse(TControlRef link, IFlashPlayerControlBase* control) noexcept
    : link_(std::move(link)), control_(control), thread_(std::this_thread::get_id()) {}

TControlUse::TControlUse(TControlUse&& other) noexcept
    : link_(std::move(other.link_)),
      control_(std::exchange(other.control_, nullptr)),
      thread_(other.thread_) {}

TControlUse::~TControlUse() {
  if (control_) link_->EndUse(thread_);
}

TControlUse TControlLink::Use(const TControlRef& link) {
  if (!link) return {};
  std::lock_guard guard(link->lock_);
  if (!link->control_) return {};
  link->users_.push_back(std::this_thread::get_id());
  return TControlUse(link, link->control_);
}

void TControlLink::EndUse(std::thread::id thread) noexcept {
  {
    std::lock_guard guard(lock_);
    const auto found = std::find(users_.begin(), users_.end(), thread);
    if (found != users_.end()) users_.erase(found);
  }
  left_.notify_all();
}

bool TControlLink::OthersInside(std::thread::id self) const noexcept {
  return std::any_of(users_.begin(), users_.end(),
                     [&](std::thread::id user) { return user != self; });
}

void TControlLink::Detach() noexcept {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock guard(lock_);
  control_ = nullptr;
  while (OthersInside(self)) {
    guard.unlock();
    ui::ProcessMainThreadCalls();
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    guard.lock();
    left_.wait_for(guard, std::chrono::milliseconds(5), [&] { return !OthersInside(self); });
  }
}

}  // namespace leafmark::content
