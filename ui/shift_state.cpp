#include "ui/shift_state.h"

#include <windows.h>

namespace leafmark::ui {

TShiftState KeyDataToShiftState(std::intptr_t keyData) {
  constexpr std::intptr_t kAltDownBit = 0x20000000;  // context code of a key message
  TShiftState state;
  state.Shift = ::GetKeyState(VK_SHIFT) < 0;
  state.Ctrl = ::GetKeyState(VK_CONTROL) < 0;
  state.Alt = (keyData & kAltDownBit) != 0;
  return state;
}

}  // namespace leafmark::ui
