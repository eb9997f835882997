// Conversions between 8-bit text in the system code page and wide text.
#pragma once

#include <string>

namespace leafmark::ui {

std::wstring SystemToWide(const std::string& text);
// Characters the code page cannot hold become its default character.
std::string WideToSystem(const std::wstring& text);

}  // namespace leafmark::ui
