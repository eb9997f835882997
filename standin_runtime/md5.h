// MD5 (RFC 1321): the runtime's own, so its trace can show that a file arrived byte-exact
// (a check, not a security measure). Portable C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace standin {

class TMd5 {
 public:
  TMd5() noexcept;
  void Add(const void* data, std::size_t size) noexcept;
  // The digest as 32 lower-case hex digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const std::uint8_t* block) noexcept;

  std::uint32_t state_[4];
  std::uint64_t length_ = 0;  // bytes
  std::uint8_t buffer_[64] = {};
  std::size_t buffered_ = 0;
};

// The digest of data in one piece, as 32 lower-case hex digits.
std::string Md5Hex(std::span<const std::uint8_t> data);

}  // namespace standin
