// One fake file handle and what it serves.
#include "content/fake_handles.h"

#include <utility>

namespace leafmark::content {

TFakeHandleStreamPair::TFakeHandleStreamPair(HANDLE handle, std::unique_ptr<TStream> stream,
                                             com::TComPtr<IFlashPlayerControlBase> control)
    : handle_(handle), stream_(std::move(stream)), control_(std::move(control)) {}

TFakeHandleStreamPair::~TFakeHandleStreamPair() {
  if (control_) control_->FireUnloadExternalResourceAsync(stream_.get());
  handle_.Reset();
  stream_.reset();
  control_.Reset();
}

}  // namespace leafmark::content
