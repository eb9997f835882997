// The runtime's trace, read by checks outside the process: one event a line, appended to the
// file that LEAFMARK_STANDIN_TRACE names at the moment the module attaches, each line written
// whole as it happens. UTF-8:
//   <sequence> <main|worker> <event> [<word>...] [<key>=<value>...]
// The sequence counts from 1 for each load of the module; main is the thread that attached
// it. Values hold no space: space, '%' and control characters are written as %XX.
//
// The file is opened, written and closed with ntdll's NtCreateFile, kernel32's WriteFile and
// ntdll's NtClose: none of them is a function the host replaces in the runtime's imports, so
// tracing never passes through (or disturbs) the host's file replacements.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

void OpenTrace() noexcept;
void CloseTrace() noexcept;

// "%XX" for space, '%' and control characters; other bytes, UTF-8 included, as they are.
std::string EscapeTraceValue(std::string_view utf8);
std::string Utf8(std::wstring_view text);

class TTraceLine {
 public:
  explicit TTraceLine(std::string_view event);

  TTraceLine& Word(std::string_view word);
  TTraceLine& Text(std::string_view key, std::string_view utf8);
  TTraceLine& Text(std::string_view key, std::wstring_view text);
  TTraceLine& Number(std::string_view key, std::int64_t value);
  // 0x-prefixed upper-case hex, at least digits wide.
  TTraceLine& Hex(std::string_view key, std::uint64_t value, int digits = 1);
  TTraceLine& YesNo(std::string_view key, bool value);

  // Appends the line with its sequence number and thread; false when no trace is open.
  bool Write() noexcept;

 private:
  std::string text_;
};

}  // namespace standin
