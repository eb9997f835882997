// The byte stream over an IStream.
#include "content/istream_stream.h"

#include <algorithm>
#include <utility>

namespace leafmark::content {
namespace {

// One IStream call moves at most a ULONG of bytes; the byte stream's callers loop.
ULONG ClampCount(std::int64_t count) {
  return static_cast<ULONG>(std::clamp<std::int64_t>(count, 0, 0xFFFFFFFF));
}

DWORD SeekOrigin(TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::Current: return STREAM_SEEK_CUR;
    case TSeekOrigin::End: return STREAM_SEEK_END;
    case TSeekOrigin::Beginning: break;
  }
  return STREAM_SEEK_SET;
}

}  // namespace

TStreamBasedOnIStream::TStreamBasedOnIStream(com::TComPtr<IStream> stream)
    : stream_(std::move(stream)) {}

std::int64_t TStreamBasedOnIStream::Read(void* buffer, std::int64_t count) {
  ULONG read = 0;
  stream_->Read(buffer, ClampCount(count), &read);
  return read;
}

// An empty write is passed on too: for a download it still counts as data.
std::int64_t TStreamBasedOnIStream::Write(const void* buffer, std::int64_t count) {
  ULONG written = 0;
  stream_->Write(buffer, ClampCount(count), &written);
  return written;
}

std::int64_t TStreamBasedOnIStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER move{};
  move.QuadPart = offset;
  ULARGE_INTEGER position{};
  stream_->Seek(move, SeekOrigin(origin), &position);
  return static_cast<std::int64_t>(position.QuadPart);
}

void TStreamBasedOnIStream::SetSize(std::int64_t size) {
  ULARGE_INTEGER newSize{};
  newSize.QuadPart = static_cast<ULONGLONG>(size);
  stream_->SetSize(newSize);
}

}  // namespace leafmark::content
