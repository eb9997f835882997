// MD5 of a byte range, for the trace's "received" line: a check that a fetched file arrived
// byte-exact, not a security measure. Portable C++.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace standin {

// 32 lower-case hex digits.
std::string Md5Hex(std::span<const std::uint8_t> data);

}  // namespace standin
