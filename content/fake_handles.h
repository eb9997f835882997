// TFakeHandleStreamPair: one open fake file handle, the stream served under it and the
// control that supplied the stream.
#pragma once

#include <windows.h>

#include <memory>

#include "archive/stream.h"
#include "content/com_ptr.h"
#include "content/flash_player_control_base.h"
#include "content/unique_handle.h"

namespace leafmark::content {

class TFakeHandleStreamPair {
 public:
  TFakeHandleStreamPair(HANDLE handle, std::unique_ptr<TStream> stream,
                        com::TComPtr<IFlashPlayerControlBase> control);
  // Tells the control the stream is done, then closes the handle, frees the stream and
  // releases the control.
  ~TFakeHandleStreamPair();
  TFakeHandleStreamPair(const TFakeHandleStreamPair&) = delete;
  TFakeHandleStreamPair& operator=(const TFakeHandleStreamPair&) = delete;

  HANDLE Handle() const { return handle_.Get(); }
  TStream* Stream() const { return stream_.get(); }

 private:
  TUniqueHandle handle_;
  std::unique_ptr<TStream> stream_;
  com::TComPtr<IFlashPlayerControlBase> control_;
};

}  // namespace leafmark::content
