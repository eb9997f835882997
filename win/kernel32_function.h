// A kernel32 function looked up by name at the moment of the call, for functions the system
// may lack and for calls that must reach the system's own code whatever an import says.
#pragma once

#include <windows.h>

namespace leafmark::win {

// The function called name in the loaded kernel32.dll, as type Function, or nil.
template <class Function>
Function Kernel32Function(const char* name) noexcept {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  if (!kernel32) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(kernel32, name)));
}

}  // namespace leafmark::win
