// In screen-saver mode the first real input ends the program; small mouse jitter does not.
#include <windows.h>

#include <cstdlib>

#include "app/ufrm_main.h"

namespace leafmark {

namespace {
constexpr std::int64_t kMouseTolerance = 5;  // pixels on either axis
}  // namespace

void TfrmMain::ScreenSaverMessage(MSG& message, bool&) {
  bool close = false;
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL:
      close = true;
      break;
    case WM_MOUSEMOVE: {
      // The message's coordinates (unsigned 16-bit) against the cursor position read at start.
      const auto x = static_cast<std::int64_t>(LOWORD(static_cast<DWORD>(message.lParam)));
      const auto y = static_cast<std::int64_t>(HIWORD(static_cast<DWORD>(message.lParam)));
      close = std::llabs(x - startCursorPos_.x) > kMouseTolerance || std::llabs(y - startCursorPos_.y) > kMouseTolerance;
      break;
    }
    default:
      break;
  }
  if (close) Close();
}

}  // namespace leafmark
