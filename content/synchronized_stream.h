// TSynchronizedStreamWrapper: a byte stream whose every operation, and whose destruction,
// runs on the main thread, whichever thread uses it.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <memory>

#include "content/resizable_stream.h"
#include "win/com_ptr.h"

namespace leafmark::content {

// Calls from other threads wait until the main thread's message loop has run them (see
// ui/main_thread_calls.h); an exception on the main thread is thrown again in the caller.
// One wrapper must not be used by two threads at once.
class TSynchronizedStreamWrapper final : public TResizableStream {
 public:
  explicit TSynchronizedStreamWrapper(std::unique_ptr<TResizableStream> inner);
  // Destroys the inner stream on the main thread.
  ~TSynchronizedStreamWrapper() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t size) override;

 private:
  std::unique_ptr<TResizableStream> inner_;
};

// The writer's end of a download: a wrapper over a TStreamBasedOnIStream over stream.
std::unique_ptr<TSynchronizedStreamWrapper> WrapIStreamForMainThread(com::TComPtr<IStream> stream);

}  // namespace leafmark::content
