// One fake file handle and what it serves.
#include "content/fake_handles.h"

#include <utility>

namespace leafmark::content {

TFakeHandleStreamPair::TFakeHandleStreamPair(win::TUniqueHandle handle,
                                             std::unique_ptr<TStream> stream,
                                             TControlRef control)
    : handle_(std::move(handle)), stream_(std::move(stream)), control_(std::move(control)) {}

TFakeHandleStreamPair::~TFakeHandleStreamPair() {
  if (const TControlUse control = TControlLink::Use(control_)) {
    control->FireUnloadExternalResourceAsync(stream_.get());
  }
  handle_.Reset();
  stream_.reset();
}

}  // namespace leafmark::content
