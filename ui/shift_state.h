// The modifier keys and mouse buttons held while a key message arrives.
#pragma once

#include <cstdint>

namespace leafmark::ui {

struct TShiftState {
  bool Shift = false;
  bool Alt = false;
  bool Ctrl = false;
  // Mouse buttons held, and whether the message is a double click.
  bool Left = false;
  bool Right = false;
  bool Middle = false;
  bool Double = false;
};

// Reads Shift and Ctrl from the thread's key state, Alt from the key message's data.
TShiftState KeyDataToShiftState(std::intptr_t keyData);

}  // namespace leafmark::ui
