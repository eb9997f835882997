#include "archive/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace leafmark {
namespace {

// The test suite of RFC 1321, appendix A.5.
TEST(MD5Test, MatchesTheReferenceSuite) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(MD5ToHex(MD5Buffer(input.data(), input.size())), expected) << '"' << input << '"';
  }
}

// Padding crosses a block boundary at 56 bytes; pieces must add up to the whole.
TEST(MD5Test, PiecewiseUpdatesEqualOneUpdateAtEveryLengthAndSplit) {
  std::vector<std::uint8_t> data(200);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 200u}) {
    const TMD5Digest whole = MD5Buffer(data.data(), length);
    for (std::size_t split = 0; split <= length; split += 13) {
      TMD5 md5;
      md5.Update(data.data(), split);
      md5.Update(data.data() + split, length - split);
      EXPECT_EQ(md5.Final(), whole) << "length " << length << " split " << split;
    }
  }
}

}  // namespace
}  // namespace leafmark
