// Signed decimal numbers within 32 bits, parsed strictly from 8-bit or wide text.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace leafmark {

// An optional '+' or '-', then one or more ASCII digits and nothing else, within the range
// of a signed 32-bit integer. Anything else (blanks, empty text, overflow) is no number.
template <class Char>
std::optional<std::int32_t> ParseSignedDecimal32(std::basic_string_view<Char> text) {
  bool negative = false;
  if (!text.empty() && (text.front() == Char('+') || text.front() == Char('-'))) {
    negative = text.front() == Char('-');
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  const std::int64_t limit =
      negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
               : std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (const Char c : text) {
    if (c < Char('0') || c > Char('9')) return std::nullopt;
    value = value * 10 + (c - Char('0'));
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

inline std::optional<std::int32_t> ParseSignedDecimal32(std::string_view text) {
  return ParseSignedDecimal32<char>(text);
}
inline std::optional<std::int32_t> ParseSignedDecimal32(std::wstring_view text) {
  return ParseSignedDecimal32<wchar_t>(text);
}

}  // namespace leafmark
