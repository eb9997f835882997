// MD5 message digest (RFC 1321), used by the archive's optional content digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace leafmark {

using TMD5Digest = std::array<std::uint8_t, 16>;

class TMD5 {
 public:
  TMD5();
  void Update(const void* data, std::size_t length);
  // Finishes the digest; the object must not be updated afterwards.
  TMD5Digest Final();

 private:
  void Transform(const std::uint8_t block[64]);

  std::array<std::uint32_t, 4> state_;
  std::uint64_t length_ = 0;  // bytes seen so far
  std::array<std::uint8_t, 64> buffer_{};
};

TMD5Digest MD5Buffer(const void* data, std::size_t length);
std::string MD5ToHex(const TMD5Digest& digest);

}  // namespace leafmark
