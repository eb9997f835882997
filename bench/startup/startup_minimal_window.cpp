// A minimal window program of our own, the yardstick for the player's start-up: one window
// class, one window shown, and at its first WM_PAINT the system time (microseconds since
// 1970 UTC) written to the file its argument names; then it ends. It uses nothing of the
// player's (only the benchmarks' clock), so that it costs what any window program costs to start.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>

#include "bench/support/system_time.h"

namespace {

const wchar_t* timeFile = nullptr;
bool written = false;

void WriteTime(std::int64_t microseconds) {
  FILE* out = _wfopen(timeFile, L"w");
  if (!out) return;
  std::fprintf(out, "%lld\n", static_cast<long long>(microseconds));
  std::fclose(out);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      ::BeginPaint(window, &paint);
      ::EndPaint(window, &paint);
      if (!written) {
        written = true;
        WriteTime(leafmark::bench::SystemMicroseconds());
        ::DestroyWindow(window);
      }
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!arguments || count != 2) return 2;
  timeFile = arguments[1];
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"LeafmarkMinimalWindow";
  if (!::RegisterClassExW(&windowClass)) return 1;
  const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::LocalFree(arguments);
  return written ? 0 : 1;
}
