// TControlLink: content delivery's counted handle to a host control that its owner destroys
// whatever its reference count says.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "content/flash_player_control_base.h"

namespace leafmark::content {

class TControlLink;
using TControlRef = std::shared_ptr<TControlLink>;

// One call into the control in progress: while it lasts, the control's destruction waits for
// it. Empty when the control is gone.
class TControlUse {
 public:
  TControlUse() = default;
  TControlUse(TControlUse&& other) noexcept;
  TControlUse& operator=(TControlUse&&) = delete;
  TControlUse(const TControlUse&) = delete;
  ~TControlUse();

  IFlashPlayerControlBase* Get() const noexcept { return control_; }
  IFlashPlayerControlBase* operator->() const noexcept { return control_; }
  explicit operator bool() const noexcept { return control_ != nullptr; }
  // The link itself, for whoever keeps it beyond this call (a fake file handle).
  const TControlRef& Link() const noexcept { return link_; }

 private:
  friend class TControlLink;
  TControlUse(TControlRef link, IFlashPlayerControlBase* control) noexcept;

  TControlRef link_;
  IFlashPlayerControlBase* control_ = nullptr;
  std::thread::id thread_;
};

// Shared by the control and everyone in content delivery who may reach it later (movie
// registrations, fake file handles). The control detaches it as it is destroyed; from then
// on every use finds no control.
class TControlLink {
 public:
  explicit TControlLink(IFlashPlayerControlBase* control) noexcept : control_(control) {}
  TControlLink(const TControlLink&) = delete;
  TControlLink& operator=(const TControlLink&) = delete;

  static TControlRef Create(IFlashPlayerControlBase* control) {
    return std::make_shared<TControlLink>(control);
  }

  // The control for one call, or an empty use when it is gone. link must be this link's
  // owner (the use keeps it).
  static TControlUse Use(const TControlRef& link);

  // Called by the control on its own thread as it is destroyed: later uses find nothing, and
  // uses already running on other threads are waited for. Those may be waiting for this
  // (the main) thread to run their stream writes or answer their messages, so both are
  // served while waiting. A use on this same thread (the control destroyed from inside one
  // of its own events) is not waited for.
  void Detach() noexcept;

 private:
  friend class TControlUse;
  void EndUse(std::thread::id thread) noexcept;
  bool OthersInside(std::thread::id self) const noexcept;

  mutable std::mutex lock_;
  std::condition_variable left_;
  IFlashPlayerControlBase* control_;
  std::vector<std::thread::id> users_;  // one entry per use in progress
};

}  // namespace leafmark::content
