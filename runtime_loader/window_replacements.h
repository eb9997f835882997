// The runtime's window classes, replaced: registered under names of the player's own, with
// the player's instance, so that two copies of the runtime (or a runtime the system loaded
// too) never meet over a class.
#pragma once

#include <windows.h>

#include <string>

namespace leafmark::replacements {

ATOM WINAPI PrefixedRegisterClassExA(const WNDCLASSEXA* windowClass);
ATOM WINAPI PrefixedRegisterClassA(const WNDCLASSA* windowClass);
ATOM WINAPI PrefixedRegisterClassExW(const WNDCLASSEXW* windowClass);
ATOM WINAPI PrefixedRegisterClassW(const WNDCLASSW* windowClass);
HWND WINAPI PrefixedCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                    DWORD style, int x, int y, int width, int height,
                                    HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
HWND WINAPI PrefixedCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName,
                                    DWORD style, int x, int y, int width, int height,
                                    HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);

// The instance that owns the prefixed classes: the module holding the player's code.
HINSTANCE PlayerInstance() noexcept;
// "FlashPlayerControl_<name>_<instance number>", the number telling copies of the player's
// code in one process apart.
std::string PrefixedClassName(const std::string& name);

}  // namespace leafmark::replacements
