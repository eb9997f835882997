#include "ui/color.h"

#include <windows.h>

namespace leafmark::ui {

std::uint32_t ColorToRGB(TColor color) {
  if (color & kSystemColorFlag) return ::GetSysColor(static_cast<int>(color & 0xFF));
  return color;
}

}  // namespace leafmark::ui
