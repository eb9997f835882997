// Forms: window state applied when shown, the inner border as extra non-client area, keys.
#include "ui/form.h"

#include <algorithm>
#include <vector>

#include "ui/application.h"
#include "ui/component_messages.h"
#include "win/system_text.h"
#include "win/unique_any.h"

namespace leafmark::ui {

namespace {

int ShowCommand(TWindowState state) {
  switch (state) {
    case TWindowState::Minimized: return SW_SHOWMINIMIZED;
    case TWindowState::Maximized: return SW_SHOWMAXIMIZED;
    case TWindowState::Normal: break;
  }
  return SW_SHOWNORMAL;
}

// A brush for color; system colours use the system's shared brushes, which are never deleted.
win::TUniqueBrush BrushFor(TColor color, HBRUSH& brush) {
  if (color & kSystemColorFlag) {
    brush = ::GetSysColorBrush(static_cast<int>(color & 0xFF));
    return {};
  }
  win::TUniqueBrush owned(::CreateSolidBrush(color));
  brush = owned.Get();
  return owned;
}

TWindowState StateOf(HWND window) {
  if (::IsIconic(window)) return TWindowState::Minimized;
  if (::IsZoomed(window)) return TWindowState::Maximized;
  return TWindowState::Normal;
}

// rcNormalPosition is in workspace coordinates: relative to the work area of the monitor.
RECT ScreenToWorkspace(HWND window, RECT rect) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  const bool toolWindow = (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
  if (!toolWindow && ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    ::OffsetRect(&rect, monitor.rcMonitor.left - monitor.rcWork.left, monitor.rcMonitor.top - monitor.rcWork.top);
  }
  return rect;
}

RECT WorkspaceToScreen(HWND window, RECT rect) {
  const RECT origin = ScreenToWorkspace(window, RECT{});
  ::OffsetRect(&rect, -origin.left, -origin.top);
  return rect;
}

// A minimized window stays where it is; the bounds are those it is restored to.
void SetRestoreBounds(HWND window, const RECT& bounds) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!::GetWindowPlacement(window, &placement)) return;
  placement.flags = 0;
  placement.rcNormalPosition = ScreenToWorkspace(window, bounds);
  placement.showCmd = ::IsWindowVisible(window) ? SW_SHOWMINNOACTIVE : SW_HIDE;
  ::SetWindowPlacement(window, &placement);
}

}  // namespace

TForm::TForm(TFormDesign design)
    : TWinControl(false),
      className_(std::move(design.ClassName)),
      caption_(std::move(design.Caption)),
      color_(design.Color),
      font_(std::move(design.Font)) {
  SetBounds(design.Left, design.Top, design.Width, design.Height);
}

TForm::~TForm() = default;

void TForm::CreateParams(TCreateParams& params) {
  params.ClassName = className_;
  params.Caption = win::SystemToWide(caption_);
  params.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  params.WndParent = nullptr;
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (mainMenu_) ::SetMenu(ExistingHandle(), mainMenu_);
}

void TForm::SetMainMenu(HMENU menu) {
  mainMenu_ = menu;
  if (const HWND window = ExistingHandle()) ::SetMenu(window, menu);
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(*this);
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (const HWND window = ExistingHandle()) ::SetWindowTextW(window, win::SystemToWide(caption).c_str());
}

TWindowState TForm::WindowState() const {
  const HWND window = ExistingHandle();
  return window && Visible() ? StateOf(window) : windowState_;
}

void TForm::SetWindowState(TWindowState state) {
  if (WindowState() == state) return;
  windowState_ = state;
  if (Visible() && ExistingHandle()) {
    ::ShowWindow(ExistingHandle(), ShowCommand(state));
  } else if (state != TWindowState::Maximized) {
    // No longer waiting to be maximized: bounds given meanwhile become the normal ones.
    ApplyMaximizedBounds();
  }
}

void TForm::ShowHandle(bool visible) {
  const HWND window = ExistingHandle();
  if (visible) {
    ::ShowWindow(window, ShowCommand(windowState_));
    ApplyMaximizedBounds();
  } else {
    windowState_ = StateOf(window);  // as the user may have left it
    ::ShowWindow(window, SW_HIDE);
  }
}

void TForm::ApplyMaximizedBounds() {
  if (!maximizedBounds_) return;
  const RECT bounds = *maximizedBounds_;
  maximizedBounds_.reset();
  TWinControl::SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

RECT TForm::WindowBounds() const {
  if (maximizedBounds_) return *maximizedBounds_;
  const HWND window = ExistingHandle();
  if (window && ::IsIconic(window)) {
    // A minimized window's own rectangle is its icon's; its bounds are those it returns to.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(window, &placement)) return WorkspaceToScreen(window, placement.rcNormalPosition);
  }
  return TWinControl::WindowBounds();
}

void TForm::SetBorderWidth(int width) {
  width = std::max(width, 0);
  if (width == borderWidth_) return;
  borderWidth_ = width;
  if (const HWND window = ExistingHandle()) {
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    AlignControls();
  }
}

LONG_PTR TForm::Style() { return ::GetWindowLongPtrW(Handle(), GWL_STYLE); }

void TForm::SetStyle(LONG_PTR style) {
  const HWND window = Handle();
  ::SetWindowLongPtrW(window, GWL_STYLE, style);
  // The window manager caches the frame until it is told that the style changed.
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetColor(TColor color) {
  const bool changed = color != color_;
  color_ = color;
  if (const HWND window = ExistingHandle()) ::InvalidateRect(window, nullptr, TRUE);
  if (changed) NotifyChildren(kParentColorChangedMessage);
}

void TForm::SetFont(const TFont& font) {
  if (font == font_) return;
  font_ = font;
  NotifyChildren(kParentFontChangedMessage);
}

void TForm::NotifyChildren(UINT message) {
  // A child told may make another leave the form (or end it): only those still here are told.
  const std::vector<TWinControl*> children = Controls();
  for (TWinControl* child : children) {
    if (std::ranges::find(Controls(), child) != Controls().end()) child->Perform(message, 0, 0);
  }
}

void TForm::ControlFocused(TWinControl* control) {
  // The UI-active OLE control gives way to the control that now has the focus.
  if (activeOleControl_ && activeOleControl_ != control) activeOleControl_->Perform(kUIDeactivateMessage, 0, 0);
  activeControl_ = control;
  control->Perform(kUIActivateMessage, 0, 0);
}

void TForm::ControlRemoving(TWinControl* control) noexcept {
  if (control->ContainsControl(activeControl_)) activeControl_ = nullptr;
  if (control->ContainsControl(activeOleControl_)) activeOleControl_ = nullptr;
}

void TForm::SetBounds(int left, int top, int width, int height) {
  const HWND window = ExistingHandle();
  const RECT bounds{left, top, left + width, top + height};
  if (!Visible() && windowState_ == TWindowState::Maximized) {
    // Moving the hidden window would make these its normal bounds, which it returns to.
    maximizedBounds_ = bounds;
    return;
  }
  if (window && Visible() && ::IsIconic(window)) {
    SetRestoreBounds(window, bounds);
    return;
  }
  TWinControl::SetBounds(left, top, width, height);
}

void TForm::Close() {
  if (Application().MainForm() == this) {
    Application().Terminate();
  } else {
    Hide();
  }
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCALCSIZE: {
      const LRESULT result = DefaultHandler(message, wParam, lParam);
      InsetClientArea(wParam, lParam);
      return result;
    }
    case WM_NCPAINT: {
      const LRESULT result = DefaultHandler(message, wParam, lParam);
      PaintInnerBorder();
      return result;
    }
    case WM_ERASEBKGND:
      EraseBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return KeyMessage(message, wParam, lParam);
    case WM_CHAR:
      return CharMessage(wParam);
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      if (activeOleControl_) {
        activeOleControl_->Perform(kDocWindowActivateMessage, LOWORD(wParam) != WA_INACTIVE ? 1 : 0, 0);
      }
      return TWinControl::WndProc(message, wParam, lParam);
    case WM_SETFOCUS: {
      // The form's own window keeps the focus (its key events rely on it); the control
      // that last had the focus in it is told that the focus is back in the form.
      const LRESULT result = TWinControl::WndProc(message, wParam, lParam);
      if (activeControl_) activeControl_->Perform(kUIActivateMessage, 0, 0);
      return result;
    }
    default:
      return TWinControl::WndProc(message, wParam, lParam);
  }
}

LRESULT TForm::KeyMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  const auto& handler = down ? OnKeyDown : OnKeyUp;
  if (handler) {
    auto key = static_cast<std::uint16_t>(wParam);
    handler(*this, key, KeyDataToShiftState(lParam));
    if (key == 0) return 0;
    wParam = key;
  }
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TForm::CharMessage(WPARAM wParam) {
  if (!OnKeyPress) return 0;
  // One UTF-16 unit may be one or two bytes in the system code page; each is a key press.
  const std::string bytes = win::WideToSystem(std::wstring(1, static_cast<wchar_t>(wParam)));
  for (char key : bytes) OnKeyPress(*this, key);
  return 0;
}

void TForm::InsetClientArea(WPARAM wParam, LPARAM lParam) const {
  if (borderWidth_ == 0) return;
  RECT& rect = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam);
  rect.left += borderWidth_;
  rect.top += borderWidth_;
  rect.right = std::max(rect.left, rect.right - borderWidth_);
  rect.bottom = std::max(rect.top, rect.bottom - borderWidth_);
}

void TForm::PaintInnerBorder() {
  const HWND window = ExistingHandle();
  if (borderWidth_ == 0 || !window) return;
  const win::TUniqueWindowDC dc = win::GetOwnedWindowDC(window);
  if (!dc) return;
  RECT frame{};
  ::GetWindowRect(window, &frame);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  RECT client{};
  ::GetClientRect(window, &client);
  ::OffsetRect(&client, origin.x - frame.left, origin.y - frame.top);
  RECT band = client;
  ::InflateRect(&band, borderWidth_, borderWidth_);
  ::ExcludeClipRect(dc.Get().DC, client.left, client.top, client.right, client.bottom);
  HBRUSH brush = nullptr;
  const win::TUniqueBrush owned = BrushFor(color_, brush);
  ::FillRect(dc.Get().DC, &band, brush);
}

void TForm::EraseBackground(HDC dc) {
  RECT client{};
  ::GetClientRect(ExistingHandle(), &client);
  HBRUSH brush = nullptr;
  const win::TUniqueBrush owned = BrushFor(color_, brush);
  ::FillRect(dc, &client, brush);
}

}  // namespace leafmark::ui
