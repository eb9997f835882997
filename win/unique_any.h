// TUniqueAny: one owner for every kind of Windows resource, and its one-line aliases.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <objbase.h>

#include <cstdint>
#include <utility>

namespace leafmark::win {

// Owns one value of Traits::Type and closes it with Traits::Close when it goes, unless it is
// Traits::Empty(). Closing keeps the thread's last error: a caller that has just failed can
// still report why. Move-only.
template <class Traits>
class TUniqueAny {
 public:
  using Type = typename Traits::Type;

  TUniqueAny() noexcept : value_(Traits::Empty()) {}
  explicit TUniqueAny(Type value) noexcept : value_(value) {}
  TUniqueAny(TUniqueAny&& other) noexcept : value_(other.Detach()) {}
  TUniqueAny& operator=(TUniqueAny&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  TUniqueAny(const TUniqueAny&) = delete;
  TUniqueAny& operator=(const TUniqueAny&) = delete;
  ~TUniqueAny() { Reset(); }

  const Type& Get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return !Traits::IsEmpty(value_); }

  // Closes what is held (if anything) and takes value.
  void Reset(Type value = Traits::Empty()) noexcept {
    Type old = std::exchange(value_, value);
    if (Traits::IsEmpty(old)) return;
    const DWORD error = ::GetLastError();
    Traits::Close(old);
    ::SetLastError(error);
  }
  // Gives the value up without closing it.
  Type Detach() noexcept { return std::exchange(value_, Traits::Empty()); }
  // For out-arguments: closes what is held first.
  Type* Put() noexcept {
    Reset();
    return &value_;
  }

 private:
  Type value_;
};

// Traits for a value whose empty state is one constant and that one function closes.
template <class T, std::intptr_t EmptyValue, auto CloseFunction>
struct TSimpleTraits {
  using Type = T;
  static Type Empty() noexcept { return reinterpret_cast<Type>(EmptyValue); }
  static bool IsEmpty(Type value) noexcept { return value == Empty(); }
  static void Close(Type value) noexcept { CloseFunction(value); }
};

namespace detail {
inline void CloseKernelHandle(HANDLE handle) noexcept { ::CloseHandle(handle); }
inline void UnloadModule(HMODULE module) noexcept { ::FreeLibrary(module); }
inline void CloseRegistryKey(HKEY key) noexcept { ::RegCloseKey(key); }
inline void DeleteGdiObject(HGDIOBJ object) noexcept { ::DeleteObject(object); }
inline void FreeLocalMemory(void* memory) noexcept { ::LocalFree(memory); }
inline void FreeCoTaskMemory(void* memory) noexcept { ::CoTaskMemFree(memory); }
inline void ReleaseVirtualMemory(void* memory) noexcept { ::VirtualFree(memory, 0, MEM_RELEASE); }
inline void FreeBstr(BSTR text) noexcept { ::SysFreeString(text); }
}  // namespace detail

// Kernel objects whose "none" is NULL: events, threads, processes, mappings.
using TUniqueHandle = TUniqueAny<TSimpleTraits<HANDLE, 0, detail::CloseKernelHandle>>;
// Files, whose "none" is INVALID_HANDLE_VALUE as CreateFile returns it.
using TUniqueFile = TUniqueAny<TSimpleTraits<HANDLE, -1, detail::CloseKernelHandle>>;
using TUniqueModule = TUniqueAny<TSimpleTraits<HMODULE, 0, detail::UnloadModule>>;
using TUniqueRegistryKey = TUniqueAny<TSimpleTraits<HKEY, 0, detail::CloseRegistryKey>>;
template <class GdiObject>
using TUniqueGdiObject = TUniqueAny<TSimpleTraits<GdiObject, 0, detail::DeleteGdiObject>>;
using TUniqueBrush = TUniqueGdiObject<HBRUSH>;
template <class T = void>
using TUniqueLocalMemory = TUniqueAny<TSimpleTraits<T*, 0, detail::FreeLocalMemory>>;
template <class T = void>
using TUniqueCoTaskMemory = TUniqueAny<TSimpleTraits<T*, 0, detail::FreeCoTaskMemory>>;
template <class T = void>
using TUniqueVirtualMemory = TUniqueAny<TSimpleTraits<T*, 0, detail::ReleaseVirtualMemory>>;
using TUniqueBstr = TUniqueAny<TSimpleTraits<BSTR, 0, detail::FreeBstr>>;

// A window's DC from GetWindowDC or GetDC, given back to that window.
struct TWindowDCTraits {
  struct Type {
    HWND Window;
    HDC DC;
  };
  static Type Empty() noexcept { return {nullptr, nullptr}; }
  static bool IsEmpty(const Type& value) noexcept { return value.DC == nullptr; }
  static void Close(const Type& value) noexcept { ::ReleaseDC(value.Window, value.DC); }
};
using TUniqueWindowDC = TUniqueAny<TWindowDCTraits>;
inline TUniqueWindowDC GetOwnedWindowDC(HWND window) noexcept {
  return TUniqueWindowDC({window, ::GetWindowDC(window)});
}

// A VARIANT, cleared (which frees what it holds) when it goes.
struct TVariantTraits {
  using Type = VARIANT;
  static Type Empty() noexcept {
    VARIANT value;
    ::VariantInit(&value);
    return value;
  }
  static bool IsEmpty(const Type& value) noexcept { return value.vt == VT_EMPTY; }
  static void Close(Type& value) noexcept { ::VariantClear(&value); }
};
using TUniqueVariant = TUniqueAny<TVariantTraits>;

}  // namespace leafmark::win
