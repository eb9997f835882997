// The window procedure binds each window to its control on WM_NCCREATE and forwards every
// later message to the control; nothing thrown by a handler leaves the procedure.
#include "ui/win_control.h"

#include <algorithm>
#include <stdexcept>

namespace leafmark::ui {

namespace {

HINSTANCE ThisModule() { return ::GetModuleHandleW(nullptr); }

void RegisterClassOnce(const std::wstring& className, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(ThisModule(), className.c_str(), &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ThisModule();
  windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  // The program's icon (resource 1) in the caption and task bar; without one, the system's.
  windowClass.hIcon = ::LoadIconW(ThisModule(), MAKEINTRESOURCEW(1));
  windowClass.lpszClassName = className.c_str();
  if (!::RegisterClassExW(&windowClass)) {
    throw std::runtime_error("Cannot register a window class: Windows error " + std::to_string(::GetLastError()));
  }
}

}  // namespace

TWinControl::TWinControl() : TWinControl(true) {}

TWinControl::TWinControl(bool visible) : visible_(visible) {}

TWinControl::~TWinControl() {
  for (TWinControl* child : controls_) child->parent_ = nullptr;
  if (parent_) {
    TopParent()->ControlRemoving(this);
    std::erase(parent_->controls_, this);
  }
  DestroyHandle();
}

HWND TWinControl::Handle() {
  if (!handle_) CreateHandle();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.ClassName = L"TWinControl";
  params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (!parent_) throw std::runtime_error("A windowed control needs a parent before its window is created");
  params.WndParent = parent_->Handle();
}

void TWinControl::CreateHandle() {
  CreateWnd();
  if (parent_) parent_->AlignControls();
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  CreateParams(params);
  if (visible_) params.Style |= WS_VISIBLE;
  RegisterClassOnce(params.ClassName, &TWinControl::StaticWndProc);
  const HWND window = ::CreateWindowExW(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(),
                                        params.Style, params.X, params.Y, params.Width, params.Height,
                                        params.WndParent, nullptr, ThisModule(), this);
  if (!window) {
    throw std::runtime_error("Cannot create a window: Windows error " + std::to_string(::GetLastError()));
  }
  handle_ = window;
}

void TWinControl::DestroyHandle() noexcept {
  if (handle_) DestroyWnd();
  handle_ = nullptr;
}

void TWinControl::DestroyWnd() noexcept {
  if (handle_) ::DestroyWindow(handle_);
  handle_ = nullptr;
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) {
    ParentChanging();
    TopParent()->ControlRemoving(this);
    std::erase(parent_->controls_, this);
  }
  parent_ = parent;
  if (!parent_) {
    DestroyHandle();
    return;
  }
  parent_->controls_.push_back(this);
  if (handle_) {
    ::SetParent(handle_, parent_->Handle());
    parent_->AlignControls();
  } else {
    CreateHandle();
  }
  ParentChanged();
}

RECT TWinControl::WindowBounds() const {
  RECT rect{left_, top_, left_ + width_, top_ + height_};
  if (!handle_) return rect;
  ::GetWindowRect(handle_, &rect);
  if (parent_ && parent_->handle_) {
    ::MapWindowPoints(HWND_DESKTOP, parent_->handle_, reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

int TWinControl::Left() const { return WindowBounds().left; }
int TWinControl::Top() const { return WindowBounds().top; }
int TWinControl::Width() const {
  const RECT rect = WindowBounds();
  return rect.right - rect.left;
}
int TWinControl::Height() const {
  const RECT rect = WindowBounds();
  return rect.bottom - rect.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (handle_) ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TWinControl::ClientRect() const {
  RECT rect{0, 0, width_, height_};
  if (handle_) ::GetClientRect(handle_, &rect);
  return rect;
}

void TWinControl::SetAlign(TAlign align) {
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TWinControl::SetVisible(bool visible) {
  visible_ = visible;
  if (handle_) ShowHandle(visible);
  if (parent_) parent_->AlignControls();
}

void TWinControl::ShowHandle(bool visible) {
  ::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::AlignControls() {
  if (!handle_) return;
  const RECT client = ClientRect();
  for (TWinControl* child : controls_) {
    if (child->align_ == TAlign::Client && child->visible_) {
      child->SetBounds(client.left, client.top, client.right - client.left, client.bottom - client.top);
    }
  }
}

LRESULT TWinControl::Perform(UINT message, WPARAM wParam, LPARAM lParam) {
  return handle_ ? ::SendMessageW(handle_, message, wParam, lParam) : 0;
}

TWinControl* TWinControl::TopParent() {
  TWinControl* top = this;
  while (top->parent_) top = top->parent_;
  return top;
}

bool TWinControl::ContainsControl(const TWinControl* control) const {
  for (; control; control = control->parent_) {
    if (control == this) return true;
  }
  return false;
}

TWinControl* TWinControl::FindInTree(HWND window) {
  if (handle_ == window) return this;
  for (TWinControl* child : controls_) {
    if (TWinControl* found = child->FindInTree(window)) return found;
  }
  return nullptr;
}

TWinControl* TWinControl::FindControl(HWND window) {
  const HWND root = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
  // Only a window of the framework's own classes carries its control in its user data.
  if (!root || static_cast<ULONG_PTR>(::GetClassLongPtrW(root, GCLP_WNDPROC)) !=
                   reinterpret_cast<ULONG_PTR>(&StaticWndProc)) {
    return nullptr;
  }
  auto* top = reinterpret_cast<TWinControl*>(::GetWindowLongPtrW(root, GWLP_USERDATA));
  if (!top) return nullptr;
  for (HWND current = window; current; current = ::GetAncestor(current, GA_PARENT)) {
    if (TWinControl* found = top->FindInTree(current)) return found;
    if (current == root) break;
  }
  return nullptr;
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) {
    const LRESULT result = DefaultHandler(message, wParam, lParam);
    AlignControls();
    return result;
  }
  if (message == WM_SETFOCUS && parent_) {
    const LRESULT result = DefaultHandler(message, wParam, lParam);
    TopParent()->ControlFocused(this);
    return result;
  }
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  TWinControl* control = nullptr;
  if (message == WM_NCCREATE) {
    control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    control->handle_ = window;
  } else {
    control = reinterpret_cast<TWinControl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!control) return ::DefWindowProcW(window, message, wParam, lParam);

  LRESULT result = 0;
  try {
    result = control->WndProc(message, wParam, lParam);
  } catch (...) {
    result = ::DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    control->handle_ = nullptr;
  }
  return result;
}

}  // namespace leafmark::ui
