// ASCII test text widened character by character (no code page involved).
#pragma once

#include <string>
#include <string_view>

namespace leafmark::test {

inline std::wstring Wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace leafmark::test
