// Both directions go through the system code page (CP_ACP), as the rest of the player does.
#include "win/system_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace leafmark::win {

namespace {
int CheckedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long to convert");
  return static_cast<int>(size);
}
}  // namespace

std::wstring SystemToWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string WideToSystem(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int needed = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

}  // namespace leafmark::win
