// TStreamBasedOnIStream: a byte stream over a COM IStream.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "content/resizable_stream.h"
#include "win/com_ptr.h"

namespace leafmark::content {

// Passes every operation to the IStream without looking at its HRESULT: what the IStream
// does not report reads as 0 (bytes read or written, position, size), never as an error.
// Holds one reference to the IStream until it is destroyed. No lock of its own.
class TStreamBasedOnIStream final : public TResizableStream {
 public:
  explicit TStreamBasedOnIStream(com::TComPtr<IStream> stream);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

 private:
  com::TComPtr<IStream> stream_;
};

}  // namespace leafmark::content
