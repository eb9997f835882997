// The runtime's cursor and menu loads, replaced: the system cannot find resources in an
// image it did not load, so they are read from the runtime's image in memory.
#pragma once

#include <windows.h>

namespace leafmark::replacements {

// A cursor of the runtime's image, built once and kept for the rest of the run; nil when the
// image lacks it. Any other instance (nil for the system's cursors) goes to the system.
HCURSOR WINAPI ImageLoadCursorA(HINSTANCE instance, LPCSTR cursorName);
// A menu of the runtime's image, nil when the image lacks it; any other instance goes to the
// system.
HMENU WINAPI ImageLoadMenuA(HINSTANCE instance, LPCSTR menuName);

}  // namespace leafmark::replacements
