// MD5 after RFC 1321, written out so the player needs no library for it.
#include "archive/md5.h"

#include <bit>
#include <cstring>

namespace leafmark {

namespace {

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The 16 words of a block, little-endian. On a little-endian machine the block is read in
// place (memcpy of 4 bytes compiles to one load); elsewhere the bytes are put together.
inline std::uint32_t Word(const std::uint8_t* block, int i) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint32_t word;
    std::memcpy(&word, block + 4 * i, 4);
    return word;
  } else {
    const std::uint8_t* p = block + 4 * i;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  }
}

// Three of the round functions, in the forms with the fewest operations (round 2 is split
// inside its step).
inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

}  // namespace

// The 64 steps written out, each with its constant and shift inline: the compiler keeps the
// state in registers and the message words as loads, which is what makes MD5 fast.
#define LEAFMARK_MD5_STEP(f, a, b, c, d, k, s, t) a = b + RotateLeft(a + Word(block, k) + (t) + f(b, c, d), s)
// Round 2's function split into its two disjoint halves, added one by one: the half without
// b is ready before b is, which shortens the chain each step waits on.
#define LEAFMARK_MD5_STEP_G(a, b, c, d, k, s, t) \
  a = b + RotateLeft(a + Word(block, k) + (t) + (~d & c) + (d & b), s)

TMD5::TMD5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void TMD5::Transform(const std::uint8_t block[64]) {
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

  LEAFMARK_MD5_STEP(F, a, b, c, d, 0, 7, 0xd76aa478);
  LEAFMARK_MD5_STEP(F, d, a, b, c, 1, 12, 0xe8c7b756);
  LEAFMARK_MD5_STEP(F, c, d, a, b, 2, 17, 0x242070db);
  LEAFMARK_MD5_STEP(F, b, c, d, a, 3, 22, 0xc1bdceee);
  LEAFMARK_MD5_STEP(F, a, b, c, d, 4, 7, 0xf57c0faf);
  LEAFMARK_MD5_STEP(F, d, a, b, c, 5, 12, 0x4787c62a);
  LEAFMARK_MD5_STEP(F, c, d, a, b, 6, 17, 0xa8304613);
  LEAFMARK_MD5_STEP(F, b, c, d, a, 7, 22, 0xfd469501);
  LEAFMARK_MD5_STEP(F, a, b, c, d, 8, 7, 0x698098d8);
  LEAFMARK_MD5_STEP(F, d, a, b, c, 9, 12, 0x8b44f7af);
  LEAFMARK_MD5_STEP(F, c, d, a, b, 10, 17, 0xffff5bb1);
  LEAFMARK_MD5_STEP(F, b, c, d, a, 11, 22, 0x895cd7be);
  LEAFMARK_MD5_STEP(F, a, b, c, d, 12, 7, 0x6b901122);
  LEAFMARK_MD5_STEP(F, d, a, b, c, 13, 12, 0xfd987193);
  LEAFMARK_MD5_STEP(F, c, d, a, b, 14, 17, 0xa679438e);
  LEAFMARK_MD5_STEP(F, b, c, d, a, 15, 22, 0x49b40821);

  LEAFMARK_MD5_STEP_G(a, b, c, d, 1, 5, 0xf61e2562);
  LEAFMARK_MD5_STEP_G(d, a, b, c, 6, 9, 0xc040b340);
  LEAFMARK_MD5_STEP_G(c, d, a, b, 11, 14, 0x265e5a51);
  LEAFMARK_MD5_STEP_G(b, c, d, a, 0, 20, 0xe9b6c7aa);
  LEAFMARK_MD5_STEP_G(a, b, c, d, 5, 5, 0xd62f105d);
  LEAFMARK_MD5_STEP_G(d, a, b, c, 10, 9, 0x02441453);
  LEAFMARK_MD5_STEP_G(c, d, a, b, 15, 14, 0xd8a1e681);
  LEAFMARK_MD5_STEP_G(b, c, d, a, 4, 20, 0xe7d3fbc8);
  LEAFMARK_MD5_STEP_G(a, b, c, d, 9, 5, 0x21e1cde6);
  LEAFMARK_MD5_STEP_G(d, a, b, c, 14, 9, 0xc33707d6);
  LEAFMARK_MD5_STEP_G(c, d, a, b, 3, 14, 0xf4d50d87);
  LEAFMARK_MD5_STEP_G(b, c, d, a, 8, 20, 0x455a14ed);
  LEAFMARK_MD5_STEP_G(a, b, c, d, 13, 5, 0xa9e3e905);
  LEAFMARK_MD5_STEP_G(d, a, b, c, 2, 9, 0xfcefa3f8);
  LEAFMARK_MD5_STEP_G(c, d, a, b, 7, 14, 0x676f02d9);
  LEAFMARK_MD5_STEP_G(b, c, d, a, 12, 20, 0x8d2a4c8a);

  LEAFMARK_MD5_STEP(H, a, b, c, d, 5, 4, 0xfffa3942);
  LEAFMARK_MD5_STEP(H, d, a, b, c, 8, 11, 0x8771f681);
  LEAFMARK_MD5_STEP(H, c, d, a, b, 11, 16, 0x6d9d6122);
  LEAFMARK_MD5_STEP(H, b, c, d, a, 14, 23, 0xfde5380c);
  LEAFMARK_MD5_STEP(H, a, b, c, d, 1, 4, 0xa4beea44);
  LEAFMARK_MD5_STEP(H, d, a, b, c, 4, 11, 0x4bdecfa9);
  LEAFMARK_MD5_STEP(H, c, d, a, b, 7, 16, 0xf6bb4b60);
  LEAFMARK_MD5_STEP(H, b, c, d, a, 10, 23, 0xbebfbc70);
  LEAFMARK_MD5_STEP(H, a, b, c, d, 13, 4, 0x289b7ec6);
  LEAFMARK_MD5_STEP(H, d, a, b, c, 0, 11, 0xeaa127fa);
  LEAFMARK_MD5_STEP(H, c, d, a, b, 3, 16, 0xd4ef3085);
  LEAFMARK_MD5_STEP(H, b, c, d, a, 6, 23, 0x04881d05);
  LEAFMARK_MD5_STEP(H, a, b, c, d, 9, 4, 0xd9d4d039);
  LEAFMARK_MD5_STEP(H, d, a, b, c, 12, 11, 0xe6db99e5);
  LEAFMARK_MD5_STEP(H, c, d, a, b, 15, 16, 0x1fa27cf8);
  LEAFMARK_MD5_STEP(H, b, c, d, a, 2, 23, 0xc4ac5665);

  LEAFMARK_MD5_STEP(I, a, b, c, d, 0, 6, 0xf4292244);
  LEAFMARK_MD5_STEP(I, d, a, b, c, 7, 10, 0x432aff97);
  LEAFMARK_MD5_STEP(I, c, d, a, b, 14, 15, 0xab9423a7);
  LEAFMARK_MD5_STEP(I, b, c, d, a, 5, 21, 0xfc93a039);
  LEAFMARK_MD5_STEP(I, a, b, c, d, 12, 6, 0x655b59c3);
  LEAFMARK_MD5_STEP(I, d, a, b, c, 3, 10, 0x8f0ccc92);
  LEAFMARK_MD5_STEP(I, c, d, a, b, 10, 15, 0xffeff47d);
  LEAFMARK_MD5_STEP(I, b, c, d, a, 1, 21, 0x85845dd1);
  LEAFMARK_MD5_STEP(I, a, b, c, d, 8, 6, 0x6fa87e4f);
  LEAFMARK_MD5_STEP(I, d, a, b, c, 15, 10, 0xfe2ce6e0);
  LEAFMARK_MD5_STEP(I, c, d, a, b, 6, 15, 0xa3014314);
  LEAFMARK_MD5_STEP(I, b, c, d, a, 13, 21, 0x4e0811a1);
  LEAFMARK_MD5_STEP(I, a, b, c, d, 4, 6, 0xf7537e82);
  LEAFMARK_MD5_STEP(I, d, a, b, c, 11, 10, 0xbd3af235);
  LEAFMARK_MD5_STEP(I, c, d, a, b, 2, 15, 0x2ad7d2bb);
  LEAFMARK_MD5_STEP(I, b, c, d, a, 9, 21, 0xeb86d391);

  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

#undef LEAFMARK_MD5_STEP
#undef LEAFMARK_MD5_STEP_G

void TMD5::Update(const void* data, std::size_t length) {
  const auto* in = static_cast<const std::uint8_t*>(data);
  std::size_t used = static_cast<std::size_t>(length_ % 64);
  length_ += length;
  if (used != 0) {
    const std::size_t take = length < 64 - used ? length : 64 - used;
    std::memcpy(buffer_.data() + used, in, take);
    used += take;
    in += take;
    length -= take;
    if (used < 64) return;
    Transform(buffer_.data());
  }
  while (length >= 64) {
    Transform(in);
    in += 64;
    length -= 64;
  }
  if (length != 0) std::memcpy(buffer_.data(), in, length);
}

TMD5Digest TMD5::Final() {
  const std::uint64_t bits = length_ * 8;
  static const std::uint8_t kPadding[64] = {0x80};
  const std::size_t used = static_cast<std::size_t>(length_ % 64);
  Update(kPadding, used < 56 ? 56 - used : 120 - used);
  std::uint8_t lengthBytes[8];
  for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Update(lengthBytes, 8);
  TMD5Digest digest;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<std::uint8_t>(state_[i] >> (8 * j));
  }
  return digest;
}

TMD5Digest MD5Buffer(const void* data, std::size_t length) {
  TMD5 md5;
  md5.Update(data, length);
  return md5.Final();
}

std::string MD5ToHex(const TMD5Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

}  // namespace leafmark
