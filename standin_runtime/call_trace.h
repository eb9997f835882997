// Trace lines for the calls that cross between the runtime and its host:
//   call <Interface>.<Member> [slot=<n>] [arg1=<v> ...]      the host called the runtime
//   site <Interface>.<Member> hr=0x%08X [fields]              the runtime called the host
// Arguments are numbered from 1 in the member's order; out-parameters are left out.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "trace.h"

namespace standin {

inline void AddArgument(TTraceLine& line, const std::string& key, long value) { line.Number(key, value); }
inline void AddArgument(TTraceLine& line, const std::string& key, int value) { line.Number(key, value); }
inline void AddArgument(TTraceLine& line, const std::string& key, short value) { line.Number(key, value); }
inline void AddArgument(TTraceLine& line, const std::string& key, unsigned long value) { line.Number(key, value); }
inline void AddArgument(TTraceLine& line, const std::string& key, unsigned int value) { line.Number(key, value); }
inline void AddArgument(TTraceLine& line, const std::string& key, double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%g", value);
  line.Text(key, text);
}
inline void AddArgument(TTraceLine& line, const std::string& key, const wchar_t* value) {
  line.Text(key, std::wstring_view(value ? value : L""));
}
inline void AddArgument(TTraceLine& line, const std::string& key, const char* value) { line.Text(key, value); }

// "call <member> [slot=<n>] arg1=.. argN=..": slot is left out when negative. Never throws:
// a line that cannot be built is lost, the call goes on.
template <class... Args>
void TraceCall(std::string_view member, int slot, const Args&... args) noexcept {
  try {
    TTraceLine line("call");
    line.Word(member);
    if (slot >= 0) line.Number("slot", slot);
    int index = 0;
    (AddArgument(line, "arg" + std::to_string(++index), args), ...);
    line.Write();
  } catch (...) {
  }
}

// A "site" line for a call the runtime made on its host: the member and its result, to
// which the caller adds fields before writing.
inline TTraceLine SiteLine(const char* member, HRESULT result) {
  TTraceLine line("site");
  line.Word(member);
  line.Hex("hr", static_cast<unsigned long>(result), 8);
  return line;
}

inline void TraceSite(const char* member, HRESULT result) noexcept {
  try {
    SiteLine(member, result).Write();
  } catch (...) {
  }
}

}  // namespace standin
