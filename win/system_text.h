// Conversions between 8-bit text in the system code page and wide text.
#pragma once

#include <string>
#include <string_view>

namespace leafmark::win {

std::wstring SystemToWide(std::string_view text);
// Characters the code page cannot hold become its default character.
std::string WideToSystem(std::wstring_view text);

}  // namespace leafmark::win
