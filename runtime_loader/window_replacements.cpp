// Class registrations moved to prefixed names; window creations follow them there.
#include "runtime_loader/window_replacements.h"

#include <cstdint>
#include <mutex>
#include <type_traits>

#include "content/association_lists.h"
#include "runtime_loader/code_providers.h"
#include "win/system_text.h"

namespace leafmark::replacements {
namespace {

static_assert(std::is_same_v<decltype(&PrefixedRegisterClassExA), decltype(&::RegisterClassExA)>);
static_assert(std::is_same_v<decltype(&PrefixedRegisterClassA), decltype(&::RegisterClassA)>);
static_assert(std::is_same_v<decltype(&PrefixedRegisterClassExW), decltype(&::RegisterClassExW)>);
static_assert(std::is_same_v<decltype(&PrefixedRegisterClassW), decltype(&::RegisterClassW)>);
static_assert(std::is_same_v<decltype(&PrefixedCreateWindowExA), decltype(&::CreateWindowExA)>);
static_assert(std::is_same_v<decltype(&PrefixedCreateWindowExW), decltype(&::CreateWindowExW)>);

// The names the runtime registered, mapped to the prefixed names. Made on first use, so it
// exists whenever the runtime's entry point registers a class, and locked because the
// runtime may register or create on any of its threads.
struct TClassNames {
  std::mutex Lock;
  content::TMapString2String Map;
};
TClassNames& ClassNames() {
  static TClassNames names;
  return names;
}

void Remember(const std::wstring& given, const std::wstring& prefixed) {
  TClassNames& names = ClassNames();
  std::lock_guard guard(names.Lock);
  names.Map.Set(given, prefixed);
}

bool PrefixedFor(const std::wstring& given, std::wstring& prefixed) {
  TClassNames& names = ClassNames();
  std::lock_guard guard(names.Lock);
  return names.Map.Find(given, prefixed);
}

std::wstring Wide(LPCSTR text) { return win::SystemToWide(text); }
std::wstring Wide(LPCWSTR text) { return text; }

// The same steps for the four variants: a copy under the prefixed name and the player's
// instance, any earlier class of that name unregistered, then the system's registration.
// A class named by an atom has no name to prefix and is registered as it is. What cannot
// be formed (memory) fails the registration as the system's own failure would.
template <class Class, class Register, class Unregister>
ATOM RegisterPrefixed(const Class* windowClass, Register registerClass,
                      Unregister unregisterClass) noexcept try {
  if (windowClass == nullptr || IS_INTRESOURCE(windowClass->lpszClassName)) {
    return registerClass(windowClass);
  }
  Class copy = *windowClass;
  copy.hInstance = PlayerInstance();
  const std::wstring given = Wide(windowClass->lpszClassName);
  const std::string prefixed = PrefixedClassName(win::WideToSystem(given));
  Remember(given, win::SystemToWide(prefixed));
  if constexpr (std::is_same_v<decltype(copy.lpszClassName), LPCSTR>) {
    copy.lpszClassName = prefixed.c_str();
    unregisterClass(copy.lpszClassName, copy.hInstance);
    return registerClass(&copy);
  } else {
    const std::wstring widePrefixed = win::SystemToWide(prefixed);
    copy.lpszClassName = widePrefixed.c_str();
    unregisterClass(copy.lpszClassName, copy.hInstance);
    return registerClass(&copy);
  }
} catch (...) {
  ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}

}  // namespace

HINSTANCE PlayerInstance() noexcept {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&PlayerInstance), &module);
  return module;
}

std::string PrefixedClassName(const std::string& name) {
  const auto instanceNumber = reinterpret_cast<std::uintptr_t>(FlashOCXCodeProviderVariable());
  return "FlashPlayerControl_" + name + "_" + std::to_string(instanceNumber);
}

ATOM WINAPI PrefixedRegisterClassExA(const WNDCLASSEXA* windowClass) {
  return RegisterPrefixed(windowClass, ::RegisterClassExA, ::UnregisterClassA);
}

ATOM WINAPI PrefixedRegisterClassA(const WNDCLASSA* windowClass) {
  return RegisterPrefixed(windowClass, ::RegisterClassA, ::UnregisterClassA);
}

ATOM WINAPI PrefixedRegisterClassExW(const WNDCLASSEXW* windowClass) {
  return RegisterPrefixed(windowClass, ::RegisterClassExW, ::UnregisterClassW);
}

ATOM WINAPI PrefixedRegisterClassW(const WNDCLASSW* windowClass) {
  return RegisterPrefixed(windowClass, ::RegisterClassW, ::UnregisterClassW);
}

HWND WINAPI PrefixedCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                    DWORD style, int x, int y, int width, int height,
                                    HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::string mapped;
  try {
    std::wstring prefixed;
    if (!IS_INTRESOURCE(className) && PrefixedFor(Wide(className), prefixed)) {
      mapped = win::WideToSystem(prefixed);
      className = mapped.c_str();
    }
  } catch (...) {
    // Without the mapping the system gets the name as it came.
  }
  if (instance != nullptr) instance = PlayerInstance();
  return ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent,
                           menu, instance, param);
}

HWND WINAPI PrefixedCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName,
                                    DWORD style, int x, int y, int width, int height,
                                    HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::wstring mapped;
  try {
    if (!IS_INTRESOURCE(className) && PrefixedFor(className, mapped)) className = mapped.c_str();
  } catch (...) {
    // Without the mapping the system gets the name as it came.
  }
  if (instance != nullptr) instance = PlayerInstance();
  return ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent,
                           menu, instance, param);
}

}  // namespace leafmark::replacements
