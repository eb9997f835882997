// Reading and checking the extent section's trailer from the end of a file.
#include "archive/extent_layout.h"

#include <algorithm>

#include "base/little_endian.h"

namespace leafmark {

namespace {

[[noreturn]] void Broken() { throw EExtentError(kNoExtentSectionMessage); }

}  // namespace

std::int64_t TExtentLayout::CoveredLength() const {
  return SectionSize - kExtentTrailerBytes - kExtentDigestBytes - 4 * static_cast<std::int64_t>(Count);
}

std::int64_t TExtentLayout::EntryBytes() const {
  std::int64_t total = 0;
  for (std::int32_t size : Sizes) total += size;
  return total;
}

std::int64_t EntryOffset(std::int64_t dataStart, const std::vector<std::int32_t>& sizes, std::int32_t index) {
  std::int64_t offset = dataStart;
  for (std::int32_t k = 0; k < index; ++k) offset += sizes[static_cast<std::size_t>(k)];
  return offset;
}

TExtentLayout ReadExtentLayout(TStream& file) {
  TExtentLayout layout;
  layout.FileSize = file.Size();
  const std::int64_t s = layout.FileSize;
  if (s < kExtentTrailerBytes) Broken();

  std::uint8_t tail[kExtentTrailerBytes];
  file.SetPosition(s - kExtentTrailerBytes);
  file.ReadBuffer(tail, kExtentTrailerBytes);
  const std::int32_t n = static_cast<std::int32_t>(LoadU32(tail));
  layout.Flag = tail[4];
  const std::uint32_t x = LoadU32(tail + 5);
  const std::uint32_t check = LoadU32(tail + 9);
  if ((x ^ kExtentCheckMask) != check) Broken();

  // The check only shows that a trailer is there; its values are still untrusted.
  const std::int64_t sectionSize = static_cast<std::int32_t>(x);
  if (sectionSize < kExtentTrailerBytes || sectionSize > s) Broken();
  layout.SectionSize = sectionSize;
  layout.DataStart = s - sectionSize;
  if (n < 0) Broken();
  const std::int64_t fixedBytes = kExtentTrailerBytes + (layout.HasDigest() && n > 0 ? kExtentDigestBytes : 0);
  if (4 * static_cast<std::int64_t>(n) > sectionSize - fixedBytes) Broken();
  layout.Count = n;
  if (n == 0) return layout;

  layout.Sizes.resize(static_cast<std::size_t>(n));
  std::vector<std::uint8_t> table(static_cast<std::size_t>(n) * 4);
  file.SetPosition(s - kExtentTrailerBytes - 4 * static_cast<std::int64_t>(n));
  file.ReadBuffer(table.data(), static_cast<std::int64_t>(table.size()));
  const std::int64_t room = sectionSize - fixedBytes - 4 * static_cast<std::int64_t>(n);
  std::int64_t total = 0;
  for (std::int32_t k = 0; k < n; ++k) {
    const std::int32_t size = static_cast<std::int32_t>(LoadU32(table.data() + 4 * k));
    total += size;
    if (size < 0 || total > room) Broken();
    layout.Sizes[static_cast<std::size_t>(k)] = size;
  }

  if (layout.HasDigest()) {
    file.SetPosition(s - kExtentTrailerBytes - 4 * static_cast<std::int64_t>(n) - kExtentDigestBytes);
    file.ReadBuffer(layout.StoredDigest.data(), kExtentDigestBytes);
  }
  return layout;
}

TMD5Digest ComputeCoveredDigest(TStream& file, const TExtentLayout& layout) {
  std::int64_t remaining = layout.CoveredLength();
  if (remaining <= 0) return TMD5Digest{};  // nothing covered: sixteen zero bytes
  constexpr std::int64_t kChunk = 4 << 20;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(remaining, kChunk)));
  TMD5 md5;
  file.SetPosition(layout.DataStart);
  while (remaining > 0) {
    const std::int64_t n = std::min(remaining, kChunk);
    file.ReadBuffer(buffer.data(), n);
    md5.Update(buffer.data(), static_cast<std::size_t>(n));
    remaining -= n;
  }
  return md5.Final();
}

void VerifyExtentDigest(TStream& file, const TExtentLayout& layout) {
  if (ComputeCoveredDigest(file, layout) != layout.StoredDigest) {
    throw EExtentError(kContentInvalidMessage);
  }
}

}  // namespace leafmark
