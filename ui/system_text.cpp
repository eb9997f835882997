// Both directions go through the system code page (CP_ACP), as the rest of the player does.
#include "ui/system_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace leafmark::ui {

namespace {
int CheckedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long to convert");
  return static_cast<int>(size);
}
}  // namespace

std::wstring SystemToWide(const std::string& text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string WideToSystem(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int needed = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

}  // namespace leafmark::ui
