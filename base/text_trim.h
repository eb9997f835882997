// Trimming of blanks and control characters (every byte up to and including the space).
#pragma once

#include <string_view>

namespace leafmark {

constexpr bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// text without its leading and trailing blanks and control characters.
constexpr std::string_view TrimBlanksAndControls(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace leafmark
