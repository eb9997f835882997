#include "bench/support/system_time.h"

#include <windows.h>

namespace leafmark::bench {

std::int64_t SystemMicroseconds() noexcept {
  // Windows 8 and later keep the time to the microsecond; Windows 7 only to its clock tick.
  using TPrecise = void(WINAPI*)(FILETIME*);
  static const auto precise = reinterpret_cast<TPrecise>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME now{};
  if (precise) {
    precise(&now);
  } else {
    ::GetSystemTimeAsFileTime(&now);
  }
  const auto ticks = static_cast<std::int64_t>(static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime);
  return (ticks - 116444736000000000) / 10;
}

}  // namespace leafmark::bench
