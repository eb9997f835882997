// MD5 (RFC 1321) of bytes fed in pieces: the runtime's own, for the read-file check.
#pragma once

#include <cstddef>
#include <cstdint>
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

}  // namespace standin
