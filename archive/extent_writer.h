// Writes an extent section: entries, optional digest, size table, N, flag, X and check.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/md5.h"
#include "base/stream.h"

namespace leafmark {

class TExtentWriter {
 public:
  // Appends to out at its current position. The first entry added is the index (entry 0).
  TExtentWriter(TStream& out, bool withDigest);

  void AddEntry(const void* data, std::int64_t size);
  // Copies size bytes from source's position as one entry.
  void AddEntry(TStream& source, std::int64_t size);
  // Writes the digest (when asked for) and the trailer; returns X.
  std::int64_t Finish();

  // X for entries of these sizes.
  static std::int64_t SectionSizeFor(const std::vector<std::int64_t>& sizes, bool withDigest);

 private:
  void Append(const void* data, std::int64_t size);
  void CheckRoom(std::int64_t size) const;

  TStream& out_;
  bool withDigest_;
  TMD5 md5_;
  std::vector<std::int32_t> sizes_;
  std::int64_t entryBytes_ = 0;
};

}  // namespace leafmark
