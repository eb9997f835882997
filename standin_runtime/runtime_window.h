// The runtime object's window: a child of the host's window, of a class the runtime registers
// through its imported RegisterClassExW and creates through its imported CreateWindowExW, so
// that a host that replaces those sees both. It paints the stage and traces the key and mouse
// messages it receives ("message <number> <wparam> <lparam>"), and WM_SIZE, which a host that
// sizes it through the object never sends.
#pragma once

#include <windows.h>

namespace standin {

class TRuntimeObject;

// A visible child of parent at rect; nullptr (with the system's error) on failure.
HWND CreateRuntimeWindow(TRuntimeObject& owner, HWND parent, const RECT& rect) noexcept;

// As the module goes: a class left registered would point at code no longer there.
void UnregisterRuntimeWindowClass() noexcept;

}  // namespace standin
