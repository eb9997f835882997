// The writing side of the extent section, used by the packer and the tests.
#include "archive/extent_writer.h"

#include <algorithm>

#include "archive/extent_layout.h"
#include "base/little_endian.h"

namespace leafmark {

TExtentWriter::TExtentWriter(TStream& out, bool withDigest) : out_(out), withDigest_(withDigest) {}

std::int64_t TExtentWriter::SectionSizeFor(const std::vector<std::int64_t>& sizes, bool withDigest) {
  std::int64_t x = kExtentTrailerBytes + 4 * static_cast<std::int64_t>(sizes.size());
  if (withDigest) x += kExtentDigestBytes;
  for (std::int64_t size : sizes) x += size;
  return x;
}

void TExtentWriter::CheckRoom(std::int64_t size) const {
  const std::int64_t x = kExtentTrailerBytes + kExtentDigestBytes + 4 * (static_cast<std::int64_t>(sizes_.size()) + 1) +
                         entryBytes_ + size;
  if (size < 0 || x > kExtentMaxFileSize) throw EExtentError("The archive would reach 2 GiB, which a book cannot hold");
}

void TExtentWriter::Append(const void* data, std::int64_t size) {
  out_.WriteBuffer(data, size);
  if (withDigest_) md5_.Update(data, static_cast<std::size_t>(size));
}

void TExtentWriter::AddEntry(const void* data, std::int64_t size) {
  CheckRoom(size);
  Append(data, size);
  sizes_.push_back(static_cast<std::int32_t>(size));
  entryBytes_ += size;
}

void TExtentWriter::AddEntry(TStream& source, std::int64_t size) {
  CheckRoom(size);
  constexpr std::int64_t kChunk = 1 << 20;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(std::max<std::int64_t>(size, 1), kChunk)));
  for (std::int64_t left = size; left > 0;) {
    const std::int64_t n = std::min(left, kChunk);
    source.ReadBuffer(buffer.data(), n);
    Append(buffer.data(), n);
    left -= n;
  }
  sizes_.push_back(static_cast<std::int32_t>(size));
  entryBytes_ += size;
}

std::int64_t TExtentWriter::Finish() {
  if (withDigest_) {
    const TMD5Digest digest = md5_.Final();
    out_.WriteBuffer(digest.data(), kExtentDigestBytes);
  }
  std::vector<std::uint8_t> tail(4 * sizes_.size() + kExtentTrailerBytes);
  std::uint8_t* p = tail.data();
  for (std::int32_t size : sizes_) {
    StoreU32(p, static_cast<std::uint32_t>(size));
    p += 4;
  }
  const std::int64_t x = entryBytes_ + (withDigest_ ? kExtentDigestBytes : 0) + static_cast<std::int64_t>(tail.size());
  StoreU32(p, static_cast<std::uint32_t>(sizes_.size()));
  p[4] = withDigest_ ? 1 : 0;
  StoreU32(p + 5, static_cast<std::uint32_t>(x));
  StoreU32(p + 9, static_cast<std::uint32_t>(x) ^ kExtentCheckMask);
  out_.WriteBuffer(tail.data(), static_cast<std::int64_t>(tail.size()));
  return x;
}

}  // namespace leafmark
