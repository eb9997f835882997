// The platform-independent parts of the byte streams.
#include "base/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace leafmark {

std::int64_t TStream::Size() {
  const std::int64_t here = Position();
  const std::int64_t end = Seek(0, TSeekOrigin::End);
  SetPosition(here);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    const std::int64_t got = Read(out, count);
    if (got <= 0) throw EStreamError("Stream read error");
    out += got;
    count -= got;
  }
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    const std::int64_t put = Write(in, count);
    if (put <= 0) throw EStreamError("Stream write error");
    in += put;
    count -= put;
  }
}

void TStream::CopyFrom(TStream& source, std::int64_t count) {
  constexpr std::int64_t kChunk = 1 << 20;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(count, kChunk)));
  while (count > 0) {
    const std::int64_t n = std::min(count, kChunk);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t available = Size() - position_;
  if (count <= 0 || available <= 0) return 0;
  const std::int64_t n = std::min(count, available);
  std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  // The position may lie anywhere a seek allowed: refuse an end past the largest position or
  // past what a vector can hold (above SIZE_MAX a 32-bit size_t would cut it short), and turn
  // a failed allocation into the stream's error; position and content change only after.
  if (position_ > std::numeric_limits<std::int64_t>::max() - count) {
    throw EStreamError("Stream write error");
  }
  const std::int64_t end = position_ + count;
  if (static_cast<std::uint64_t>(end) > data_.max_size()) throw EStreamError("Stream write error");
  if (end > Size()) {
    try {
      data_.resize(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
      throw EStreamError("Stream write error");
    }
  }
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::Current) base = position_;
  if (origin == TSeekOrigin::End) base = Size();
  // Offsets come unchecked from callers (a runtime's SetFilePointer values); base is never
  // negative, so only a positive offset can carry the sum past the largest position.
  if (offset > std::numeric_limits<std::int64_t>::max() - base) {
    throw EStreamError("Stream seek error");
  }
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError("Stream seek error");
  // Like a file, a memory stream may be positioned past its end; a write there fills the gap.
  position_ = target;
  return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0 || static_cast<std::uint64_t>(size) > data_.max_size()) {
    throw EStreamError("Stream size error");
  }
  try {
    data_.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EStreamError("Stream size error");
  }
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

}  // namespace leafmark
