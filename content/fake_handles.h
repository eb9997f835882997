// TFakeHandleStreamPair: one open fake file handle, the stream served under it and the
// control that supplied the stream; and TFakeHandleStream, one operation on that stream.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "base/stream.h"
#include "content/control_link.h"
#include "win/unique_any.h"

namespace leafmark::content {

class TFakeHandleStreamPair {
 public:
  TFakeHandleStreamPair(win::TUniqueHandle handle, std::unique_ptr<TStream> stream,
                        TControlRef control);
  // Tells the control the stream is done (when the control is still there), then closes the
  // handle and frees the stream.
  ~TFakeHandleStreamPair();
  TFakeHandleStreamPair(const TFakeHandleStreamPair&) = delete;
  TFakeHandleStreamPair& operator=(const TFakeHandleStreamPair&) = delete;

  HANDLE Handle() const { return handle_.Get(); }

 private:
  friend class TFakeHandleStream;

  win::TUniqueHandle handle_;
  std::mutex streamLock_;  // one operation on the stream at a time
  std::unique_ptr<TStream> stream_;
  TControlRef control_;
};

// The stream behind a fake handle, held for one operation: other operations on the same
// handle wait for it, and a close of the handle meanwhile frees the stream only after it.
// Empty when the handle is not a fake one.
class TFakeHandleStream {
 public:
  TFakeHandleStream() = default;
  explicit TFakeHandleStream(std::shared_ptr<TFakeHandleStreamPair> pair)
      : pair_(std::move(pair)), guard_(pair_->streamLock_) {}

  explicit operator bool() const noexcept { return pair_ != nullptr; }
  TStream* Get() const noexcept { return pair_ ? pair_->stream_.get() : nullptr; }
  TStream* operator->() const noexcept { return pair_->stream_.get(); }
  TStream& operator*() const noexcept { return *pair_->stream_; }

 private:
  std::shared_ptr<TFakeHandleStreamPair> pair_;
  std::unique_lock<std::mutex> guard_;
};

}  // namespace leafmark::content
