// Bounds-checked little-endian reads and writes over a file image or a placed image.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace leafmark::pe {

// Every access names what it reads, so a refusal says which field pointed outside.
class TByteReader {
 public:
  // what: "file" or "image", used in messages.
  TByteReader(std::span<const std::uint8_t> bytes, const char* what) : bytes_(bytes), what_(what) {}

  std::uint64_t Size() const { return bytes_.size(); }
  bool Contains(std::uint64_t offset, std::uint64_t count) const;
  // Throws EPeImageError unless [offset, offset + count) lies inside.
  void Require(std::uint64_t offset, std::uint64_t count, std::string_view field) const;

  std::uint16_t U16(std::uint64_t offset, std::string_view field) const;
  std::uint32_t U32(std::uint64_t offset, std::string_view field) const;
  std::uint64_t U64(std::uint64_t offset, std::string_view field) const;
  std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t count,
                                      std::string_view field) const;
  // A zero-terminated 8-bit string; the terminator must lie inside.
  std::string CString(std::uint64_t offset, std::string_view field) const;
  // True when the zero-terminated string at offset equals text exactly. Reads no further
  // than the first difference; throws only when the bytes match text up to the end.
  bool CStringEquals(std::uint64_t offset, std::string_view text, std::string_view field) const;

 private:
  std::span<const std::uint8_t> bytes_;
  const char* what_;
};

std::string Hex(std::uint64_t value);

}  // namespace leafmark::pe
