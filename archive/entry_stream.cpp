#include "archive/entry_stream.h"

#include <algorithm>
#include <limits>

#include "archive/book_catalog.h"

namespace leafmark {

TEntryStream::TEntryStream(std::unique_ptr<TFileStream> file, std::int64_t offset, std::int64_t size)
    : file_(std::move(file)), offset_(offset), size_(size) {}

std::int64_t TEntryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t left = std::max<std::int64_t>(0, size_ - position_);
  count = std::min(count, left);
  if (count <= 0) return 0;
  file_->SetPosition(offset_ + position_);
  const std::int64_t got = file_->Read(buffer, count);
  position_ += got;
  return got;
}

std::int64_t TEntryStream::Write(const void*, std::int64_t count) {
  if (count <= 0) return 0;
  throw EStreamError("A book entry cannot be written");
}

std::int64_t TEntryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::Current) base = position_;
  if (origin == TSeekOrigin::End) base = size_;
  // Offsets come unchecked from callers (a runtime's SetFilePointer values).
  if (offset > std::numeric_limits<std::int64_t>::max() - base || base + offset < 0) {
    throw EStreamError("Stream seek error");
  }
  position_ = base + offset;
  return position_;
}

std::unique_ptr<TStream> OpenEntryStream(const std::string& name, const std::string& archiveFile) {
  try {
    std::optional<TOpenedEntry> entry = OpenBookEntry(name, archiveFile);
    if (!entry) return nullptr;
    return std::make_unique<TEntryStream>(std::move(entry->File), entry->Offset, entry->Size);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace leafmark
