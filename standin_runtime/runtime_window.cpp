#include "runtime_window.h"

#include <cstdint>
#include <cstdio>

#include "runtime_module.h"
#include "runtime_object.h"
#include "trace.h"

namespace standin {

namespace {

constexpr wchar_t kClassName[] = L"LeafmarkStandinPlayer";

bool IsInputMessage(UINT message) noexcept {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         message == WM_CONTEXTMENU;
}

void TraceMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    char wide[16];
    char lowWord[16];
    std::snprintf(wide, sizeof wide, "0x%08lX", static_cast<unsigned long>(static_cast<DWORD>(wParam)));
    std::snprintf(lowWord, sizeof lowWord, "0x%08lX", static_cast<unsigned long>(static_cast<DWORD>(lParam)));
    TTraceLine("message").Word(std::to_string(message)).Word(wide).Word(lowWord).Write();
  } catch (...) {
  }
}

// The key code a button condition waits for: the named keys by their virtual keys, 0 for the
// rest (characters come as WM_CHAR).
std::uint8_t ButtonKeyOf(WPARAM virtualKey) noexcept {
  switch (virtualKey) {
    case VK_LEFT: return 1;
    case VK_RIGHT: return 2;
    case VK_HOME: return 3;
    case VK_END: return 4;
    case VK_INSERT: return 5;
    case VK_DELETE: return 6;
    case VK_BACK: return 8;
    case VK_RETURN: return 13;
    case VK_UP: return 14;
    case VK_DOWN: return 15;
    case VK_PRIOR: return 16;
    case VK_NEXT: return 17;
    case VK_TAB: return 18;
    case VK_ESCAPE: return 19;
    default: return 0;
  }
}

TRuntimeObject* OwnerOf(HWND window) noexcept {
  return reinterpret_cast<TRuntimeObject*>(GetWindowLongPtrW(window, 0));
}

LRESULT CALLBACK RuntimeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  TRuntimeObject* owner = OwnerOf(window);
  // WM_SIZE only once the window is made (creation sends one of its own).
  if (IsInputMessage(message) || (message == WM_SIZE && owner && owner->Window() == window)) {
    TraceMessage(message, wParam, lParam);
  }
  switch (message) {
    case WM_PAINT:
      if (!owner) break;
      owner->PaintWindow(window);
      return 0;
    case WM_PRINTCLIENT:  // drawn into a caller's DC, as PrintWindow asks
      if (!owner) break;
      owner->PaintInto(window, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the stage paints every pixel
    case WM_WINDOWPOSCHANGED:
      return 0;  // no WM_SIZE of its own making: any that arrives was sent by someone
    case WM_CONTEXTMENU:
      return 0;  // the movie's own menu is not offered
    case WM_KEYDOWN:
      if (const std::uint8_t key = ButtonKeyOf(wParam); key != 0 && owner) {
        try {
          owner->KeyPress(key);
        } catch (...) {
          // out of memory while acting on the key: the key is lost, the window lives
        }
      }
      break;
    case WM_CHAR:
      if (wParam >= 32 && wParam <= 126 && owner) {
        try {
          owner->KeyPress(static_cast<std::uint8_t>(wParam));
        } catch (...) {
        }
      }
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, 0, 0);
      if (owner) owner->WindowDestroyed(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Registered when the first window is made. A class of the same name left by an earlier
// copy of the module at the same address is registered afresh.
bool RegisterClassOnce() noexcept {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = RuntimeWindowProc;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.hInstance = OwnModule();
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass)) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateRuntimeWindow(TRuntimeObject& owner, HWND parent, const RECT& rect) noexcept {
  if (!RegisterClassOnce()) return nullptr;
  return CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, OwnModule(),
                         &owner);
}

void UnregisterRuntimeWindowClass() noexcept { UnregisterClassW(kClassName, OwnModule()); }

}  // namespace standin
