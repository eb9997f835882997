// Messages the windowed-control framework delivers to hosted OLE controls: the framework's
// own, and what the control makes of reflected ones.
#pragma once

#include <windows.h>

#include "ui/component_messages.h"

namespace leafmark {

using ui::kDialogKeyMessage;
using ui::kDocWindowActivateMessage;
using ui::kParentColorChangedMessage;
using ui::kParentFontChangedMessage;
using ui::kReflectionBase;
using ui::kUIActivateMessage;
using ui::kUIDeactivateMessage;

// The whole reflection range; of it, keys end at the last reflected key message.
inline constexpr UINT kReflectionLast = 0xBFFF;
inline constexpr UINT kLastKeyMessage = ui::kLastReflectedKey;
// What the runtime expects instead: the OLE control reflection base (OCM__BASE).
inline constexpr UINT kOleReflectionBase = 0x2000;

}  // namespace leafmark
