// A book entry read where it lies: a read-only stream over the entry's bytes in the book
// file, so that serving a large file costs no memory of its size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"

namespace leafmark {

class TEntryStream final : public TStream {
 public:
  // The size bytes at offset in file.
  TEntryStream(std::unique_ptr<TFileStream> file, std::int64_t offset, std::int64_t size);

  std::int64_t Read(void* buffer, std::int64_t count) override;
  // An entry is never written: raises EStreamError.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Like a file, the position may pass the end; reads there give nothing.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return size_; }

 private:
  std::unique_ptr<TFileStream> file_;
  std::int64_t offset_;
  std::int64_t size_;
  std::int64_t position_ = 0;
};

// The named entry of the book as a TEntryStream, with its own open file; null when absent
// or on any failure, as the other look-ups.
std::unique_ptr<TStream> OpenEntryStream(const std::string& name, const std::string& archiveFile = "");

}  // namespace leafmark
