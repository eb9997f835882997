// Messages the windowed-control framework delivers to hosted OLE controls.
#pragma once

#include <windows.h>

namespace leafmark {

// A key-down offered as a dialog key (wParam key code, lParam key data).
inline constexpr UINT kDialogKeyMessage = 0xB005;
inline constexpr UINT kParentFontChangedMessage = 0xB008;
inline constexpr UINT kParentColorChangedMessage = 0xB009;
// The form's window got the focus: sent to the form's focused control.
inline constexpr UINT kUIActivateMessage = 0xB029;
// The focus moves to another control: sent to the form's UI-active OLE control.
inline constexpr UINT kUIDeactivateMessage = 0xB02A;
// The form becomes active (wParam 1) or inactive (wParam 0).
inline constexpr UINT kDocWindowActivateMessage = 0xB02B;

// Notifications reflected back to the control that caused them arrive at this base plus
// their own number.
inline constexpr UINT kReflectionBase = 0xBC00;
inline constexpr UINT kReflectionLast = 0xBFFF;
// The key messages a reflected key may be: WM_KEYDOWN to WM_DEADCHAR's system twin (0x108).
// The headers' WM_KEYLAST takes in WM_UNICHAR too, which is no key the runtime translates.
inline constexpr UINT kLastKeyMessage = 0x108;
// What the runtime expects instead: the OLE control reflection base (OCM__BASE).
inline constexpr UINT kOleReflectionBase = 0x2000;

}  // namespace leafmark
