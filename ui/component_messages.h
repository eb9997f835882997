// Messages the framework itself sends to controls, outside the system's range. Controls that
// host foreign windows (OLE controls) act on them; the values are fixed.
#pragma once

#include <windows.h>

namespace leafmark::ui {

// A key-down offered as a dialog key before it is dispatched (wParam key code, lParam key
// data); a non-zero answer takes the key.
inline constexpr UINT kDialogKeyMessage = 0xB005;
// The parent's font or colour changed; sent to each child.
inline constexpr UINT kParentFontChangedMessage = 0xB008;
inline constexpr UINT kParentColorChangedMessage = 0xB009;
// The form's focus arrived at this control.
inline constexpr UINT kUIActivateMessage = 0xB029;
// The focus moved to another control of the form; sent to the form's UI-active OLE control.
inline constexpr UINT kUIDeactivateMessage = 0xB02A;
// The form became active (wParam 1) or inactive (wParam 0); sent to its UI-active OLE control.
inline constexpr UINT kDocWindowActivateMessage = 0xB02B;

// Key messages taken from the queue for a control are first reflected to it at this base
// plus their own number; a non-zero answer takes the key.
inline constexpr UINT kReflectionBase = 0xBC00;
// The key messages reflected: WM_KEYDOWN to WM_SYSDEADCHAR (WM_UNICHAR is no key).
inline constexpr UINT kFirstReflectedKey = WM_KEYFIRST;
inline constexpr UINT kLastReflectedKey = 0x108;

}  // namespace leafmark::ui
