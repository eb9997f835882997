// Checked reads: every access is tested against the span before a byte is touched.
#include "runtime_loader/pe_bytes.h"

#include <cstring>

#include "base/little_endian.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {

std::string Hex(std::uint64_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + text;
}

bool TByteReader::Contains(std::uint64_t offset, std::uint64_t count) const {
  return offset <= bytes_.size() && count <= bytes_.size() - offset;
}

void TByteReader::Require(std::uint64_t offset, std::uint64_t count, std::string_view field) const {
  if (!Contains(offset, count)) {
    throw EPeImageError(std::string(field) + " at " + Hex(offset) + " (" + std::to_string(count) +
                        " bytes) lies outside the " + what_ + " of " +
                        std::to_string(bytes_.size()) + " bytes");
  }
}

std::uint16_t TByteReader::U16(std::uint64_t offset, std::string_view field) const {
  Require(offset, 2, field);
  return LoadU16(bytes_.data() + offset);
}

std::uint32_t TByteReader::U32(std::uint64_t offset, std::string_view field) const {
  Require(offset, 4, field);
  return LoadU32(bytes_.data() + offset);
}

std::uint64_t TByteReader::U64(std::uint64_t offset, std::string_view field) const {
  Require(offset, 8, field);
  return LoadU64(bytes_.data() + offset);
}

std::span<const std::uint8_t> TByteReader::Bytes(std::uint64_t offset, std::uint64_t count,
                                                 std::string_view field) const {
  Require(offset, count, field);
  return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

std::string TByteReader::CString(std::uint64_t offset, std::string_view field) const {
  Require(offset, 1, field);
  const auto* start = bytes_.data() + offset;
  const auto* end = static_cast<const std::uint8_t*>(
      std::memchr(start, 0, static_cast<std::size_t>(bytes_.size() - offset)));
  if (end == nullptr) {
    throw EPeImageError(std::string(field) + " at " + Hex(offset) + " runs past the end of the " +
                        what_);
  }
  return std::string(reinterpret_cast<const char*>(start), static_cast<std::size_t>(end - start));
}

bool TByteReader::CStringEquals(std::uint64_t offset, std::string_view text,
                                std::string_view field) const {
  Require(offset, 1, field);
  if (text.find('\0') != std::string_view::npos) return false;
  // Only as far as the first difference, as strcmp goes: a scan to each stored name's end
  // would let many long names sharing one text make a single look-up quadratic.
  const std::uint64_t available = bytes_.size() - offset;
  const std::uint64_t wanted = std::uint64_t{text.size()} + 1;  // with the terminator
  const std::uint64_t compared = available < wanted ? available : wanted;
  for (std::uint64_t i = 0; i < compared; ++i) {
    const auto expected = static_cast<std::uint8_t>(i < text.size() ? text[i] : '\0');
    if (bytes_[static_cast<std::size_t>(offset + i)] != expected) return false;
  }
  if (compared < wanted) {
    throw EPeImageError(std::string(field) + " at " + Hex(offset) + " runs past the end of the " +
                        what_);
  }
  return true;
}

}  // namespace leafmark::pe
