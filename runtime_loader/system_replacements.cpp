// Memory, moniker and look-up replacements; each passes the call on to the system's own
// function, never to the table again.
#include "runtime_loader/system_replacements.h"

#include <type_traits>

#include "content/my_moniker.h"
#include "runtime_loader/code_providers.h"

namespace leafmark::replacements {

static_assert(std::is_same_v<decltype(&GuardFreeVirtualAlloc), decltype(&::VirtualAlloc)>);
static_assert(std::is_same_v<decltype(&ExecutableFlushInstructionCache),
                             decltype(&::FlushInstructionCache)>);
static_assert(std::is_same_v<decltype(&ContentCreateURLMoniker), decltype(&::CreateURLMoniker)>);
static_assert(std::is_same_v<decltype(&TableGetProcAddress), decltype(&::GetProcAddress)>);

LPVOID WINAPI GuardFreeVirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType,
                                    DWORD protect) {
  if (address != nullptr && (protect & PAGE_GUARD) != 0) {
    protect &= ~static_cast<DWORD>(PAGE_GUARD);
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(address, &region, sizeof region) != 0) size = region.RegionSize;
  }
  return ::VirtualAlloc(address, size, allocationType, protect);
}

BOOL WINAPI ExecutableFlushInstructionCache(HANDLE process, LPCVOID baseAddress, SIZE_T size) {
  DWORD previous = 0;
  ::VirtualProtect(const_cast<LPVOID>(baseAddress), size, PAGE_EXECUTE_READWRITE, &previous);
  return ::FlushInstructionCache(process, baseAddress, size);
}

HRESULT WINAPI ContentCreateURLMoniker(LPMONIKER context, LPCWSTR url, LPMONIKER* moniker) {
  if (moniker == nullptr) return E_POINTER;
  *moniker = nullptr;
  return content::CreateMoniker(context, url, moniker);
}

FARPROC WINAPI TableGetProcAddress(HMODULE module, LPCSTR nameOrOrdinal) {
  if (TFlashOCXLoader* loader = CurrentFlashOCXLoader()) {
    if (const FARPROC replacement = loader->GetImportReplacement("kernel32.dll", nameOrOrdinal)) {
      return replacement;
    }
  }
  return ::GetProcAddress(module, nameOrOrdinal);
}

}  // namespace leafmark::replacements
