// TResizableStream: a byte stream whose size can be set from outside.
#pragma once

#include <cstdint>

#include "base/stream.h"

namespace leafmark::content {

class TResizableStream : public TStream {
 public:
  virtual void SetSize(std::int64_t size) = 0;
};

}  // namespace leafmark::content
