// The byte stream that carries every operation over to the main thread.
#include "content/synchronized_stream.h"

#include <utility>

#include "content/istream_stream.h"
#include "ui/main_thread_calls.h"

namespace leafmark::content {

using ui::RunOnMainThread;

TSynchronizedStreamWrapper::TSynchronizedStreamWrapper(std::unique_ptr<TResizableStream> inner)
    : inner_(std::move(inner)) {}

TSynchronizedStreamWrapper::~TSynchronizedStreamWrapper() {
  try {
    RunOnMainThread([this] { inner_.reset(); });
  } catch (...) {
    // The main thread no longer runs calls (the program is ending): destroying here is
    // better than keeping the download open for ever.
  }
  inner_.reset();
}

std::int64_t TSynchronizedStreamWrapper::Read(void* buffer, std::int64_t count) {
  std::int64_t read = 0;
  RunOnMainThread([&] { read = inner_->Read(buffer, count); });
  return read;
}

std::int64_t TSynchronizedStreamWrapper::Write(const void* buffer, std::int64_t count) {
  std::int64_t written = 0;
  RunOnMainThread([&] { written = inner_->Write(buffer, count); });
  return written;
}

std::int64_t TSynchronizedStreamWrapper::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t position = 0;
  RunOnMainThread([&] { position = inner_->Seek(offset, origin); });
  return position;
}

std::int64_t TSynchronizedStreamWrapper::Size() {
  std::int64_t size = 0;
  RunOnMainThread([&] { size = inner_->Size(); });
  return size;
}

void TSynchronizedStreamWrapper::SetSize(std::int64_t size) {
  RunOnMainThread([&] { inner_->SetSize(size); });
}

}  // namespace leafmark::content

namespace leafmark::content {

std::unique_ptr<TSynchronizedStreamWrapper> WrapIStreamForMainThread(com::TComPtr<IStream> stream) {
  return std::make_unique<TSynchronizedStreamWrapper>(
      std::make_unique<TStreamBasedOnIStream>(std::move(stream)));
}

}  // namespace leafmark::content
